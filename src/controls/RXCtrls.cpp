#include "controls/RXCtrls.h"

#include "controls/VCLUtils.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"

#include <QAction>
#include <QButtonGroup>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <algorithm>

using platform::TBitmap;
using platform::toQColor;

namespace {

// Pixels that alternate like a chess board, so a button that stays down reads as "held".
QBrush checkerBrush() {
    QImage pattern(8, 8, QImage::Format_RGB32);
    const QRgb face = toQColor(clBtnFace).rgb();
    const QRgb light = toQColor(clBtnHighlight).rgb();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x + y) % 2 == 0 ? face : light);
    return QBrush(pattern);
}

// Runs at the end of a scope also when an event handler raised.
template <typename F> class Finally {
public:
    explicit Finally(F f) : m_f(std::move(f)) {}
    ~Finally() { m_f(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F m_f;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Speed button

namespace {

// Keeps the click that closes a button's menu from pressing the button again: Qt would
// otherwise deliver that click to the button once the menu is gone.
class MenuClickSwallower : public QObject {
public:
    MenuClickSwallower(QWidget* button, QMenu* menu) : QObject(menu), m_button(button) {
        menu->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = m_button ? m_button->mapFromGlobal(mouse->globalPosition().toPoint())
                                       : QPoint(-1, -1);
            if (mouse->button() == Qt::LeftButton && m_button && m_button->rect().contains(at))
                static_cast<QWidget*>(watched)->setAttribute(Qt::WA_NoMouseReplay);
        }
        return false;
    }

private:
    QPointer<QWidget> m_button;
};

} // namespace

TRxSpeedButton::TRxSpeedButton(QWidget* parent)
    : QAbstractButton(parent), GlyphPainter(std::make_unique<TRxButtonGlyph>()) {
    resize(25, 25);
    GlyphPainter->OnGlyphChange = [this] { Invalidate(); };
    // A tool-bar button takes the focus only where its owner puts it in the Tab order.
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(16, 16));
    // Every pixel is the face's own until the button is made transparent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAutoRepeatDelay(500);
    setAutoRepeatInterval(100);
    // Made first, so the dialog's result is set before any handler connected later runs.
    connect(this, &QAbstractButton::clicked, this, [this] { Clicked(); });
    connect(this, &QAbstractButton::toggled, this, [this](bool down) {
        if (down)
            RaiseOthers();
    });
}

void TRxSpeedButton::SetCaption(const QString& value) {
    if (value == text())
        return;
    setText(value);
    UpdateAccessibleName();
}

void TRxSpeedButton::SetHint(const QString& value) {
    setToolTip(value);
    UpdateAccessibleName();
}

void TRxSpeedButton::SetSpokenName(const QString& value) {
    m_spokenName = value;
    UpdateAccessibleName();
}

void TRxSpeedButton::UpdateAccessibleName() {
    // Qt names a button by its caption; a glyph-only button is named by its hint instead.
    const QString name = !m_spokenName.isEmpty() ? m_spokenName
                         : text().isEmpty()      ? toolTip()
                                                 : QString();
    if (name != accessibleName())
        setAccessibleName(name);
}

void TRxSpeedButton::SetGlyph(const TBitmap& value) {
    GlyphPainter->SetGlyph(value);
    Invalidate();
}

void TRxSpeedButton::SetFinerGlyph(int scale, const TBitmap& value) {
    GlyphPainter->SetFinerGlyph(scale, value);
    Invalidate();
}

void TRxSpeedButton::SetFinerGlyphSource(int scale, std::function<TBitmap()> load) {
    GlyphPainter->SetFinerGlyphSource(scale, std::move(load));
}

void TRxSpeedButton::SetNumGlyphs(int value) {
    value = std::min(value, 5);
    if (value == GlyphPainter->NumGlyphs())
        return;
    GlyphPainter->SetNumGlyphs(value);
    Invalidate();
}

void TRxSpeedButton::SetLayout(TButtonLayout value) {
    if (changeValue(m_layout, value))
        Invalidate();
}

void TRxSpeedButton::SetMargin(int value) {
    if (value >= -1 && changeValue(m_margin, value))
        Invalidate();
}

void TRxSpeedButton::SetSpacing(int value) {
    if (changeValue(m_spacing, value))
        Invalidate();
}

void TRxSpeedButton::SetAlignment(TAlignment value) {
    if (changeValue(GlyphPainter->Alignment, value))
        Invalidate();
}

void TRxSpeedButton::SetWordWrap(bool value) {
    if (changeValue(GlyphPainter->WordWrap, value))
        Invalidate();
}

void TRxSpeedButton::SetFlat(bool value) {
    if (changeValue(m_flat, value))
        Invalidate();
}

void TRxSpeedButton::SetTransparent(bool value) {
    if (!changeValue(m_transparent, value))
        return;
    // A transparent button leaves the pixels around its caption to what Qt paints beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    Invalidate();
}

void TRxSpeedButton::SetGrayedInactive(bool value) {
    if (changeValue(m_grayedInactive, value))
        Invalidate();
}

void TRxSpeedButton::SetStyle(TButtonStyle value) {
    if (changeValue(m_style, value))
        Invalidate();
}

void TRxSpeedButton::SetGroupIndex(int value) {
    if (changeValue(m_groupIndex, value))
        JoinGroup();
}

void TRxSpeedButton::SetDown(bool value) {
    // Qt refuses to raise the one button down in an exclusive group; a button of a group that
    // has no parent yet is held to the same rule here.
    if (value || AllowAllUp())
        setChecked(value);
}

bool TRxSpeedButton::AllowAllUp() const {
    return group() ? !group()->exclusive() : m_allowAllUp;
}

void TRxSpeedButton::SetAllowAllUp(bool value) {
    m_allowAllUp = value;
    if (group())
        group()->setExclusive(!value);
}

void TRxSpeedButton::JoinGroup() {
    if (QButtonGroup* old = group()) {
        old->removeButton(this);
        if (old->buttons().isEmpty())
            old->deleteLater();
    }
    // Only a grouped button can stay down; leaving the group raises it.
    setCheckable(m_groupIndex != 0);
    QWidget* parent = parentWidget();
    if (m_groupIndex == 0 || !parent)
        return;
    QButtonGroup* joined = nullptr;
    for (auto* candidate : parent->findChildren<QButtonGroup*>(Qt::FindDirectChildrenOnly))
        if (candidate->property("GroupIndex").toInt() == m_groupIndex)
            joined = candidate;
    if (!joined) {
        joined = new QButtonGroup(parent);
        joined->setProperty("GroupIndex", m_groupIndex);
    }
    // The newcomer's AllowAllUp becomes the group's.
    joined->setExclusive(!m_allowAllUp);
    joined->addButton(this);
    RaiseOthers();
}

void TRxSpeedButton::RaiseOthers() {
    // An exclusive group raises the others by itself; one whose buttons may all be up is no
    // exclusive group to Qt, yet still keeps at most one of them down.
    if (!isChecked() || !group() || group()->exclusive())
        return;
    for (QAbstractButton* other : group()->buttons())
        if (other != this)
            other->setChecked(false);
}

void TRxSpeedButton::nextCheckState() {
    // A click repeated while the button is held leaves Down alone: only the release toggles it.
    if (!isDown())
        QAbstractButton::nextCheckState();
}

FaceState TRxSpeedButton::State() const {
    if (!isEnabled())
        return FaceState::disabled;
    if (isChecked())
        return FaceState::exclusive;
    return isDown() ? FaceState::down : FaceState::up;
}

void TRxSpeedButton::SetDropDownMenu(QMenu* value) {
    if (value == m_dropDownMenu)
        return;
    if (m_dropDownMenu)
        disconnect(m_dropDownMenu, nullptr, this, nullptr);
    m_dropDownMenu = value;
    if (value) {
        connect(value, &QObject::destroyed, this, [this] {
            m_dropDownMenu = nullptr;
            if (m_markDropDown)
                Invalidate();
        });
    }
    if (m_markDropDown)
        Invalidate();
}

void TRxSpeedButton::SetMarkDropDown(bool value) {
    if (changeValue(m_markDropDown, value))
        Invalidate();
}

void TRxSpeedButton::SetParentFont(bool value) {
    if (value == ParentFont())
        return;
    // An empty font has nothing of its own and so takes everything from the parent.
    setFont(value ? QFont() : font());
    if (!value)
        setAttribute(Qt::WA_SetFont);
}

void TRxSpeedButton::SetAction(QAction* value) {
    if (value == m_action)
        return;
    if (m_action)
        disconnect(m_action, nullptr, this, nullptr);
    m_action = value;
    if (!value)
        return;
    connect(value, &QAction::changed, this, [this] { ActionChanged(); });
    // A newly linked action fills in only what the button does not have yet.
    if (m_groupIndex != 0 && !Down() && value->isCheckable())
        SetDown(value->isChecked());
    if (Caption().isEmpty())
        SetCaption(value->text());
    if (Hint().isEmpty())
        SetHint(value->toolTip());
    if (Glyph().Empty())
        ActionChanged();
}

void TRxSpeedButton::ActionChanged() {
    QAction* action = m_action;
    if (!action)
        return;
    if (m_groupIndex != 0 && action->isCheckable())
        SetDown(action->isChecked());
    SetCaption(action->text());
    SetHint(action->toolTip());
    setEnabled(action->isEnabled());
    setVisible(action->isVisible());
    if (Glyph().Empty() && !action->icon().isNull()) {
        const QList<QSize> sizes = action->icon().availableSizes();
        const QSize size = sizes.isEmpty() ? QSize(16, 16) : sizes.first();
        QImage image(size, QImage::Format_RGB32);
        image.fill(toQColor(clFuchsia));
        {
            QPainter painter(&image);
            action->icon().paint(&painter, image.rect());
        }
        TBitmap picture(image);
        picture.SetTransparentColor(clFuchsia);
        SetGlyph(picture);
    }
}

void TRxSpeedButton::Clicked() {
    if (auto* dialog = qobject_cast<QDialog*>(window())) {
        dialog->setResult(m_modalResult);
        // Closing waits until the click's handlers ran, which may still take the result back.
        if (m_modalResult != 0)
            QMetaObject::invokeMethod(
                dialog,
                [dialog] {
                    if (dialog->result() != 0)
                        dialog->done(dialog->result());
                },
                Qt::QueuedConnection);
    }
    if (m_action)
        m_action->trigger();
}

bool TRxSpeedButton::CheckMenuDropdown() {
    return ShowMenu(true);
}

QPoint TRxSpeedButton::MenuPoint(int menuWidth) const {
    QPoint at;
    if (m_menuAlignment == paCenter)
        at = QPoint(width() / 2, height());
    else if (m_menuPosition == dmpBottom)
        at = m_menuAlignment == paLeft ? QPoint(-1, height()) : QPoint(width() + 1, height());
    else
        at = m_menuAlignment == paLeft ? QPoint(width(), -1) : QPoint(-1, -1);
    QPoint topLeft = mapToGlobal(at);
    if (m_menuAlignment == paRight)
        topLeft.rx() -= menuWidth;
    else if (m_menuAlignment == paCenter)
        topLeft.rx() -= menuWidth / 2;
    return topLeft;
}

bool TRxSpeedButton::ShowMenu(bool /*byCode*/) {
    // Qt menus have no switch for popping up on their own, so a set menu always pops up.
    QMenu* menu = m_dropDownMenu;
    if (!menu)
        return false;
    const QPoint topLeft = MenuPoint(menu->sizeHint().width());
    auto* swallower = new MenuClickSwallower(this, menu);
    menu->setAttribute(Qt::WA_NoMouseReplay, false);
    QPointer<QMenu> guard(menu);
    menu->exec(topLeft);
    if (guard)
        delete swallower;
    return true;
}

bool TRxSpeedButton::hitButton(const QPoint& pos) const {
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void TRxSpeedButton::HandlePress(QMouseEvent* e, bool doubleClick) {
    emit mouseDown(e->button(), e->modifiers(), e->position().toPoint());
    if (!m_hot && isEnabled()) {
        m_hot = true;
        repaint();
    }
    if (e->button() != Qt::LeftButton) {
        UpdateTracking();
        return;
    }
    // The second press of a double click presses nothing, so a double click is one click.
    if (!isEnabled() || doubleClick)
        return;
    QAbstractButton::mousePressEvent(e);
    m_pressing = true;
    m_menuShowing = true;
    Finally done([this] { m_menuShowing = false; });
    if (ShowMenu(false))
        FinishMenuPress(e->position().toPoint());
}

void TRxSpeedButton::FinishMenuPress(QPoint at) {
    // The press ends with the menu, as a release where it began would end it, without a click.
    Finally refresh([this] { UpdateTracking(); });
    m_pressing = false;
    setDown(false);
    if (m_groupIndex == 0)
        m_hot = false;
    else if (hitButton(at))
        SetDown(!Down());
}

void TRxSpeedButton::timerEvent(QTimerEvent* e) {
    // A repeated click whose handler opened a window (an error's message box) while it ran
    // ends the repeating: that window has the mouse now, and every further tick would open
    // another one.
    if (m_repeating) {
        m_pressing = false;
        setDown(false);
        return;
    }
    m_repeating = true;
    Finally done([this] { m_repeating = false; });
    QAbstractButton::timerEvent(e);
}

void TRxSpeedButton::SetHot(bool value) {
    if (value == m_hot)
        return;
    m_hot = value;
    if (value) {
        if (m_flat)
            repaint();
        emit mouseEntered();
    } else {
        if (m_flat)
            Invalidate();
        emit mouseLeft();
    }
}

void TRxSpeedButton::UpdateTracking() {
    SetHot(isEnabled() && isVisible() && platform::controlUnderPointer() == this &&
           platform::applicationInForeground());
}

// The mouse handlers keep every event they are given, as the button always did: none reaches
// the bar's body underneath, which would take it for the start of moving the window.
void TRxSpeedButton::mousePressEvent(QMouseEvent* e) {
    if (!m_menuShowing)
        HandlePress(e, false);
    e->accept();
}

void TRxSpeedButton::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!m_menuShowing) {
        HandlePress(e, true);
        if (e->button() == Qt::LeftButton && Down())
            emit doubleClicked();
    }
    e->accept();
}

