#include "platform/Image.h"

#include <QPainter>

namespace platform {

TImage::TImage(QWidget* parent) : TGraphicControl(parent) {
    m_picture.OnChange = [this] { pictureChanged(); };
}

void TImage::SetStretch(bool value) {
    if (m_stretch == value)
        return;
    m_stretch = value;
    update();
}

void TImage::SetCenter(bool value) {
    if (m_center == value)
        return;
    m_center = value;
    update();
}

void TImage::SetTransparent(bool value) {
    if (m_transparent == value)
        return;
    m_transparent = value;
    if (TGraphic* graphic = m_picture.Graphic())
        graphic->SetTransparent(value);
    update();
}

QRect TImage::DestRect() const {
    if (m_stretch)
        return rect();
    QRect dest(0, 0, m_picture.Width(), m_picture.Height());
    if (m_center)
        dest.moveTo((width() - dest.width()) / 2, (height() - dest.height()) / 2);
    return dest;
}

void TImage::pictureChanged() {
    // A bitmap shown by a transparent control takes the switch on; other kinds keep their own
    // (a GIF picture is transparent from the start).
    if (auto* bitmap = dynamic_cast<TBitmap*>(m_picture.Graphic()))
        if (m_transparent && !bitmap->Transparent())
            bitmap->SetTransparent(true);
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    const TGraphic* graphic = m_picture.Graphic();
    if (!graphic || graphic->Empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    graphic->Draw(painter, DestRect());
}

} // namespace platform
