// Types shared by the custom controls.
#pragma once

#include <QObject>
#include <functional>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVerticalAlignment { vaTop, vaCenter, vaBottom };

using TNotifyEvent = std::function<void(QObject* Sender)>;

// Stores value; answers whether that changed anything, so setters repaint only when needed.
template <typename T> bool changeValue(T& member, T value) {
    if (member == value)
        return false;
    member = value;
    return true;
}

// The text-drawing flag of a horizontal alignment.
unsigned alignmentFormat(TAlignment alignment);

// Where a box of the given height goes in room of the height it had: at the top, centred
// (halves rounded towards zero) or at the bottom. A box taller than the room moves up.
int verticalShift(TVerticalAlignment alignment, int roomHeight, int boxHeight);
