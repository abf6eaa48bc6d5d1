#include "SectionNames.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <string_view>

namespace {

platform::FileVersion& sectionNamesVersion() {
    static platform::FileVersion version;
    return version;
}

} // namespace

std::string SectionNamesPath() {
    return platform::settingsFolder() + "Items.txt";
}

std::vector<std::string> ParseSectionNames(const std::string& text) {
    std::string_view rest(text);
    rest = rest.substr(0, rest.find('\0'));
    if (rest.starts_with("\xEF\xBB\xBF"))
        rest.remove_prefix(3);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '\r' && rest[i] != '\n')
            continue;
        lines.emplace_back(rest.substr(start, i - start));
        if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < rest.size())
        lines.emplace_back(rest.substr(start));
    return lines;
}

std::vector<std::string> ReadSectionNames() {
    const std::string path = SectionNamesPath();
    const platform::FileStamp stamp = platform::fileStamp(path);
    std::string text;
    try {
        text = platform::readFile(path);
    } catch (const EInOutError&) {
        throw Exception("Cannot open file " + path);
    }
    sectionNamesVersion().remember(stamp, text);
    return ParseSectionNames(text);
}

void WriteSectionNames(const std::string& text) {
    const std::string path = SectionNamesPath();
    std::string keptAs;
    try {
        if (const auto edited = sectionNamesVersion().changedElsewhere(path))
            keptAs = platform::keepEditedCopy(path, *edited);
        platform::writeFileAtomic(path, text);
    } catch (const EInOutError& error) {
        throw EInOutError(error.ErrorCode(), "The section names were not saved to \"" + path +
                                                 "\": " + error.Message());
    }
    sectionNamesVersion().remember(platform::fileStamp(path), text);
    if (!keptAs.empty())
        platform::handleException(
            Exception("\"" + path + "\" was changed by another program while Tevlo was running. " +
                      "That version is kept as \"" + keptAs +
                      "\", and the section names of this run were saved in its place"));
}

std::vector<std::string> DesignSectionNames() {
    return {"SYSTEM UTILITIES", "DESKTOP UTILITIES", "TOOLS",    "DOCUMENTS",  "PROGRAMMING",
            "WEB DESIGN",       "INTERNET",          "GRAPHICS", "MULTIMEDIA", "GAMES"};
}
