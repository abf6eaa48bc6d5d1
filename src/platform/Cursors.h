// The program's cursor table: cursors registered under numeric ids and looked up by them.
#pragma once

#include <QCursor>

namespace platform {

void registerCursor(int id, const QCursor& cursor);
bool isCursorRegistered(int id);
// The cursor registered under id; the ordinary arrow for an id nobody registered.
QCursor cursorFor(int id);

} // namespace platform
