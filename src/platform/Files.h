// Files read and written byte for byte, and where the running program lives.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when something other than a folder stands at the path.
bool fileExists(const std::string& path);

// What tells whether a file changed behind our back: whether it is there, its size, the time of
// its last change and, where the system has one, its file number (an editor that saves by
// replacing the file gives it a new one).
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::uint64_t id = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const std::string& path);

// The whole content of a file, unchanged. Raises EInOutError when it cannot be read.
std::string readFile(const std::string& path);

// What a file held when the program last read or wrote it, so that a save can tell an edit by
// someone else (a text editor's) from a rewrite of the same bytes (a synchronising tool's).
class FileVersion {
public:
    // The file as it was when it held content: its stamp then, and those bytes.
    void remember(const FileStamp& stamp, std::string_view content);
    // The file's content when someone else has changed it since: its stamp and its bytes differ
    // from what was remembered. Nothing when it is as remembered, or gone. Raises EInOutError
    // when a changed file cannot be read.
    std::optional<std::string> changedElsewhere(const std::string& path) const;

private:
    FileStamp m_stamp;
    std::size_t m_size = 0;
    std::size_t m_hash = 0;
};

// Keeps content, a version of the file that someone else wrote, beside it as
// "<path>.edited-<date>-<time>" ("-2", "-3" ... added when that name is taken) and returns that
// name. Raises EInOutError when it cannot be written.
std::string keepEditedCopy(const std::string& path, std::string_view content);

// Replaces a file so that readers and a crash only ever see the old or the new content: the
// text goes to a temporary file beside the target, reaches the disk, and is then renamed over
// the target (on Windows by MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
// A save that is not committed, or fails on the way, removes the temporary file and leaves the
// target as it was.
class AtomicFile {
public:
    // Creates the temporary file; raises EInOutError when the folder does not allow it.
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view data);
    // Flushes, syncs and renames over the target. Raises EInOutError on any failure, after
    // which the target is untouched and the temporary file gone.
    void commit();
    // Drops what was written; the target stays as it was. Safe to call more than once.
    void cancel() noexcept;

    const std::string& temporaryPath() const { return m_temporaryPath; }

private:
    void flushBuffer();
    [[noreturn]] void fail(int err);

    std::string m_targetPath;
    std::string m_temporaryPath;
    std::string m_buffer;
    // A descriptor, or a HANDLE on Windows; -1 is "none" for both systems.
    std::intptr_t m_file = -1;
};

// The whole content in one atomic replacement (see AtomicFile).
void writeFileAtomic(const std::string& path, std::string_view content);

// The rename step of AtomicFile, replaceable so that tests can make the last step of a save
// fail. Returns 0 on success, else the system's error code (errno, or GetLastError() on
// Windows), so a replacement can fail the same way on every system.
using RenameFunction = std::function<int(const char* from, const char* to)>;
RenameFunction setRenameFunction(RenameFunction rename);

// The full path of the running executable; empty when the system does not tell.
std::string executablePath();

// The settings file's name: the executable's stored name (see storedFileName) with ".ini".
// Worked out on the first call, like settingsFolder().
std::string settingsFileName();

// The folder that holds the settings file and "Items.txt", with its final delimiter. Beside the
// executable when either file already lies there (a portable copy) or when the program runs
// from a build folder (see isBuildFolder); otherwise the user's own: $XDG_CONFIG_HOME/tevlo/ (by
// default ~/.config/tevlo/) on POSIX, %APPDATA%\Tevlo\ on Windows. Never the current folder.
// Relative program paths start here too, so a copy of the bar on a removable drive can name its
// programs relative to itself. Empty when the system tells neither. Worked out on the first call
// and kept: files that appear later do not move the settings of a running program.
std::string settingsFolder();
// True when the folder (with its final delimiter) is one that CMake builds in, as when the
// program runs from its own build tree; nothing of the build is compiled into the program.
bool isBuildFolder(const std::string& folder);
// The user's own settings folder, whether or not it is the one in use.
std::string userSettingsFolder();
// Creates the settings folder when it is missing, private to the user. Raises EInOutError, with
// a message that names the folder and why, when it cannot be made or written to.
void makeSettingsFolder();

// Replaces where executablePath() looks, for tests that place a program in a folder of their
// own, and works the settings folder out anew. An empty source restores the system's answer.
using ExecutablePathSource = std::function<std::string()>;
ExecutablePathSource setExecutablePathSource(ExecutablePathSource source);

// The name under which the path's folder stores the file: the exact name when it is there,
// else the first entry that differs only in letter case; on Windows the long name that
// FindFirstFileA reports, which also turns a short 8.3 name into the stored one. Empty when
// the folder holds no such entry.
std::optional<std::string> storedFileName(const std::string& path);

} // namespace platform
