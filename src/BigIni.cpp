#include "BigIni.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Strings.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

using platform::compareText;
using platform::sameText;

namespace {

// A line's key is the text before its first "="; a line without "=" has none. The key asked
// for can only match when it holds no "=" itself, so the caller checks that once.
bool lineHasKey(const std::string& line, const std::string& key) {
    return line.size() > key.size() && line[key.size()] == '=' &&
           sameText(std::string_view(line).substr(0, key.size()), key);
}

std::string keyOf(const std::string& line) {
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TSectionList

int TSectionList::Add(const std::string& name) {
    m_entries.push_back(Entry{name, std::make_unique<TLineList>()});
    return Count() - 1;
}

void TSectionList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TSectionList::Delete: no section " + std::to_string(index));
    m_entries.erase(m_entries.begin() + index);
}

void TSectionList::Clear() {
    m_entries.clear();
}

int TSectionList::SearchFrom(int start, const std::string& name) const {
    const int count = Count();
    start = ValidStart(start);
    for (int step = 0; step < count; ++step) {
        const int i = (start + step) % count;
        if (sameText(m_entries[i].name, name))
            return i;
    }
    return -1;
}

int TSectionList::FindSection(const std::string& name) {
    const int i = SearchFrom(m_lastFound, name);
    if (i >= 0)
        m_lastFound = i;
    return i;
}

bool TSectionList::RemoveDuplicateSections() {
    if (m_entries.size() < 2)
        return false;
    // Sorting the names once finds every group of equals without comparing every pair. Among
    // equal names the index decides, so the first of a group in the file is its keeper.
    std::vector<std::size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        const int c = compareText(m_entries[a].name, m_entries[b].name);
        return c != 0 ? c < 0 : a < b;
    });
    std::vector<bool> dropped(m_entries.size(), false);
    bool any = false;
    std::size_t keeper = order[0];
    for (std::size_t k = 1; k < order.size(); ++k) {
        const std::size_t i = order[k];
        if (sameText(m_entries[i].name, m_entries[keeper].name)) {
            dropped[i] = true;
            any = true;
        } else {
            keeper = i;
        }
    }
    if (any) {
        std::size_t i = 0;
        std::erase_if(m_entries, [&](const Entry&) { return dropped[i++]; });
    }
    return any;
}

// ---------------------------------------------------------------------------------------------
// TBigIniFile

TBigIniFile::TBigIniFile(const std::string& fileName) {
    // Virtual calls from here reach this class's own operations, not a subclass's: C++ builds
    // the object from the base up. None of our subclasses replaces them.
    SetFileName(fileName);
}

TBigIniFile::~TBigIniFile() {
    // As in the constructor, this reaches our own SaveToDisk: the subclass part is gone.
    const bool told = m_failureRaised;
    try {
        SaveToDisk();
    } catch (const std::exception& error) {
        if (!told)
            platform::handleException(error);
    }
    FreeSections();
}

void TBigIniFile::SetFileName(const std::string& fileName) {
    SaveToDisk();
    FreeSections();
    m_fileName = fileName;
    if (!fileName.empty()) {
        try {
            LoadFromDisk(fileName);
        } catch (const EInOutError& error) {
            // A file we could not read must not be overwritten by the little we know of it.
            FreeSections();
            m_fileName.clear();
            throw EInOutError(error.ErrorCode(), "The settings could not be read from \"" +
                                                     fileName + "\": " + error.Message());
        } catch (...) {
            FreeSections();
            m_fileName.clear();
            throw;
        }
    }
    m_modified = false;
}

void TBigIniFile::FreeSections() {
    m_sections.Clear();
}