void TRxSpeedButton::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMoved(e->modifiers(), e->position().toPoint());
    // Qt's button goes up while the pointer is dragged off it and down again when it is back.
    if (m_pressing)
        QAbstractButton::mouseMoveEvent(e);
    e->accept();
}

void TRxSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    // Also when the click's handler fails, which the application's safety net then reports.
    Finally refresh([this] { UpdateTracking(); });
    emit mouseUp(e->button(), e->modifiers(), e->position().toPoint());
    if (m_pressing && e->button() == Qt::LeftButton) {
        m_pressing = false;
        // Drawn released, and cold, before its click runs.
        if (m_groupIndex == 0)
            m_hot = false;
        QAbstractButton::mouseReleaseEvent(e);
    }
    e->accept();
}

void TRxSpeedButton::enterEvent(QEnterEvent*) {
    if (!m_hot && isEnabled() && platform::applicationInForeground())
        SetHot(true);
}

void TRxSpeedButton::leaveEvent(QEvent*) {
    if (m_hot && isEnabled() && !m_pressing)
        SetHot(false);
}

void TRxSpeedButton::changeEvent(QEvent* e) {
    QAbstractButton::changeEvent(e);
    switch (e->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled())
            m_pressing = false;
        // Made now so the first paint in the new look has its image at hand.
        GlyphPainter->StateImage(!isEnabled() ? FaceState::disabled
                                 : m_flat     ? FaceState::inactive
                                              : FaceState::up);
        UpdateTracking();
        repaint();
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        // Disabled glyphs are made from the desktop's colours.
        GlyphPainter->DropImages();
        Invalidate();
        break;
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
        Invalidate();
        break;
    default:
        break;
    }
}

