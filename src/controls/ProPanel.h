// A panel whose bevels and border are drawn on chosen sides only.
#pragma once

#include "controls/ControlTypes.h"
#include "platform/Colors.h"

#include <QWidget>

class QPainter;

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
