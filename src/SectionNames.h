// The section names file: the ten names of the sections, one per line, in the settings folder.
#pragma once

#include <string>
#include <vector>

// Where the file is: "Items.txt" in the settings folder.
std::string SectionNamesPath();
// The names a file holds: CR LF, CR or LF ending a line, the last line needing no end, a zero
// byte ending the text, a UTF-8 byte-order mark skipped, nothing trimmed.
std::vector<std::string> ParseSectionNames(const std::string& text);
// Raises "Cannot open file <path>" when the file cannot be read.
std::vector<std::string> ReadSectionNames();
// Replaces the file with text in one piece. A version that someone else wrote since the file was
// last read or written here is first kept beside it, and the user told so. Raises EInOutError
// naming the file when it cannot be written; the old file stays then.
void WriteSectionNames(const std::string& text);

// The ten names of a new bar, and of one whose file cannot be read.
std::vector<std::string> DesignSectionNames();
