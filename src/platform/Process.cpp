// The parts of Process that are the same on every system.
#include "platform/Process.h"

#include "platform/Errors.h"
#include "platform/ProcessSystem.h"
#include "platform/Strings.h"

namespace platform {

namespace {

ProgramStarter& programStarter() {
    static ProgramStarter starter = spawnCommandLine;
    return starter;
}

} // namespace

void startProgram(const std::string& commandLine, const std::string& folder, ShowCommand show) {
    programStarter()(commandLine, folder, show);
}

ProgramStarter setProgramStarter(ProgramStarter starter) {
    ProgramStarter previous = std::move(programStarter());
    programStarter() = starter ? std::move(starter) : ProgramStarter(spawnCommandLine);
    return previous;
}

namespace detail {

std::vector<Word> splitWords(std::string_view line) {
    std::vector<Word> words;
    Word word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word of its own
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                word.end = i;
                words.push_back(std::move(word));
                word = Word();
                inWord = false;
            }
        } else {
            if (!inWord && c == '~')
                word.bareTilde = true;
            word.text += c;
            inWord = true;
        }
    }
    if (inWord) {
        word.end = line.size();
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> splitList(std::string_view text, char separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            items.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::string expandHome(const Word& word) {
    if (!word.bareTilde || (word.text != "~" && !word.text.starts_with("~/")))
        return word.text;
    const std::string home = homeFolder();
    return home.empty() ? word.text : home + word.text.substr(1);
}

} // namespace detail

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    for (detail::Word& word : detail::splitWords(commandLine))
        words.push_back(std::move(word.text));
    return words;
}

ProgramLocation locateProgram(std::string_view commandLine, const std::string& baseFolder) {
    ProgramLocation location;
    const detail::Candidates candidates = detail::programCandidates(commandLine);
    location.error = 2;
    for (std::size_t i = 0; i < candidates.readings.size(); ++i) {
        const detail::Candidate& reading = candidates.readings[i];
        const detail::FoundProgram found = detail::findProgram(reading.program, baseFolder);
        if (found.error == 0) {
            location.name = reading.program;
            location.path = found.path;
            location.argumentsStart = reading.argumentsStart;
            location.error = 0;
            break;
        }
        if (i == candidates.firstWord) {
            location.name = reading.program;
            location.error = found.error;
        }
    }
    if (location.error != 0) {
        location.reason = EInOutError::MessageFor(location.error);
        return location;
    }
    for (const detail::Word& word : detail::splitWords(commandLine.substr(location.argumentsStart)))
        location.arguments.push_back(detail::expandHome(word));
    location.folder = extractFilePath(location.path);
    detail::inspectProgram(location);
    return location;
}

} // namespace platform
