// The INI file engine: a whole INI file held in memory, read once and written back on request
// or when the object is released, and only when something changed.
#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The raw lines of one section, verbatim and in file order.
using TLineList = std::vector<std::string>;

// The sections of a file in file order, each name paired with the line list it owns.
class TSectionList {
public:
    TSectionList() = default;
    TSectionList(const TSectionList&) = delete;
    TSectionList& operator=(const TSectionList&) = delete;

    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& Strings(int index) const { return m_entries.at(index).name; }
    TLineList& SectionLines(int index) { return *m_entries.at(index).lines; }
    const TLineList& SectionLines(int index) const { return *m_entries.at(index).lines; }

    // Appends a section with an empty line list and returns its index.
    int Add(const std::string& name);
    void Delete(int index);
    void Clear();

    // Index of the section of that name (compared without case), or -1. The search starts at
    // the section found last and wraps around, so a run of lookups in one section costs one
    // comparison each.
    int FindSection(const std::string& name);

    // The ring search itself: every section once, from start (0 when start is no index) to the
    // last, then from the first. FindSection and the INI file's key lookup keep separate
    // starting points but search alike.
    int SearchFrom(int start, const std::string& name) const;
    int ValidStart(int start) const { return start >= 0 && start < Count() ? start : 0; }

    // Keeps, of every group of sections with the same name, only the one that comes first.
    // True when something was dropped.
    bool RemoveDuplicateSections();

    int LastFound() const { return m_lastFound; }
    void SetLastFound(int index) { m_lastFound = index; }

private:
    struct Entry {
        std::string name;
        // Held by pointer so that a line list handed out by FindKey survives later additions.
        std::unique_ptr<TLineList> lines;
    };
    std::vector<Entry> m_entries;
    int m_lastFound = 0;
};

class TBigIniFile {
public:
    // Reads the file now if it exists; an empty name gives an object that lives in memory only.
    explicit TBigIniFile(const std::string& fileName);
    // Writes pending changes. A failure cannot leave a destructor, so it goes to the
    // application's error reporting and everything is released all the same.
    virtual ~TBigIniFile();
    TBigIniFile(const TBigIniFile&) = delete;
    TBigIniFile& operator=(const TBigIniFile&) = delete;

    // The typed operations are built on the string ones through these virtual calls, so a
    // subclass that replaces one changes every operation built on it.
    virtual std::string ReadValue(const std::string& section, const std::string& key,
                                  const std::string& defaultValue);
    virtual void WriteValue(const std::string& section, const std::string& key,
                            const std::string& value);
    virtual std::int32_t ReadNumber(const std::string& section, const std::string& key,
                                    std::int32_t defaultValue);
    virtual void WriteNumber(const std::string& section, const std::string& key,
                             std::int32_t value);
    virtual bool ReadFlag(const std::string& section, const std::string& key, bool defaultValue);
    virtual void WriteFlag(const std::string& section, const std::string& key, bool value);
    virtual void ReadKeys(const std::string& section, std::vector<std::string>& strings);
    virtual void ReadSectionNames(std::vector<std::string>& strings);
    virtual void ReadSectionLines(const std::string& section, std::vector<std::string>& strings);
    virtual void ClearSection(const std::string& section);
    virtual void DeleteKey(const std::string& section, const std::string& key);
    virtual void CopyToStrings(std::vector<std::string>& strings);
    virtual void SaveToDisk();
    virtual void LoadFromDisk(const std::string& fileName);

    // Saves the old file, forgets everything, then loads the new one.
    void SetFileName(const std::string& fileName);
    void FreeSections();

    // Index of the key's line in the section, or -1. lines receives the section's line list;
    // for a missing section a new empty one when create is true, else null.
    int FindKey(const std::string& section, const std::string& key, TLineList*& lines, bool create);

    const std::string& FileName() const { return m_fileName; }
    bool Modified() const { return m_modified; }
    TSectionList& Sections() { return m_sections; }
    const TSectionList& Sections() const { return m_sections; }
    int CurrentSection() const { return m_currentSection; }

protected:
    // Every change goes through here.
    void Changed() {
        m_modified = true;
        m_failureRaised = false;
    }

    std::string m_fileName;
    bool m_modified = false;
    // The last save failed, its error went to the caller, and nothing changed since: a failure
    // of the release's last try would only repeat what the user has been told.
    bool m_failureRaised = false;
    TSectionList m_sections;
    int m_currentSection = 0;
    // The file as we last read or wrote it, to see at the next save whether someone else
    // changed it in between.
    platform::FileVersion m_diskVersion;

private:
    template <typename Sink> void forEachWrittenLine(Sink&& sink) const;
    void WriteFile();
};

class TBiggerIniFile : public TBigIniFile {
public:
    using TBigIniFile::TBigIniFile;
};

// The INI file beside the executable that bears its name with the extension ".ini".
class TAppIniFile : public TBiggerIniFile {
public:
    TAppIniFile();

    // The file name the constructor uses: the executable's folder, its name as the folder
    // stores it, and ".ini" in place of its extension.
    static std::string DefaultFileName();
};
