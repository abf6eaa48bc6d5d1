// A push button with a glyph, drawn in the same bevelled style as the panels and the speed
// buttons: the glyph at a margin from the left edge, the caption after it. It keeps everything
// of the platform's push button: focus, the default button's Enter, the click.
#pragma once

#include "controls/RXCtrls.h"

#include <QPushButton>

class TBitBtn : public QPushButton {
public:
    explicit TBitBtn(const QString& caption, QWidget* parent = nullptr);

    void SetGlyph(const platform::TBitmap& picture) {
        m_glyph.SetGlyph(picture);
        update();
    }
    void SetFinerGlyph(int scale, const platform::TBitmap& picture) {
        m_glyph.SetFinerGlyph(scale, picture);
        update();
    }
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int Spacing() const { return m_spacing; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TRxButtonGlyph m_glyph;
    int m_margin = -1;
    int m_spacing = 4;
};
