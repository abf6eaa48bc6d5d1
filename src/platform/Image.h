// A control that shows one picture: at its own size in the top-left corner, centred, or
// stretched over the whole control.
#pragma once

#include "platform/GraphicControl.h"
#include "platform/Graphics.h"

#include <QWidget>

namespace platform {

// Window-less, so a transparent button in front of it shows its picture.
class TImage : public TGraphicControl {
public:
    explicit TImage(QWidget* parent = nullptr);

    TPicture& Picture() { return m_picture; }
    const TPicture& Picture() const { return m_picture; }

    bool Stretch() const { return m_stretch; }
    void SetStretch(bool value);
    bool Center() const { return m_center; }
    void SetCenter(bool value);
    // Passed on to every picture the control shows, so the parent shows through the
    // picture's transparent parts.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);

    // Where the picture lands within the control.
    QRect DestRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pictureChanged();

    TPicture m_picture;
    bool m_stretch = false;
    bool m_center = false;
    bool m_transparent = false;
};

} // namespace platform
