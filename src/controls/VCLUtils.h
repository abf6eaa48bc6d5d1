// Drawing helpers for controls that let what lies behind them show through.
#pragma once

class QPainter;
class QWidget;

// Paints into canvas, whose origin is control's top-left corner, what lies behind control:
// its parent's own painting (colour, bevel, nothing of the children), then every visible
// window-less sibling that comes before control in the parent's order and overlaps it. Siblings
// after it and windowed ones stay out, so a control never shows what is drawn over it.
void CopyParentImage(QWidget* control, QPainter& canvas);

// Whether what Qt paints beneath a control that leaves pixels unpainted is what CopyParentImage
// would paint there. Qt paints the parent and every sibling before control, windowed or not,
// and the parent's background only when the parent fills it; so the answer is no where a
// windowed sibling before control overlaps it, or where the parent leaves its background
// unpainted.
bool ParentImageComposedByQt(const QWidget* control);
