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

using platform::colorToRGB;
using platform::TBitmap;
using platform::toQColor;

std::unique_ptr<TGlyphCache> SharedGlyphCache;

namespace {

constexpr int MaxCaptionLength = 255;

// The first n characters, one fewer when the cut would split a surrogate pair.
QString leftChars(const QString& text, int n) {
    n = std::clamp(n, 0, int(text.size()));
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QRgb plainRgb(TColor color) {
    return toQColor(color).rgb() & 0xFFFFFF;
}

void fillPixel(QImage& image, int x, int y, QRgb rgb) {
    if (image.valid(x, y))
        image.setPixel(x, y, 0xFF000000u | rgb);
}

// Frame edges: top and left in one colour, bottom and right in the other; the corners at the
// top right and bottom left belong to the bottom-right colour.
void frame3D(QPainter& canvas, QRect& r, TColor topLeft, TColor bottomRight) {
    const QColor a = toQColor(topLeft);
    const QColor b = toQColor(bottomRight);
    canvas.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), a);
    canvas.fillRect(QRect(r.left(), r.top(), 1, r.height()), a);
    canvas.fillRect(QRect(r.right(), r.top(), 1, r.height()), b);
    canvas.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), b);
    r.adjust(1, 1, -1, -1);
}

void DrawDropMark(QPainter& canvas, int x, int y, const QColor& color) {
    for (int row = 0; row < 4; ++row)
        canvas.fillRect(QRect(x + row, y - 1 + row, 7 - 2 * row, 1), color);
}

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
// Image lists

TGlyphList::TGlyphList(int width, int height) : m_width(width), m_height(height) {}

bool TGlyphList::SlotInUse(int slot) const {
    return slot >= 0 && std::size_t(slot) < SlotsInUse.size() && SlotsInUse[std::size_t(slot)];
}

int TGlyphList::TakeSlot() {
    auto free = std::find(SlotsInUse.begin(), SlotsInUse.end(), false);
    const auto slot = std::size_t(free - SlotsInUse.begin());
    if (free == SlotsInUse.end()) {
        QImage empty(m_width, m_height, QImage::Format_ARGB32);
        empty.fill(Qt::transparent);
        m_images.push_back(empty);
        SlotsInUse.push_back(false);
    }
    SlotsInUse[slot] = true;
    return int(slot);
}

int TGlyphList::AddKeyed(const TBitmap& picture, TColor key) {
    const int slot = TakeSlot();
    m_images[std::size_t(slot)] =
        platform::keyedImage(picture.image().copy(0, 0, m_width, m_height), key);
    ++m_liveCount;
    return slot;
}

void TGlyphList::FreeSlot(int slot) {
    if (!SlotInUse(slot))
        return;
    SlotsInUse[std::size_t(slot)] = false;
    --m_liveCount;
}

void TGlyphList::Draw(QPainter& painter, int slot, int x, int y) const {
    if (slot >= 0 && slot < Count())
        painter.drawImage(x, y, m_images[std::size_t(slot)]);
}

TGlyphList* TGlyphCache::ListFor(int width, int height) {
    for (auto it = m_lists.rbegin(); it != m_lists.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height)
            return it->get();
    m_lists.push_back(std::make_unique<TGlyphList>(width, height));
    return m_lists.back().get();
}

void TGlyphCache::DropList(TGlyphList* list) {
    if (!list || list->LiveCount() != 0)
        return;
    auto it = std::find_if(m_lists.begin(), m_lists.end(),
                           [list](const auto& owned) { return owned.get() == list; });
    if (it != m_lists.end())
        m_lists.erase(it);
}

// ---------------------------------------------------------------------------------------------
// Glyph renderer

QString EllipsizeText(const QPainter& canvas, const QString& text, int width) {
    QString result = text;
    const int length = int(text.size());
    for (int i = 1; i <= length && platform::textWidth(canvas, result) > width;) {
        ++i;
        result = leftChars(text, length - i) + QStringLiteral("...");
    }
    return result;
}

TRxButtonGlyph::TRxButtonGlyph() {
    if (!SharedGlyphCache)
        SharedGlyphCache = std::make_unique<TGlyphCache>();
    SourcePicture.OnChange = [this] { PictureChanged(); };
}

TRxButtonGlyph::~TRxButtonGlyph() {
    SourcePicture.OnChange = nullptr;
    DropImages();
    if (SharedGlyphCache && SharedGlyphCache->IsEmpty())
        SharedGlyphCache.reset();
}

