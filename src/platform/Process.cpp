// The parts of Process that are the same on every system.
#include "platform/Process.h"

namespace platform {

namespace {

ProgramStarter& programStarter() {
    static ProgramStarter starter = spawnCommandLine;
    return starter;
}

} // namespace

void startProgram(const std::string& commandLine, ShowCommand show) {
    programStarter()(commandLine, show);
}

ProgramStarter setProgramStarter(ProgramStarter starter) {
    ProgramStarter previous = std::move(programStarter());
    programStarter() = starter ? std::move(starter) : ProgramStarter(spawnCommandLine);
    return previous;
}

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word of its own
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

} // namespace platform
