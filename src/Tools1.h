// The table of the hundred launch items, its storage in the application INI file, and the
// launcher that starts a program in its own folder.
#pragma once

#include "BigIni.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

constexpr int ItemCount = 100;

// A button caption. Every construction and every assignment of text keeps at most the first
// MaxLength bytes, so no caller can forget the cut. The cut never splits a UTF-8 sequence: the
// bytes of a character that would not fit whole are dropped with it, so a caption never ends in a
// broken character. Text becomes a caption only where it is written so, never by a conversion
// that happens on the way, where a cut would go unnoticed.
class TItemCaption {
public:
    static constexpr std::size_t MaxLength = 30;

    TItemCaption() = default;
    explicit TItemCaption(std::string_view text) { assign(text); }
    TItemCaption& operator=(std::string_view text) {
        assign(text);
        return *this;
    }

    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    std::size_t size() const { return m_text.size(); }

    friend bool operator==(const TItemCaption& a, std::string_view b) { return a.m_text == b; }

private:
    void assign(std::string_view text);
    std::string m_text;
};

// An array indexed by item number 1..100; any other index is a programming error and throws
// rather than touching memory that is not ours.
template <typename T> class TItemArray {
public:
    T& operator[](int n) { return m_items[checked(n)]; }
    const T& operator[](int n) const { return m_items[checked(n)]; }

private:
    static std::size_t checked(int n) {
        if (n < 1 || n > ItemCount)
            throw std::out_of_range("no launch item " + std::to_string(n));
        return static_cast<std::size_t>(n - 1);
    }
    std::array<T, ItemCount> m_items{};
};

extern TItemArray<std::string> ItemPrograms;
extern TItemArray<TItemCaption> ItemCaptions;
// The one application INI file of the run: created by LoadItems, released by FreeItemStore.
extern std::unique_ptr<TAppIniFile> AppIni;

// Opens the application INI file and fills the whole table from it.
void LoadItems();
// Rewrites the item sections from the table and writes the INI file to disk.
void SaveItems();
// AppIni, for a save; raises an error, and nothing is written, while LoadItems has not read it.
TAppIniFile& LoadedSettings();
// Releases the application INI file, writing whatever is still pending; a failure of that last
// write goes to the application's error reporting.
void FreeItemStore();

// Whether the user allowed item n's desktop entry, as it is now (its stamp, see
// platform::launcherTrust), to start though it is no trusted launcher; and that allowing, kept in
// the INI file with the items. Nothing is allowed while AppIni is not open.
bool LauncherAllowed(int n, const std::string& stamp);
void AllowLauncher(int n, const std::string& stamp);

// The folder where the program that a command line names runs (see platform::locateProgram;
// relative program paths start at the settings folder). Raises EInOutError, with a message
// that names the program, when it cannot be found or started; nothing is changed then.
std::string ProgramFolder(const std::string& commandLine);

// Starts the program in folder, with the parameters after one blank when there are any; the
// folder becomes the program's current one, never the bar's. Raises EInOutError when the
// folder cannot be made current or the
// program cannot be started, with a message that names the program and keeps the runtime's
// words for the reason (Cannot start "firefox": File not found); nothing is started then.
void RunProgram(const std::string& program, const std::string& parameters,
                const std::string& folder);
