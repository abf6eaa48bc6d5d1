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
    // file. When a running bar certainly holds it (the lock names this machine, and its process
    // is this user's and runs a program of our name), that bar is asked to show itself and
    // acquired() is false. Any other lock, whatever it holds, is stale and taken over; no other
    // process is ever signalled. When no lock can be had at all (a folder in the lock file's
    // place, read-only media), the program runs without one and problem() says why.
    explicit InstanceLock(const std::string& settingsFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool acquired() const { return m_acquired; }
    // Empty, or a message that names the lock file and why it could not be used.
    const std::string& problem() const { return m_problem; }

private:
    bool heldByRunningBar() const;

    std::string m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = true;
    std::string m_problem;
};

} // namespace platform