void TRxButtonGlyph::SetGlyph(const TBitmap& picture) {
    DropImages();
    SourcePicture.Assign(picture);
}

void TRxButtonGlyph::SetNumGlyphs(int value) {
    value = std::min(value, 5);
    if (value < 1 || value == m_numGlyphs)
        return;
    DropImages();
    m_numGlyphs = value;
}

void TRxButtonGlyph::PictureChanged() {
    DropImages();
    const int width = SourcePicture.Width();
    const int height = SourcePicture.Height();
    if (height > 0) {
        m_keyColor = SourcePicture.TransparentColor();
        // A strip of square cells tells its own cell count; a zero-width picture tells nothing.
        if (width > 0 && width % height == 0) {
            const int cells = width / height;
            m_numGlyphs = cells > 5 ? 1 : cells;
        }
    }
    if (OnGlyphChange)
        OnGlyphChange();
}

int TRxButtonGlyph::StateImage(FaceState look) {
    int index = int(look);
    if (look == FaceState::down && m_numGlyphs < 3)
        index = int(FaceState::up);
    if (StateIndex[std::size_t(index)] != -1)
        return StateIndex[std::size_t(index)];
    const int width = SourcePicture.Width();
    const int height = SourcePicture.Height();
    if (width <= 0 || height <= 0 || SourcePicture.Empty())
        return -1;
    const int cellWidth = width / m_numGlyphs;
    if (cellWidth <= 0)
        return -1;
    if (!m_cellList) {
        if (!SharedGlyphCache)
            SharedGlyphCache = std::make_unique<TGlyphCache>();
        m_cellList = SharedGlyphCache->ListFor(cellWidth, height);
    }

    const auto cell = [&](int n) {
        return SourcePicture.image()
            .copy(n * cellWidth, 0, cellWidth, height)
            .convertToFormat(QImage::Format_RGB32);
    };
    const int source = index < m_numGlyphs ? index : 0;
    const QRgb key = plainRgb(m_keyColor);
    int slot = -1;
    switch (FaceState(index)) {
    case FaceState::disabled:
        if (m_numGlyphs < 2) {
            // Emboss: only the black pixels survive, as a highlight one pixel down and right
            // under a shadow in place.
            const QImage from = cell(0);
            QImage result(cellWidth, height, QImage::Format_RGB32);
            result.fill(toQColor(clBtnFace));
            const QRgb highlight = plainRgb(clBtnHighlight);
            const QRgb shadow = plainRgb(clBtnShadow);
            for (int pass = 0; pass < 2; ++pass)
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < cellWidth; ++x)
                        if ((from.pixel(x, y) & 0xFFFFFF) == 0) {
                            if (pass == 0)
                                fillPixel(result, x + 1, y + 1, highlight);
                            else
                                fillPixel(result, x, y, shadow);
                        }
            slot = m_cellList->AddKeyed(TBitmap(result), clBtnFace);
        } else {
            slot = m_cellList->AddKeyed(TBitmap(cell(1)), m_keyColor);
        }
        break;
    case FaceState::inactive:
        if (m_numGlyphs < 5) {
            QImage grey = cell(0);
            for (int y = 0; y < height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
                for (int x = 0; x < cellWidth; ++x) {
                    const QRgb p = line[x] & 0xFFFFFF;
                    if (p == key)
                        continue;
                    const int g = (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) / 256;
                    line[x] = qRgb(g, g, g);
                }
            }
            slot = m_cellList->AddKeyed(TBitmap(grey), m_keyColor);
        } else {
            slot = m_cellList->AddKeyed(TBitmap(cell(4)), m_keyColor);
        }
        break;
    default:
        slot = m_cellList->AddKeyed(TBitmap(cell(source)), m_keyColor);
        break;
    }
    StateIndex[std::size_t(index)] = slot;
    SourcePicture.ReleaseHandle();
    return slot;
}

void TRxButtonGlyph::DropImages() {
    for (int& slot : StateIndex) {
        if (m_cellList && slot != -1)
            m_cellList->FreeSlot(slot);
        slot = -1;
    }
    if (SharedGlyphCache)
        SharedGlyphCache->DropList(m_cellList);
    m_cellList = nullptr;
}