void TBigIniFile::LoadFromDisk(const std::string& fileName) {
    m_currentSection = 0;
    // Taken before reading: a change while we read counts as a change.
    const platform::FileStamp stamp = platform::fileStamp(fileName);
    if (!platform::fileExists(fileName)) {
        m_diskVersion.remember(stamp, {});
        return;
    }
    std::string text = platform::readFile(fileName);
    m_diskVersion.remember(stamp, text);

    // Ctrl-Z ends the file; the text before it on its line still counts.
    if (const std::size_t eof = text.find('\x1A'); eof != std::string::npos)
        text.resize(eof);

    int current = -1;
    // A byte-order mark, as some editors write before UTF-8 text, is no part of the first line.
    std::size_t pos = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < text.size()) {
        // CR LF, CR and LF each end a line: files written on Linux end their lines in LF, and
        // reading them as one line would lose every section at the next save.
        const std::size_t cr = text.find_first_of("\r\n", pos);
        const std::size_t end = cr == std::string::npos ? text.size() : cr;
        if (end > pos) {
            std::string line = text.substr(pos, end - pos);
            if (line.front() == '[' && line.back() == ']' && line.size() >= 2)
                current = m_sections.Add(line.substr(1, line.size() - 2));
            else if (current >= 0)
                m_sections.SectionLines(current).push_back(std::move(line));
        }
        if (cr == std::string::npos)
            break;
        pos = cr + 1;
        if (text[cr] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    m_sections.RemoveDuplicateSections();
}

template <typename Sink> void TBigIniFile::forEachWrittenLine(Sink&& sink) const {
    for (int i = 0; i < m_sections.Count(); ++i) {
        const TLineList& lines = m_sections.SectionLines(i);
        if (lines.empty())
            continue;
        sink("[" + m_sections.Strings(i) + "]");
        for (const std::string& line : lines)
            sink(line);
        sink(std::string());
    }
}

void TBigIniFile::SaveToDisk() {
    if (!m_modified)
        return;
    if (!m_fileName.empty()) {
        // On failure the old file stays whole and m_modified stays true, so nothing is lost
        // that a later save could still write.
        std::string keptAs;
        try {
            if (const auto edited = m_diskVersion.changedElsewhere(m_fileName))
                keptAs = platform::keepEditedCopy(m_fileName, *edited);
            WriteFile();
        } catch (const EInOutError& error) {
            m_failureRaised = true;
            throw EInOutError(error.ErrorCode(), "The settings were not saved to \"" + m_fileName +
                                                     "\": " + error.Message());
        } catch (...) {
            m_failureRaised = true;
            throw;
        }
        m_modified = false;
        if (!keptAs.empty())
            platform::handleException(Exception(
                "\"" + m_fileName + "\" was changed by another program while Tevlo was running. " +
                "That version is kept as \"" + keptAs +
                "\", and the settings of this run were saved in its place"));
        return;
    }
    m_modified = false;
}

void TBigIniFile::WriteFile() {
    std::string text;
    forEachWrittenLine([&text](const std::string& line) { text += line + "\r\n"; });
    platform::writeFileAtomic(m_fileName, text);
    m_diskVersion.remember(platform::fileStamp(m_fileName), text);
}

void TBigIniFile::CopyToStrings(std::vector<std::string>& strings) {
    forEachWrittenLine([&strings](std::string line) { strings.push_back(std::move(line)); });
}

int TBigIniFile::FindKey(const std::string& section, const std::string& key, TLineList*& lines,
                         bool create) {
    const int count = m_sections.Count();
    const int found = m_sections.SearchFrom(m_currentSection, section);
    if (count > 0) {
        // A failed search leaves the position just before where it began.
        const int start = m_sections.ValidStart(m_currentSection);
        m_currentSection = found >= 0 ? found : (start + count - 1) % count;
    }
    if (found < 0) {
        if (create) {
            m_currentSection = m_sections.Add(section);
            lines = &m_sections.SectionLines(m_currentSection);
        } else {
            lines = nullptr;
        }
        return -1;
    }
    lines = &m_sections.SectionLines(found);
    if (key.find('=') != std::string::npos)
        return -1;
    for (std::size_t i = 0; i < lines->size(); ++i)
        if (lineHasKey((*lines)[i], key))
            return static_cast<int>(i);
    return -1;
}

std::string TBigIniFile::ReadValue(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) {
    TLineList* lines = nullptr;
    const int index = FindKey(section, key, lines, false);
    if (index < 0)
        return defaultValue;
    const std::string& line = (*lines)[index];
    return line.substr(line.find('=') + 1);
}

void TBigIniFile::WriteValue(const std::string& section, const std::string& key,
                             const std::string& value) {
    if (key.empty()) {
        if (section.empty() && value.empty())
            SaveToDisk();
        else
            ClearSection(section);
        return;
    }
    // The last guard: a value that came by any other way than the boxes must not break the file.
    if (platform::holdsLineBreak(section) || platform::holdsLineBreak(key) ||
        platform::holdsLineBreak(value))
        throw Exception("\"" + key + "\" in [" + section + "] holds a line break, which \"" +
                        m_fileName + "\" cannot keep, so it was not written");
    std::string line = key + "=" + value;
    TLineList* lines = nullptr;
    const int index = FindKey(section, key, lines, true);
    if (index < 0) {
        lines->push_back(std::move(line));
        Changed();
    } else if ((*lines)[index] != line) {
        (*lines)[index] = std::move(line);
        Changed();
    }
}

std::int32_t TBigIniFile::ReadNumber(const std::string& section, const std::string& key,
                                     std::int32_t defaultValue) {
    std::string text = ReadValue(section, key, std::string());
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    std::int32_t value = 0;
    return platform::tryStrToInt(text, value) ? value : defaultValue;
}

void TBigIniFile::WriteNumber(const std::string& section, const std::string& key,
                              std::int32_t value) {
    WriteValue(section, key, std::to_string(value));
}

bool TBigIniFile::ReadFlag(const std::string& section, const std::string& key, bool defaultValue) {
    return ReadNumber(section, key, defaultValue ? 1 : 0) != 0;
}

void TBigIniFile::WriteFlag(const std::string& section, const std::string& key, bool value) {
    WriteValue(section, key, value ? "1" : "0");
}

void TBigIniFile::ReadKeys(const std::string& section, std::vector<std::string>& strings) {
    const int i = m_sections.FindSection(section);
    if (i < 0)
        return;
    for (const std::string& line : m_sections.SectionLines(i))
        strings.push_back(keyOf(line));
}

void TBigIniFile::ReadSectionNames(std::vector<std::string>& strings) {
    strings.clear();
    for (int i = 0; i < m_sections.Count(); ++i)
        strings.push_back(m_sections.Strings(i));
}

void TBigIniFile::ReadSectionLines(const std::string& section, std::vector<std::string>& strings) {
    const int i = m_sections.FindSection(section);
    if (i < 0)
        return;
    const TLineList& lines = m_sections.SectionLines(i);
    strings.insert(strings.end(), lines.begin(), lines.end());
}

void TBigIniFile::ClearSection(const std::string& section) {
    const int i = m_sections.FindSection(section);
    if (i < 0)
        return;
    m_sections.Delete(i);
    m_sections.SetLastFound(0);
    Changed();
    if (m_currentSection >= m_sections.Count())
        m_currentSection = 0;
}

void TBigIniFile::DeleteKey(const std::string& section, const std::string& key) {
    TLineList* lines = nullptr;
    const int index = FindKey(section, key, lines, true);
    if (index < 0)
        return;
    Changed();
    lines->erase(lines->begin() + index);
}

// ---------------------------------------------------------------------------------------------
// TAppIniFile

TAppIniFile::TAppIniFile() : TBiggerIniFile(DefaultFileName()) {}

std::string TAppIniFile::DefaultFileName() {
    return platform::settingsFolder() + platform::settingsFileName();
}
