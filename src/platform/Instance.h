// One running bar per settings folder: two bars on the same files would each write back their
// own copy at the end, and the one that ends last would undo what the other saved.
#pragma once

#include <memory>
#include <string>

class QLockFile;

namespace platform {

class InstanceLock {
public:
    // Locks the settings file's folder for this process, with a lock file beside the settings
    // file. A lock left by a process that is gone is taken over. When another running program
    // holds it, that program is asked to show itself and acquired() is false. When the folder
    // allows no lock file at all (read-only media), the program runs without one: it cannot
    // save there either.
    explicit InstanceLock(const std::string& settingsFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool acquired() const { return m_acquired; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = true;
};

} // namespace platform
