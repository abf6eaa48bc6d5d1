// A label that works as a hyperlink, and the hand cursors of the controls.
#pragma once

#include "controls/ProCtrls.h"

// Ids of the hand cursors in the program's cursor table.
constexpr int crHandPoint = 15000;
constexpr int crSmallHandPoint = 15001;
constexpr int crGrabHand = 15002;
constexpr int crGrabHandArrow = 15003;
constexpr int crDragHand = 15004;

// Registers the five hand cursors from the program's own pictures; once, at start, before any
// window exists.
void RegisterHandCursors();

// Underlined, in a link colour, with a pointing hand; a click opens URL, or the caption when URL
// is empty, through the desktop, and the link turns to its visited colour for good.
class TProUrlLabel : public TProLabel {
    Q_OBJECT
public:
    explicit TProUrlLabel(QWidget* parent = nullptr);

    QString URL() const { return m_url; }
    void SetURL(const QString& value) { m_url = value; }
    TColor UnvisitedColor() const { return m_unvisitedColor; }
    void SetUnvisitedColor(TColor value);
    TColor ActivatedColor() const { return m_activatedColor; }
    void SetActivatedColor(TColor value) { m_activatedColor = value; }
    TColor VisitedColor() const { return m_visitedColor; }
    void SetVisitedColor(TColor value);

    bool Visited() const { return m_visited; }
    bool Pressed() const { return m_pressed; }

    // Opens the link, as a click does: through the desktop, and the link is visited from now on.
    // Enter and Space do it too when the link has the focus, and so does a screen reader.
    void Open();

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void FontChanged() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    // While the button is held the label has the pointer grabbed, and on X11 it hears of no
    // leaving or entering until the release: so it follows the pointer itself.
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    TColor StateColor() const { return m_visited ? m_visitedColor : m_unvisitedColor; }

    QString m_url;
    TColor m_unvisitedColor = clBlue;
    TColor m_activatedColor = clRed;
    TColor m_visitedColor = clNavy;
    bool m_visited = false;
    bool contains(QPoint at) const;

    bool m_pressed = false;
    bool m_pressedInside = false;
};
