// Arbitrary bytes as an INI file: loading never fails or crashes, every key reads back as its
// line says, and what a save writes loads again to the very same content.
#include "BigIni.h"

#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class FuzzIni : public TBigIniFile {
public:
    using TBigIniFile::TBigIniFile;
    void markModified() { m_modified = true; }
};

// tmpfs when there is one: the saves sync to disk, and a real disk makes that slow.
std::string scratchFile() {
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/tevlo-fuzz-" + std::to_string(::getpid()) + ".ini";
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "BigIniFuzz: %s\n", what);
        std::abort();
    }
}

struct Cleanup {
    std::string path;
    ~Cleanup() { ::unlink(path.c_str()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Cleanup scratch{scratchFile()};
    const std::string& path = scratch.path;
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        check(f != nullptr, "cannot write the scratch file");
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    std::vector<std::string> first;
    {
        FuzzIni ini(path);
        ini.CopyToStrings(first);
        TSectionList& sections = ini.Sections();
        for (int i = 0; i < sections.Count(); ++i) {
            const std::string name = sections.Strings(i);
            check(sections.FindSection(name) == i, "a section name does not find its section");
            const TLineList lines = sections.SectionLines(i);
            for (const std::string& line : lines) {
                const std::size_t eq = line.find('=');
                if (eq == std::string::npos)
                    continue;
                // The first line of a key wins, so only check lines that are that first one.
                TLineList* found = nullptr;
                const int index = ini.FindKey(name, line.substr(0, eq), found, false);
                check(index >= 0 && found != nullptr, "a key of a loaded line is not found");
                if ((*found)[index] == line)
                    check(ini.ReadValue(name, line.substr(0, eq), "\x01") == line.substr(eq + 1),
                          "a value does not read back");
            }
        }
        ini.markModified();
        ini.SaveToDisk();
    }

    std::string expected;
    for (const std::string& line : first)
        expected += line + "\r\n";
    check(platform::readFile(path) == expected, "the saved file differs from CopyToStrings");

    std::vector<std::string> second;
    {
        TBigIniFile again(path);
        again.CopyToStrings(second);
    }
    check(first == second, "load, save, load is not stable");
    return 0;
}
