#include "platform/Strings.h"

#include <algorithm>

namespace platform {

namespace {

unsigned char foldCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::size_t lastDelimiter(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (isPathDelimiter(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

} // namespace

std::string upperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return result;
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = foldCase(static_cast<unsigned char>(a[i]));
        const unsigned char cb = foldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool sameText(std::string_view a, std::string_view b) {
    // The length test first: most names that differ differ in length.
    return a.size() == b.size() && compareText(a, b) == 0;
}

bool isPathDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':' || c == '/';
#else
    return c == '/';
#endif
}

std::string extractFilePath(std::string_view path) {
    const std::size_t i = lastDelimiter(path);
    return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string extractFileName(std::string_view path) {
    const std::size_t i = lastDelimiter(path);
    return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string changeFileExt(std::string_view path, std::string_view extension) {
    const std::size_t delimiter = lastDelimiter(path);
    const std::size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string_view::npos && (delimiter == std::string_view::npos || dot > delimiter);
    std::string result(hasExtension ? path.substr(0, dot) : path);
    result += extension;
    return result;
}

bool tryStrToInt(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    text.remove_prefix(i);
    if (text.empty())
        return false;

    std::size_t markerLength = 0;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X')
        markerLength = 1;
    else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        markerLength = 2;

    if (markerLength > 0) {
        text.remove_prefix(markerLength);
        if (text.empty())
            return false;
        std::uint32_t result = 0;
        for (char c : text) {
            const int digit = hexDigitValue(c);
            if (digit < 0 || result > 0x0FFFFFFFu)
                return false;
            result = (result << 4) | static_cast<std::uint32_t>(digit);
        }
        value = static_cast<std::int32_t>(result);
        return true;
    }

    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    // 64 bits hold every prefix that can still end in range, the magnitude of the lowest value
    // included; the loop stops as soon as a prefix is out of reach.
    std::int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > 2147483648LL)
            return false;
    }
    if (!negative && result > 2147483647LL)
        return false;
    value = static_cast<std::int32_t>(negative ? -result : result);
    return true;
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace platform
