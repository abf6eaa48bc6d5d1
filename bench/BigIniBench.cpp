// Load, read every key of, and save large generated INI files, next to the same work done by
// the inih parser for scale. Run: build/bench/BigIniBench
#include "BigIni.h"

#include "platform/Files.h"

#include <INIReader.h>
#include <benchmark/benchmark.h>
#include <ini.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Shape {
    const char* name;
    int sections;
    int keys;
};

// 1,000 sections of 50 keys, and one section of 20,000 keys.
constexpr Shape shapes[] = {{"wide", 1000, 50}, {"deep", 1, 20000}};

class BenchIni : public TBigIniFile {
public:
    using TBigIniFile::TBigIniFile;
    void markModified() { m_modified = true; }
};

std::string sectionName(int s) {
    return "Section" + std::to_string(s);
}
std::string keyName(int k) {
    return "Key" + std::to_string(k);
}

// Generated once per shape, in a folder removed at exit.
const std::string& fileFor(const Shape& shape) {
    static std::vector<std::pair<const Shape*, std::string>> files;
    for (const auto& [s, path] : files)
        if (s == &shape)
            return path;
    struct Folder {
        std::string path = "/tmp/tevlo-bench-XXXXXX";
        Folder() {
            if (!::mkdtemp(path.data()))
                std::abort();
        }
        ~Folder() {
            for (const auto& [s, file] : files) {
                ::unlink(file.c_str());
                ::unlink((file + ".saved").c_str());
            }
            ::rmdir(path.c_str());
        }
    };
    static const Folder folderHolder;
    const std::string& folder = folderHolder.path;
    std::string text;
    for (int s = 0; s < shape.sections; ++s) {
        text += "[" + sectionName(s) + "]\r\n";
        for (int k = 0; k < shape.keys; ++k)
            text += keyName(k) + "=value of key " + std::to_string(k) + " in " + sectionName(s) +
                    "\r\n";
        text += "\r\n";
    }
    const std::string path = folder + "/" + shape.name + ".ini";
    platform::writeFileAtomic(path, text);
    files.emplace_back(&shape, path);
    return files.back().second;
}

void setCounters(benchmark::State& state, const Shape& shape, const std::string& path) {
    state.counters["keys"] = static_cast<double>(shape.sections) * shape.keys;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.SetLabel(shape.name);
}

void BM_Load(benchmark::State& state) {
    const Shape& shape = shapes[state.range(0)];
    const std::string& path = fileFor(shape);
    for (auto _ : state) {
        TBigIniFile ini(path);
        benchmark::DoNotOptimize(ini.Sections().Count());
    }
    setCounters(state, shape, path);
}

// Every key, section by section, as the program itself reads its settings.
template <typename Read> void readEveryKey(const Shape& shape, Read&& read) {
    std::size_t total = 0;
    for (int s = 0; s < shape.sections; ++s) {
        const std::string section = sectionName(s);
        for (int k = 0; k < shape.keys; ++k)
            total += read(section, keyName(k)).size();
    }
    benchmark::DoNotOptimize(total);
}

void BM_ReadEveryKey(benchmark::State& state) {
    const Shape& shape = shapes[state.range(0)];
    const std::string& path = fileFor(shape);
    TBigIniFile ini(path);
    for (auto _ : state)
        readEveryKey(shape, [&ini](const std::string& section, const std::string& key) {
            return ini.ReadValue(section, key, std::string());
        });
    setCounters(state, shape, path);
}

void BM_Save(benchmark::State& state) {
    const Shape& shape = shapes[state.range(0)];
    const std::string path = fileFor(shape) + ".saved";
    platform::writeFileAtomic(path, platform::readFile(fileFor(shape)));
    BenchIni ini(path);
    for (auto _ : state) {
        ini.markModified();
        ini.SaveToDisk();
    }
    setCounters(state, shape, path);
}

int countKey(void* user, const char*, const char*, const char*) {
    ++*static_cast<long*>(user);
    return 1;
}

void BM_InihParse(benchmark::State& state) {
    const Shape& shape = shapes[state.range(0)];
    const std::string& path = fileFor(shape);
    for (auto _ : state) {
        long keys = 0;
        if (ini_parse(path.c_str(), countKey, &keys) != 0)
            state.SkipWithError("inih could not parse the file");
        benchmark::DoNotOptimize(keys);
    }
    setCounters(state, shape, path);
}

void BM_InihReaderLoadAndReadEveryKey(benchmark::State& state) {
    const Shape& shape = shapes[state.range(0)];
    const std::string& path = fileFor(shape);
    for (auto _ : state) {
        INIReader reader(path);
        readEveryKey(shape, [&reader](const std::string& section, const std::string& key) {
            return reader.Get(section, key, std::string());
        });
    }
    setCounters(state, shape, path);
}

} // namespace

BENCHMARK(BM_Load)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEveryKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihReaderLoadAndReadEveryKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
