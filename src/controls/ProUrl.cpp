#include "controls/ProUrl.h"

#include "platform/Cursors.h"
#include "platform/Errors.h"
#include "platform/Graphics.h"
#include "platform/Shell.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QScreen>
#include <utility>

static void initCursorResources() {
    Q_INIT_RESOURCE(cursors);
}

void RegisterHandCursors() {
    initCursorResources();
    struct Row {
        int id;
        const char* name;
        int hotX;
        int hotY;
    };
    static const Row rows[] = {
        {crHandPoint, "PRO_HANDPOINT", 6, 0}, {crSmallHandPoint, "PRO_SMALLHANDPOINT", 13, 9},
        {crGrabHand, "PRO_GRABHAND", 4, 2},   {crGrabHandArrow, "PRO_GRABHANDARROW", 0, 0},
        {crDragHand, "PRO_DRAGHAND", 0, 0},
    };
    // The drawing for the main screen's pixel density: twice or three times the size, with the
    // hot spot where it was, in the screen's device-independent pixels.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal density = screen ? screen->devicePixelRatio() : 1.0;
    const int scale = density > 2.0 ? 3 : density > 1.0 ? 2 : 1;
    const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
    for (const Row& row : rows) {
        QPixmap picture = QPixmap::fromImage(platform::readOwnImage(
            QStringLiteral(":/cursors/") + QLatin1String(row.name) + suffix, "XPM"));
        // A missing picture leaves the id to the ordinary arrow rather than an empty cursor.
        if (picture.isNull())
            continue;
        picture.setDevicePixelRatio(scale);
        platform::registerCursor(row.id, QCursor(picture, row.hotX, row.hotY));
    }
}

TProUrlLabel::TProUrlLabel(QWidget* parent) : TProLabel(parent) {
    QFont underlined = font();
    underlined.setBold(false);
    underlined.setItalic(false);
    underlined.setStrikeOut(false);
    underlined.setUnderline(true);
    setFont(underlined);
    SetFontColor(clBlue);
    setCursor(platform::cursorFor(crHandPoint));
    // A link is reached with Tab, as in a web page.
    setFocusPolicy(Qt::StrongFocus);
}

void TProUrlLabel::Open() {
    m_visited = true;
    SetFontColor(m_visitedColor);
    platform::shellOpen(window(), m_url.isEmpty() ? Caption() : m_url);
}

void TProUrlLabel::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) &&
        e->modifiers() == 0) {
        Open();
        return;
    }
    TProLabel::keyPressEvent(e);
}

void TProUrlLabel::paintEvent(QPaintEvent* e) {
    TProLabel::paintEvent(e);
    if (!hasFocus())
        return;
    QPainter canvas(this);
    // Dots of black over white: seen on any panel.
    const QRectF ring = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    canvas.setPen(QPen(Qt::white, 1));
    canvas.drawRect(ring);
    canvas.setPen(QPen(Qt::black, 1, Qt::DotLine));
    canvas.drawRect(ring);
}

void TProUrlLabel::SetUnvisitedColor(TColor value) {
    if (value == m_unvisitedColor)
        return;
    if (!m_visited)
        SetFontColor(value);
    m_unvisitedColor = value;
}

void TProUrlLabel::SetVisitedColor(TColor value) {
    if (value == m_visitedColor)
        return;
    if (m_visited)
        SetFontColor(value);
    m_visitedColor = value;
}

void TProUrlLabel::FontChanged() {
    // Outside a press the font colour is the colour of the link's state.
    if (m_pressed)
        return;
    if (m_visited)
        m_visitedColor = FontColor();
    else
        m_unvisitedColor = FontColor();
}

void TProUrlLabel::mousePressEvent(QMouseEvent* e) {
    TProLabel::mousePressEvent(e);
    m_pressed = true;
    m_pressedInside = true;
    SetFontColor(m_activatedColor);
}

void TProUrlLabel::mouseMoveEvent(QMouseEvent* e) {
    TProLabel::mouseMoveEvent(e);
    if (!m_pressed)
        return;
    const bool inside = contains(e->position().toPoint());
    if (inside == std::exchange(m_pressedInside, inside))
        return;
    SetFontColor(inside ? m_activatedColor : StateColor());
}

void TProUrlLabel::mouseReleaseEvent(QMouseEvent* e) {
    TProLabel::mouseReleaseEvent(e);
    const bool inside = contains(e->position().toPoint());
    const bool open = inside && m_pressed;
    // Released before the address is opened, so a failed opening leaves no press behind.
    m_pressed = false;
    if (open)
        Open();
    else if (!inside)
        SetFontColor(StateColor());
}

void TProUrlLabel::MouseEnter() {
    TProLabel::MouseEnter();
    if (m_pressed) {
        m_pressedInside = true;
        SetFontColor(m_activatedColor);
    }
}

void TProUrlLabel::MouseLeave() {
    TProLabel::MouseLeave();
    if (m_pressed) {
        m_pressedInside = false;
        SetFontColor(StateColor());
    }
}

bool TProUrlLabel::contains(QPoint at) const {
    // The edges themselves count as inside, one pixel past the last column and row too.
    return at.x() >= 0 && at.y() >= 0 && at.y() <= height() && at.x() <= width();
}
