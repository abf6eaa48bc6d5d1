#include "platform/Instance.h"

#include "platform/Application.h"

#include <QFile>
#include <QLockFile>

namespace platform {

InstanceLock::InstanceLock(const std::string& settingsFile)
    : m_lock(std::make_unique<QLockFile>(
          QFile::decodeName(QByteArray::fromStdString(settingsFile + ".lock")))) {
    // A bar runs for weeks: only a lock whose process has ended is stale, never an old one.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return;
    if (m_lock->error() != QLockFile::LockFailedError)
        return;
    m_acquired = false;
    qint64 holder = 0;
    if (m_lock->getLockInfo(&holder, nullptr, nullptr))
        requestRaise(long(holder));
}

InstanceLock::~InstanceLock() = default;

} // namespace platform