void TRxSpeedButton::showEvent(QShowEvent* e) {
    QAbstractButton::showEvent(e);
    UpdateTracking();
}

bool TRxSpeedButton::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        // Qt's buttons keep the mouse even when disabled; this one lets it through to what
        // lies beneath, as it always has, so the bar moves when its body is dragged there.
        if (!isEnabled())
            return QWidget::event(e);
        break;
    case QEvent::Shortcut:
        // The accelerator clicks at once, as it always has, not after Qt's animated press.
        click();
        return true;
    case QEvent::ParentChange:
        if (m_groupIndex != 0)
            JoinGroup();
        break;
    case QEvent::ToolTip: {
        bool show = m_showHint;
        if (m_parentShowHint && parentWidget()) {
            const QVariant parentShows = parentWidget()->property("ShowHint");
            show = !parentShows.isValid() || parentShows.toBool();
        }
        if (!show) {
            e->ignore();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QAbstractButton::event(e);
}

void TRxSpeedButton::SetStrikeOut(bool value) {
    if (value == m_strikeOut)
        return;
    m_strikeOut = value;
    Invalidate();
}

void TRxSpeedButton::SetStrikeOutColor(const QColor& value) {
    m_strikeOutColor = value;
    if (m_strikeOut)
        Invalidate();
}

namespace {

// The density of what the painter really draws on: a widget paints into its window's backing
// store, or into the picture that a grab or a render hands it.
qreal drawnDensity(const QPainter& canvas) {
    const QPaintDevice* target =
        canvas.paintEngine() ? canvas.paintEngine()->paintDevice() : canvas.device();
    return target ? target->devicePixelRatioF() : 1.0;
}

} // namespace

void TRxSpeedButton::DrawFace(QPainter& canvas, const QRect& face, FaceState look, bool dropArrow) {
    unsigned flags = alignmentFormat(GlyphPainter->Alignment);
    if (layoutDirection() == Qt::RightToLeft)
        flags |= platform::tfRtlReading;
    QColor text = palette().color(QPalette::ButtonText);
    if (m_strikeOut) {
        QFont struck = canvas.font();
        struck.setStrikeOut(true);
        canvas.setFont(struck);
        text = m_strikeOutColor.isValid() ? m_strikeOutColor : platform::toQColor(clGrayText);
    }
    QRect room = face;
    if (!icon().isNull()) {
        // At the button's left margin, vertically centred, drawn from the size that suits the
        // screen's density; the caption centres in the room to its right.
        const QSize side = iconSize();
        const FaceState state = State();
        const int pressed = state == FaceState::down || state == FaceState::exclusive;
        const QRect place(
            QPoint(IconMargin, (height() - side.height()) / 2) + QPoint(pressed, pressed), side);
        const QIcon::Mode mode =
            m_strikeOut || look == FaceState::disabled ? QIcon::Disabled : QIcon::Normal;
        canvas.drawPixmap(place, icon().pixmap(side, drawnDensity(canvas), mode));
        room.setLeft(place.right() + 1);
    }
    GlyphPainter->DrawFace(canvas, room, look, Caption(), m_layout, m_margin, m_spacing, flags,
                           text, dropArrow);
}

void TRxSpeedButton::PaintFace(QPainter& canvas) {
    const FaceState state = State();
    FaceState look = state;
    if (m_flat && !m_hot)
        look = FaceState::inactive;

    canvas.setFont(font());
    // Qt has painted what lies behind a transparent button already, unless that is not what the
    // button shows behind itself (a windowed control before it); then the face paints it.
    if (!m_transparent || !ParentImageComposedByQt(this)) {
        canvas.fillRect(rect(), toQColor(clBtnFace));
        if (m_transparent)
            CopyParentImage(this, canvas);
    }

    QRect r = rect();
    const bool pressed = state == FaceState::down || state == FaceState::exclusive;
    if (look != FaceState::inactive || state == FaceState::exclusive)
        r = DrawFrame(canvas, r, pressed, m_flat, m_style);
    else
        r.adjust(2, 2, -2, -2);
    if (state == FaceState::exclusive && !m_flat)
        canvas.fillRect(r.adjusted(-1, -1, 1, 1), checkerBrush());
    if (pressed)
        r.translate(1, 1);
    const FaceState faceLook = state != FaceState::disabled && m_grayedInactive ? look : state;
    DrawFace(canvas, r, faceLook, m_markDropDown && m_dropDownMenu);
}

void TRxSpeedButton::paintEvent(QPaintEvent*) {
    // Qt composes the face off screen in its backing store and shows it in one piece, so the
    // picture behind a transparent button never shows for a moment without the caption.
    QPainter canvas(this);
    PaintFace(canvas);
    if (hasFocus() && m_focusFrame) {
        // Dots of black over white: seen on any face, colour or picture.
        const QRectF ring = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        canvas.setPen(QPen(Qt::white, 1));
        canvas.drawRect(ring);
        canvas.setPen(QPen(Qt::black, 1, Qt::DotLine));
        canvas.drawRect(ring);
    }
}

void TRxSpeedButton::focusInEvent(QFocusEvent* e) {
    // The frame shows where the keyboard is, once the keyboard is being used: a click that
    // brings the bar to the front gives its first button the focus without one.
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason ||
        e->reason() == Qt::ShortcutFocusReason)
        m_focusFrame = true;
    else if (e->reason() != Qt::ActiveWindowFocusReason)
        m_focusFrame = false;
    QAbstractButton::focusInEvent(e);
}

void TRxSpeedButton::keyPressEvent(QKeyEvent* e) {
    if (!m_focusFrame) {
        m_focusFrame = true;
        update();
    }
    // Enter presses a focused button as Space does, as a keyboard user expects of any button.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == 0 &&
        isEnabled()) {
        click();
        return;
    }
    // The arrows are the owner's (the bar steps its sections with them) unless the button is
    // one of a group, where they move between its buttons.
    const bool arrow = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down ||
                       e->key() == Qt::Key_Left || e->key() == Qt::Key_Right;
    if (arrow && m_groupIndex == 0) {
        e->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}
