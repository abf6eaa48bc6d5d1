#include "controls/RXCtrls.h"

#include "controls/VCLUtils.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
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
    : TGraphicControl(parent), GlyphPainter(std::make_unique<TRxButtonGlyph>()) {
    resize(25, 25);
    GlyphPainter->OnGlyphChange = [this] { Invalidate(); };
    // Every pixel is painted from the face picture, so Qt need not paint what lies beneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

TRxSpeedButton::~TRxSpeedButton() {
    if (m_shortcutId != 0 && parentWidget())
        releaseShortcut(m_shortcutId);
}

void TRxSpeedButton::SetCaption(const QString& value) {
    if (!changeValue(m_caption, value))
        return;
    UpdateShortcut();
    Invalidate();
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
    if (changeValue(m_transparent, value))
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
        UpdateExclusive();
}

void TRxSpeedButton::SetDown(bool value) {
    if (m_groupIndex == 0)
        value = false;
    if (value == m_down || (m_down && !value && !m_allowAllUp))
        return;
    m_down = value;
    if (value) {
        if (m_state == FaceState::up)
            Invalidate();
        m_state = FaceState::exclusive;
        UpdateExclusive();
    } else {
        m_state = FaceState::up;
        repaint();
    }
}

void TRxSpeedButton::SetAllowAllUp(bool value) {
    if (changeValue(m_allowAllUp, value))
        UpdateExclusive();
}

void TRxSpeedButton::SetAllowTimer(bool value) {
    if (changeValue(m_allowTimer, value) && !value && AutoRepeatTimer) {
        AutoRepeatTimer->stop();
        delete AutoRepeatTimer;
        AutoRepeatTimer = nullptr;
    }
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
    connect(value, &QAction::changed, this,
            [this] { platform::guarded([this] { ActionChanged(); }); });
    // A newly linked action fills in only what the button does not have yet.
    if (m_groupIndex != 0 && !m_down && value->isCheckable())
        SetDown(value->isChecked());
    if (m_caption.isEmpty())
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

void TRxSpeedButton::UpdateExclusive() {
    QWidget* parent = parentWidget();
    if (m_groupIndex == 0 || !parent)
        return;
    for (QObject* child : parent->children())
        if (auto* button = qobject_cast<TRxSpeedButton*>(child))
            button->ButtonPressed(m_groupIndex, this);
}

void TRxSpeedButton::ButtonPressed(int group, TRxSpeedButton* sender) {
    if (group != m_groupIndex || !sender || sender == this)
        return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_state = FaceState::up;
        repaint();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void TRxSpeedButton::UpdateShortcut() {
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key);
}

void TRxSpeedButton::Click() {
    if (auto* dialog = qobject_cast<QDialog*>(window())) {
        dialog->setResult(m_modalResult);
        // Closing waits until the click's handler ran, which may still take the result back.
        if (m_modalResult != 0)
            QMetaObject::invokeMethod(
                dialog,
                [dialog] {
                    if (dialog->result() != 0)
                        dialog->done(dialog->result());
                },
                Qt::QueuedConnection);
    }
    if (OnClick)
        OnClick(this);
    else if (m_action)
        m_action->trigger();
}

bool TRxSpeedButton::CheckMenuDropdown() {
    return ShowMenu(true);
}

bool TRxSpeedButton::ShowMenu(bool /*byCode*/) {
    // Qt menus have no switch for popping up on their own, so a set menu always pops up.
    QMenu* menu = m_dropDownMenu;
    if (!menu)
        return false;
    QPoint at;
    if (m_menuPosition == dmpBottom) {
        switch (m_menuAlignment) {
        case paLeft:
            at = QPoint(-1, height());
            break;
        case paRight:
            at = QPoint(width() + 1, height());
            break;
        case paCenter:
            at = QPoint(width() / 2, height());
            break;
        }
    } else {
        switch (m_menuAlignment) {
        case paLeft:
            at = QPoint(width(), -1);
            break;
        case paRight:
            at = QPoint(-1, -1);
            break;
        case paCenter:
            at = QPoint(width() / 2, height());
            break;
        }
    }
    QPoint topLeft = mapToGlobal(at);
    const int menuWidth = menu->sizeHint().width();
    if (m_menuAlignment == paRight)
        topLeft.rx() -= menuWidth;
    else if (m_menuAlignment == paCenter)
        topLeft.rx() -= menuWidth / 2;
    auto* swallower = new MenuClickSwallower(this, menu);
    menu->setAttribute(Qt::WA_NoMouseReplay, false);
    QPointer<QMenu> guard(menu);
    menu->exec(topLeft);
    if (guard)
        delete swallower;
    return true;
}

bool TRxSpeedButton::Inside(QPoint at) const {
    // The row just below the button still counts, as it always has for these buttons.
    return at.x() >= 0 && at.x() < width() && at.y() >= 0 && at.y() <= height();
}

void TRxSpeedButton::HandlePress(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at,
                                 bool doubleClick) {
    if (m_menuShowing)
        return;
    m_captured |= button;
    if (OnMouseDown)
        OnMouseDown(this, button, shift, at.x(), at.y());
    if (!m_hot && isEnabled()) {
        m_hot = true;
        repaint();
    }
    if (button == Qt::LeftButton && isEnabled() && !doubleClick) {
        if (!m_down) {
            m_state = FaceState::down;
            repaint();
        }
        m_pressing = true;
        {
            m_menuShowing = true;
            Finally done([this] { m_menuShowing = false; });
            if (ShowMenu(false))
                FinishPress(button, at);
        }
        if (m_allowTimer) {
            if (!AutoRepeatTimer) {
                AutoRepeatTimer = new QTimer(this);
                connect(AutoRepeatTimer, &QTimer::timeout, this,
                        [this] { platform::guarded([this] { TimerExpired(); }); });
            }
            AutoRepeatTimer->setInterval(m_initPause);
            AutoRepeatTimer->start();
        }
    }
    if (button != Qt::LeftButton)
        UpdateTracking();
}

void TRxSpeedButton::FinishPress(Qt::MouseButton button, QPoint at) {
    Finally refresh([this] { UpdateTracking(); });
    if (!m_pressing || button != Qt::LeftButton)
        return;
    m_pressing = false;
    const bool inside = Inside(at);
    if (m_groupIndex == 0) {
        m_state = FaceState::up;
        m_hot = false;
        if (inside)
            repaint();
        else
            Invalidate();
    } else if (inside) {
        SetDown(!m_down);
        if (m_down)
            repaint();
    } else {
        // A grouped button that is not down must not stay drawn pressed after a release
        // outside it.
        m_state = m_down ? FaceState::exclusive : FaceState::up;
        repaint();
    }
    if (inside && !m_menuShowing)
        Click();
}

void TRxSpeedButton::TimerExpired() {
    AutoRepeatTimer->setInterval(m_repeatInterval);
    if (m_state != FaceState::down || !(m_captured & Qt::LeftButton))
        return;
    try {
        Click();
    } catch (...) {
        AutoRepeatTimer->stop();
        throw;
    }
}

void TRxSpeedButton::SetHot(bool value) {
    if (value == m_hot)
        return;
    m_hot = value;
    if (value) {
        if (m_flat)
            repaint();
        if (OnMouseEnter)
            OnMouseEnter(this);
    } else {
        if (m_flat)
            Invalidate();
        if (OnMouseLeave)
            OnMouseLeave(this);
    }
}

void TRxSpeedButton::UpdateTracking() {
    SetHot(isEnabled() && isVisible() && platform::controlUnderPointer() == this &&
           platform::applicationInForeground());
}

void TRxSpeedButton::mousePressEvent(QMouseEvent* e) {
    platform::guarded(
        [&] { HandlePress(e->button(), e->modifiers(), e->position().toPoint(), false); });
}

void TRxSpeedButton::mouseDoubleClickEvent(QMouseEvent* e) {
    platform::guarded([&] {
        if (m_menuShowing)
            return;
        HandlePress(e->button(), e->modifiers(), e->position().toPoint(), true);
        if (e->button() == Qt::LeftButton && m_down && OnDblClick)
            OnDblClick(this);
    });
}

void TRxSpeedButton::mouseMoveEvent(QMouseEvent* e) {
    platform::guarded([&] {
        const QPoint at = e->position().toPoint();
        if (OnMouseMove)
            OnMouseMove(this, e->modifiers(), at.x(), at.y());
        if (!m_pressing)
            return;
        FaceState state = m_down ? FaceState::exclusive : FaceState::up;
        if (Inside(at))
            state = m_down ? FaceState::exclusive : FaceState::down;
        if (state != m_state) {
            m_state = state;
            repaint();
        }
    });
}

void TRxSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    platform::guarded([&] {
        // A click handler that fails must not leave the repeat timer running.
        Finally stopTimer([this] {
            if (AutoRepeatTimer)
                AutoRepeatTimer->stop();
        });
        m_captured &= ~e->button();
        const QPoint at = e->position().toPoint();
        if (OnMouseUp)
            OnMouseUp(this, e->button(), e->modifiers(), at.x(), at.y());
        FinishPress(e->button(), at);
    });
}

void TRxSpeedButton::enterEvent(QEnterEvent*) {
    platform::guarded([this] {
        if (!m_hot && isEnabled() && platform::applicationInForeground())
            SetHot(true);
    });
}

void TRxSpeedButton::leaveEvent(QEvent*) {
    platform::guarded([this] {
        if (m_hot && isEnabled() && !m_pressing)
            SetHot(false);
    });
}

void TRxSpeedButton::changeEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::EnabledChange:
        platform::guarded([this] {
            // Made now so the first paint in the new look has its image at hand.
            GlyphPainter->StateImage(!isEnabled() ? FaceState::disabled
                                     : m_flat     ? FaceState::inactive
                                                  : FaceState::up);
            UpdateTracking();
            repaint();
        });
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
    TGraphicControl::changeEvent(e);
}

