// A label that rotates, shifts and shadows its caption, and a panel with chosen bevel sides.
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

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
enum TSide { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TSides = unsigned;
constexpr TSides AllSides = sdLeft | sdTop | sdRight | sdBottom;

// Draws a ring of the given width on the chosen sides, top and left in one colour, bottom and
// right in the other, and shrinks r on those sides only.
void DrawRing(QPainter& canvas, QRect& r, TSides sides, int width, const QColor& topLeft,
              const QColor& bottomRight);

// A container with a caption whose bevels and border are drawn on chosen sides only.
class TProCustomPanel : public QWidget {
    Q_OBJECT
public:
    explicit TProCustomPanel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TPanelBevel BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool value);

    bool BevelCtl3D() const { return m_bevelCtl3D; }
    void SetBevelCtl3D(bool value);
    TSides BevelSides() const { return m_bevelSides; }
    void SetBevelSides(TSides value);
    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor value);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();

    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void DrawBevel(QPainter& canvas, QRect& r, TPanelBevel kind) const;
    // Children laid out by Qt stay inside the bevels and the border.
    void UpdateMargins();
    void Changed();

    QString m_caption;
    TAlignment m_alignment = taCenter;
    TColor m_color = clBtnFace;
    TPanelBevel m_bevelOuter = bvRaised;
    TPanelBevel m_bevelInner = bvNone;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    TBorderStyle m_borderStyle = bsNone;
    bool m_ctl3D = true;
    bool m_bevelCtl3D = false;
    TSides m_bevelSides = AllSides;
    TColor m_borderColor = clBtnFace;
    TVerticalAlignment m_verticalAlignment = vaCenter;
};

class TProPanel : public TProCustomPanel {
    Q_OBJECT
public:
    using TProCustomPanel::TProCustomPanel;
};
