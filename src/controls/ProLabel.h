// A label drawn on its parent's surface that rotates, shifts and shadows its caption.
#pragma once

#include "controls/ControlTypes.h"
#include "platform/Colors.h"
#include "platform/GraphicControl.h"

#include <QWidget>

class QPainter;

enum TShadowStyle { ssNone, ssCustom, ssRaised, ssRecessed, ssShadow, ssThickShadow };
enum TDirection {
    drNone,
    drUp,
    drDown,
    drLeft,
    drRight,
    drUpLeft,
    drUpRight,
    drDownLeft,
    drDownRight
};
enum TTextLayout { tlTop, tlCenter, tlBottom };
using TShadowDepth = unsigned short;
using TShadowSize = unsigned short;
constexpr int MaxShadowSteps = 1280;

// One step of a direction: dx to the right, dy downwards.
QPoint directionStep(TDirection direction);

// Where a label's caption goes: the box its text is drawn into (or, rotated, whose top-left
// corner the text starts at) and whether it is rotated.
struct TCaptionPlace {
    QRect Box;
    bool Rotated = false;
};

// A label drawn on its parent's surface, with the ordinary label's properties.
class TProCustomLabel : public platform::TGraphicControl {
    Q_OBJECT
public:
    explicit TProCustomLabel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool value);
    // The background; follows the parent's until set.
    TColor Color() const;
    void SetColor(TColor value);
    TColor FontColor() const;
    void SetFontColor(TColor value);

    int Angle() const { return m_angle; }
    void SetAngle(int value);
    int OffsetX() const { return m_offsetX; }
    void SetOffsetX(int value);
    int OffsetY() const { return m_offsetY; }
    void SetOffsetY(int value);
    TShadowStyle ShadowStyle() const { return m_shadowStyle; }
    void SetShadowStyle(TShadowStyle value);
    TDirection ShadowDirection() const { return m_shadowDirection; }
    void SetShadowDirection(TDirection value);
    TShadowDepth ShadowDepth() const { return m_shadowDepth; }
    void SetShadowDepth(int value);
    TShadowSize ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(int value);
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor value);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);
    TTextLayout Layout() const { return TTextLayout(m_verticalAlignment); }
    void SetLayout(TTextLayout value) { SetVerticalAlignment(TVerticalAlignment(value)); }

    // Where the caption is drawn, as the paint computes it on canvas (which has the font).
    TCaptionPlace PlaceCaption(QPainter& canvas) const;
    // The height of the caption laid out in the label's width, in its font, as it is drawn.
    int CaptionHeight() const;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();
    // The font or its colour changed.
    virtual void FontChanged() {}

    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    unsigned TextFormat() const;
    void DrawCaption(QPainter& canvas, const TCaptionPlace& place) const;
    void AdjustBounds();
    template <typename T> bool ChangeShadow(T& member, T value);

    QString m_caption;
    TAlignment m_alignment = taLeftJustify;
    bool m_wordWrap = false;
    bool m_autoSize = true;
    bool m_transparent = false;
    bool m_showAccelChar = true;
    TColor m_color = clNone; // clNone: the parent's

    int m_angle = 0;
    double AngleCos = 1.0;
    double AngleSin = 0.0;
    int m_offsetX = 0;
    int m_offsetY = 0;
    TShadowStyle m_shadowStyle = ssNone;
    TDirection m_shadowDirection = drNone;
    TShadowDepth m_shadowDepth = 0;
    TShadowSize m_shadowSize = 0;
    TColor m_shadowColor = clBtnShadow;
    TVerticalAlignment m_verticalAlignment = vaTop;
    bool ApplyingStyle = false;
};

class TProLabel : public TProCustomLabel {
    Q_OBJECT
public:
    using TProCustomLabel::TProCustomLabel;
};
