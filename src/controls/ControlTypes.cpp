#include "controls/ControlTypes.h"

#include "platform/Canvas.h"

unsigned alignmentFormat(TAlignment alignment) {
    switch (alignment) {
    case taLeftJustify:
        return platform::tfLeft;
    case taRightJustify:
        return platform::tfRight;
    case taCenter:
        break;
    }
    return platform::tfCenter;
}

int verticalShift(TVerticalAlignment alignment, int roomHeight, int boxHeight) {
    const int difference = roomHeight - boxHeight;
    switch (alignment) {
    case vaTop:
        return 0;
    case vaCenter:
        return difference / 2;
    case vaBottom:
        return difference;
    }
    return 0;
}
