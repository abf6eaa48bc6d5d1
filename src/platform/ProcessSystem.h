// What the system-specific half of Process gives the shared half.
#pragma once

#include "platform/Process.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

// One word of a command line, with where it ends in the line.
struct Word {
    std::string text;
    std::size_t end = 0;
    // Starts with a "~" that no quote hides, so it may stand for the home folder.
    bool bareTilde = false;
};
std::vector<Word> splitWords(std::string_view line);

// A reading of the line: this program, with its arguments from argumentsStart on.
struct Candidate {
    std::string program;
    std::size_t argumentsStart = 0;
};
// The readings to try, in the system's order, and which of them is the line's first word, the
// one that messages name when no reading finds a program.
struct Candidates {
    std::vector<Candidate> readings;
    std::size_t firstWord = 0;
};
Candidates programCandidates(std::string_view line);

// The non-empty items of a list such as PATH.
std::vector<std::string> splitList(std::string_view text, char separator);

// The user's home folder for "~"; empty where the system has no such rule.
std::string homeFolder();
// The word with a leading "~" replaced by the home folder where the word allows it.
std::string expandHome(const Word& word);

struct FoundProgram {
    std::string path;
    int error = 0; // the runtime's I/O error code when nothing startable was found
};
FoundProgram findProgram(const std::string& word, const std::string& baseFolder);

// Completes a found program's location with what the file itself says: a desktop entry's
// folder, or why it cannot be started.
void inspectProgram(ProgramLocation& location);

} // namespace platform::detail