QString TRxButtonGlyph::FitCaption(const QPainter& canvas, const QString& caption,
                                   int width) const {
    QString text = leftChars(caption, MaxCaptionLength);
    if (WordWrap)
        return text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = EllipsizeText(canvas, line, width);
    QString joined = lines.join(QLatin1String("\r\n"));
    while (!joined.isEmpty() && joined.back() <= QLatin1Char(' '))
        joined.chop(1);
    return joined;
}

TFaceLayout TRxButtonGlyph::LayoutFace(const QPainter& canvas, const QRect& face,
                                       const QString& caption, TButtonLayout layout, int margin,
                                       int spacing, bool dropArrow) {
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    const QSize F = face.size();
    QSize G(0, 0);
    if (!SourcePicture.Empty())
        G = QSize(SourcePicture.Width() / m_numGlyphs, SourcePicture.Height());

    int W = 0;
    int H = 0;
    if (horizontal) {
        W = F.width() - G.width() - 2;
        if (margin != -1)
            W -= margin;
        if (spacing != -1)
            W -= spacing;
        if (dropArrow)
            W -= 9;
        H = F.height() - 2;
    } else {
        W = F.width() - 2;
        H = F.height() - G.height() - 2;
        if (margin != -1)
            H -= margin;
        if (spacing != -1)
            H -= spacing;
    }
    W = std::max(W, 0);
    H = std::max(H, 0);

    TFaceLayout out;
    out.Caption = FitCaption(canvas, caption, W);
    QRect box(0, 0, 0, 0);
    if (!out.Caption.isEmpty()) {
        box = QRect(0, 0, W, 0);
        // The painter is only read from: measuring draws nothing.
        platform::drawText(const_cast<QPainter&>(canvas), out.Caption, box,
                           platform::tfCalcRect | platform::tfCenter |
                               (WordWrap ? platform::tfWordBreak : 0u));
        box.setWidth(std::clamp(box.width(), 0, W));
        box.setHeight(std::clamp(box.height(), 0, H));
    }
    QSize T = box.size();

    if (dropArrow) {
        if (G.width() == 0 || G.height() == 0 || layout == blGlyphLeft)
            T.rwidth() += 9;
        else
            G.rwidth() += 6;
    }

    QPoint glyphPos;
    QPoint textPos;
    if (horizontal) {
        glyphPos.setY(F.height() / 2 - G.height() / 2);
        textPos.setY(F.height() / 2 - T.height() / 2);
    } else {
        glyphPos.setX(F.width() / 2 - G.width() / 2);
        textPos.setX(F.width() / 2 - T.width() / 2);
    }

    if (T.width() == 0 || G.width() == 0)
        spacing = 0;

    const int f = horizontal ? F.width() : F.height();
    const int g = horizontal ? G.width() : G.height();
    const int t = horizontal ? T.width() : T.height();
    // Each half is rounded on its own, so an odd room puts the content a pixel up or left.
    if (margin == -1 && spacing == -1) {
        margin = (f - (g + t)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = f / 2 - (g + spacing + t) / 2;
    } else if (spacing == -1) {
        spacing = (f - (margin + g)) / 2 - t / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        glyphPos.setX(margin);
        textPos.setX(glyphPos.x() + G.width() + spacing);
        break;
    case blGlyphRight:
        glyphPos.setX(F.width() - margin - G.width());
        textPos.setX(glyphPos.x() - spacing - T.width());
        break;
    case blGlyphTop:
        glyphPos.setY(margin);
        textPos.setY(glyphPos.y() + G.height() + spacing);
        break;
    case blGlyphBottom:
        glyphPos.setY(F.height() - margin - G.height());
        textPos.setY(glyphPos.y() - spacing - T.height());
        break;
    }

    out.GlyphPos = glyphPos + face.topLeft();
    out.CaptionBox = box.translated(face.topLeft() + textPos);
    return out;
}

void TRxButtonGlyph::DrawCaption(QPainter& canvas, const QString& caption, const QRect& box,
                                 FaceState look, unsigned textFlags,
                                 const QColor& textColor) const {
    if (caption.isEmpty())
        return;
    const unsigned flags =
        textFlags | platform::tfVerticalCenter | (WordWrap ? platform::tfWordBreak : 0u);
    canvas.save();
    if (look == FaceState::disabled) {
        // An engraved look that reads the same whatever colour the font has.
        QRect shifted = box.translated(1, 1);
        canvas.setPen(QColor(255, 255, 255));
        platform::drawText(canvas, caption, shifted, flags);
        QRect inPlace = box;
        canvas.setPen(QColor(128, 128, 128));
        platform::drawText(canvas, caption, inPlace, flags);
    } else {
        QRect inPlace = box;
        canvas.setPen(textColor);
        platform::drawText(canvas, caption, inPlace, flags);
    }
    canvas.restore();
}

TFaceLayout TRxButtonGlyph::DrawFace(QPainter& canvas, const QRect& face, FaceState look,
                                     const QString& caption, TButtonLayout layout, int margin,
                                     int spacing, unsigned textFlags, const QColor& textColor,
                                     bool dropArrow) {
    const TFaceLayout placed =
        LayoutFace(canvas, face, caption, layout, margin, spacing, dropArrow);
    QSize drawn(0, 0);
    if (!SourcePicture.Empty()) {
        const int slot = StateImage(look);
        if (slot != -1 && m_cellList) {
            m_cellList->Draw(canvas, slot, placed.GlyphPos.x(), placed.GlyphPos.y());
            drawn = QSize(m_cellList->Width(), m_cellList->Height());
        }
    }
    DrawCaption(canvas, placed.Caption, placed.CaptionBox, look, textFlags, textColor);

    if (dropArrow) {
        int x = 0;
        int y = 0;
        if (layout != blGlyphLeft && SourcePicture.Width() > 0) {
            x = placed.GlyphPos.x() + drawn.width() + 1;
            y = placed.GlyphPos.y() + drawn.height() / 2;
        } else {
            const QRect& box = placed.CaptionBox;
            x = placed.Caption.isEmpty() ? (face.left() + face.left() + face.width() - 7) / 2
                                         : box.left() + box.width() + 3;
            y = box.top() + box.height() / 2;
        }
        if (look == FaceState::disabled) {
            DrawDropMark(canvas, x + 1, y + 1, toQColor(clBtnHighlight));
            DrawDropMark(canvas, x, y, toQColor(clBtnShadow));
        } else {
            DrawDropMark(canvas, x, y, toQColor(clBtnText));
        }
    }
    return placed;
}

// ---------------------------------------------------------------------------------------------
// Frames

QRect DrawFrame(QPainter& canvas, QRect r, bool pressed, bool flat, TButtonStyle style) {
    // Every desktop this runs on draws the newer style of controls.
    const bool newStyle = style != bsWin31;
    if (!pressed) {
        if (newStyle && flat) {
            frame3D(canvas, r, clBtnHighlight, clBtnShadow);
        } else if (newStyle) {
            frame3D(canvas, r, clBtnHighlight, clWindowFrame);
            frame3D(canvas, r, clBtnFace, clBtnShadow);
        } else if (flat) {
            frame3D(canvas, r, clBtnHighlight, clWindowFrame);
        } else {
            frame3D(canvas, r, clWindowFrame, clWindowFrame);
            frame3D(canvas, r, clBtnHighlight, clBtnShadow);
        }
    } else if (flat) {
        frame3D(canvas, r, clWindowFrame, clBtnHighlight);
    } else if (newStyle) {
        frame3D(canvas, r, clWindowFrame, clBtnHighlight);
        frame3D(canvas, r, clBtnShadow, clBtnFace);
    } else {
        frame3D(canvas, r, clWindowFrame, clWindowFrame);
        const QColor shadow = toQColor(clBtnShadow);
        canvas.fillRect(QRect(r.left(), r.top(), 1, r.height()), shadow);
        canvas.fillRect(QRect(r.left(), r.top(), r.width(), 1), shadow);
    }
    return r.adjusted(1, 1, -1, -1);
}

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

void TRxSpeedButton::DrawFace(QPainter& canvas, const QRect& face, FaceState look, bool dropArrow) {
    unsigned flags = alignmentFormat(GlyphPainter->Alignment);
    if (layoutDirection() == Qt::RightToLeft)
        flags |= platform::tfRtlReading;
    GlyphPainter->DrawFace(canvas, face, look, m_caption, m_layout, m_margin, m_spacing, flags,
                           palette().color(QPalette::ButtonText), dropArrow);
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
    if (FaceBitmap.size() != size())
        FaceBitmap = QImage(size(), QImage::Format_RGB32);
    platform::guarded([this] {
        QPainter canvas(&FaceBitmap);
        PaintFace(canvas);
    });
    QPainter painter(this);
    painter.drawImage(0, 0, FaceBitmap);
}