void TRxSpeedButton::showEvent(QShowEvent* e) {
    TGraphicControl::showEvent(e);
    platform::guarded([this] { UpdateTracking(); });
}

bool TRxSpeedButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut) {
        if (isEnabled())
            platform::guarded([this] { Click(); });
        return true;
    }
    if (e->type() == QEvent::ToolTip) {
        bool show = m_showHint;
        if (m_parentShowHint && parentWidget()) {
            const QVariant parentShows = parentWidget()->property("ShowHint");
            show = !parentShows.isValid() || parentShows.toBool();
        }
        if (!show) {
            e->ignore();
            return true;
        }
    }
    return TGraphicControl::event(e);
}

void TRxSpeedButton::SetStrikeOut(bool value) {
    if (value == m_strikeOut)
        return;
    m_strikeOut = value;
    Invalidate();
}

void TRxSpeedButton::DrawFace(QPainter& canvas, const QRect& face, FaceState look, bool dropArrow) {
    unsigned flags = alignmentFormat(GlyphPainter->Alignment);
    if (layoutDirection() == Qt::RightToLeft)
        flags |= platform::tfRtlReading;
    QColor text = palette().color(QPalette::ButtonText);
    if (m_strikeOut) {
        QFont struck = canvas.font();
        struck.setStrikeOut(true);
        canvas.setFont(struck);
        text = platform::toQColor(clGrayText);
    }
    GlyphPainter->DrawFace(canvas, face, look, m_caption, m_layout, m_margin, m_spacing, flags,
                           text, dropArrow);
}

