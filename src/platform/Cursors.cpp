#include "platform/Cursors.h"

#include <map>

namespace platform {

namespace {

std::map<int, QCursor>& table() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

} // namespace

void registerCursor(int id, const QCursor& cursor) {
    table()[id] = cursor;
}

bool isCursorRegistered(int id) {
    return table().count(id) != 0;
}

QCursor cursorFor(int id) {
    const auto found = table().find(id);
    return found == table().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

} // namespace platform
