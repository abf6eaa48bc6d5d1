// Byte strings as the program keeps them: counted 8-bit text, compared and cased the same way
// everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Changes only a..z; every other byte, UTF-8 sequences included, stays as it is.
std::string upperCase(std::string_view text);

// Case-insensitive order of section and key names. One comparison serves lookups, sorting and
// duplicate removal, so two names are "the same" in exactly one sense. We fold ASCII letters
// only and compare the other bytes by value, on Windows too, rather than asking the user's
// locale (CompareStringA): a locale's rules would make the result depend on the user's
// settings, and an INI file written under one locale, or on the other system, could then read
// differently, with two sections becoming one or one key no longer found.
int compareText(std::string_view a, std::string_view b);
bool sameText(std::string_view a, std::string_view b);

// The characters that end a folder name in a path.
bool isPathDelimiter(char c);

// Everything up to and including the last delimiter; empty when the path holds none.
std::string extractFilePath(std::string_view path);
// Everything after the last delimiter.
std::string extractFileName(std::string_view path);
// Replaces the extension (from the last "." after the last delimiter) or appends one.
std::string changeFileExt(std::string_view path, std::string_view extension);

// Text to a 32-bit signed integer: leading blanks (code 32 only), then either an optional sign
// and decimal digits within range, or a hexadecimal marker ("$", "x", "X", "0x", "0X") and hex
// digits whose value fits in 32 bits, taken as signed. Nothing may follow the digits.
bool tryStrToInt(std::string_view text, std::int32_t& value);

// True when the text holds a CR or an LF. Each value of the settings files is one line, so
// none may.
bool holdsLineBreak(std::string_view text);

} // namespace platform