void TRxSpeedButton::PaintFace(QPainter& canvas) {
    if (!isEnabled()) {
        m_state = FaceState::disabled;
        m_pressing = false;
    } else if (m_state == FaceState::disabled) {
        m_state = m_down && m_groupIndex != 0 ? FaceState::exclusive : FaceState::up;
    }
    FaceState look = m_state;
    if (m_flat && !m_hot)
        look = FaceState::inactive;

    canvas.setFont(font());
    canvas.fillRect(rect(), toQColor(clBtnFace));
    if (m_transparent)
        CopyParentImage(this, canvas);

    QRect r = rect();
    const bool pressed = m_state == FaceState::down || m_state == FaceState::exclusive;
    if (look != FaceState::inactive || m_state == FaceState::exclusive)
        r = DrawFrame(canvas, r, pressed, m_flat, m_style);
    else
        r.adjust(2, 2, -2, -2);
    if (m_state == FaceState::exclusive && !m_flat)
        canvas.fillRect(r.adjusted(-1, -1, 1, 1), checkerBrush());
    if (pressed)
        r.translate(1, 1);
    const FaceState faceLook = m_state != FaceState::disabled && m_grayedInactive ? look : m_state;
    DrawFace(canvas, r, faceLook, m_markDropDown && m_dropDownMenu);
}

void TRxSpeedButton::paintEvent(QPaintEvent*) {
    // The face is composed off screen and put on the screen in one piece, so the parent's
    // picture behind a transparent button never shows for a moment without the caption.
    if (size().isEmpty())
        return;
    // At the screen's own pixel density, so the caption is as sharp as the toolkit's own text.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (FaceBitmap.size() != pixels || FaceBitmap.devicePixelRatio() != ratio) {
        FaceBitmap = QImage(pixels, QImage::Format_RGB32);
        FaceBitmap.setDevicePixelRatio(ratio);
    }
    platform::guarded([this] {
        QPainter canvas(&FaceBitmap);
        PaintFace(canvas);
    });
    QPainter painter(this);
    painter.drawImage(0, 0, FaceBitmap);
}
