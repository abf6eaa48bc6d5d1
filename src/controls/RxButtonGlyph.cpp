// The glyph renderer of the speed button: image lists shared between buttons, the looks made
// from a glyph's cells, the layout of glyph and caption, and the button frames.
#include "controls/RXCtrls.h"

#include "platform/Canvas.h"

#include <QPainter>
#include <algorithm>

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

// Only the black pixels survive, as a highlight one pixel down and right under a shadow in
// place; everything else becomes the face colour.
QImage embossed(const QImage& cell) {
    QImage result(cell.size(), QImage::Format_RGB32);
    result.fill(toQColor(clBtnFace));
    const QRgb highlight = plainRgb(clBtnHighlight);
    const QRgb shadow = plainRgb(clBtnShadow);
    for (int pass = 0; pass < 2; ++pass)
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                if ((cell.pixel(x, y) & 0xFFFFFF) == 0) {
                    if (pass == 0)
                        fillPixel(result, x + 1, y + 1, highlight);
                    else
                        fillPixel(result, x, y, shadow);
                }
    return result;
}

// Every pixel but the key colour's turned to the grey of its brightness.
QImage greyed(QImage cell, QRgb key) {
    for (int y = 0; y < cell.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
        for (int x = 0; x < cell.width(); ++x) {
            const QRgb p = line[x] & 0xFFFFFF;
            if (p == key)
                continue;
            const int g = (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) / 256;
            line[x] = qRgb(g, g, g);
        }
    }
    return cell;
}

bool isHorizontal(TButtonLayout layout) {
    return layout == blGlyphLeft || layout == blGlyphRight;
}

// What the face leaves for the caption beside the glyph, a pixel from each edge, and the margin,
// spacing and arrow where they take fixed room.
QSize captionRoom(QSize face, QSize glyph, TButtonLayout layout, int margin, int spacing,
                  bool dropArrow) {
    const int fixed = (margin != -1 ? margin : 0) + (spacing != -1 ? spacing : 0);
    QSize room(face.width() - 2, face.height() - 2);
    if (isHorizontal(layout))
        room.rwidth() -= glyph.width() + fixed + (dropArrow ? 9 : 0);
    else
        room.rheight() -= glyph.height() + fixed;
    return room.expandedTo(QSize(0, 0));
}

// Where glyph and caption start within the face.
struct TPlacement {
    QPoint glyph;
    QPoint caption;
};

// Glyph and caption centred across the layout's axis and, along it, at the margin and spacing;
// either left at -1 is worked out from the room that is left. Each half is rounded on its own,
// so an odd room puts the content a pixel up or left.
TPlacement placeFace(QSize face, QSize glyph, QSize text, TButtonLayout layout, int margin,
                     int spacing) {
    const bool horizontal = isHorizontal(layout);
    TPlacement at;
    if (horizontal) {
        at.glyph.setY(face.height() / 2 - glyph.height() / 2);
        at.caption.setY(face.height() / 2 - text.height() / 2);
    } else {
        at.glyph.setX(face.width() / 2 - glyph.width() / 2);
        at.caption.setX(face.width() / 2 - text.width() / 2);
    }
    if (text.width() == 0 || glyph.width() == 0)
        spacing = 0;
    const int f = horizontal ? face.width() : face.height();
    const int g = horizontal ? glyph.width() : glyph.height();
    const int t = horizontal ? text.width() : text.height();
    if (margin == -1 && spacing == -1) {
        margin = (f - (g + t)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = f / 2 - (g + spacing + t) / 2;
    } else if (spacing == -1) {
        spacing = (f - (margin + g)) / 2 - t / 2;
    }
    // The glyph comes first from the left or top edge, or last before the right or bottom one.
    const bool glyphFirst = layout == blGlyphLeft || layout == blGlyphTop;
    const int glyphAt = glyphFirst ? margin : f - margin - g;
    const int captionAt = glyphFirst ? glyphAt + g + spacing : glyphAt - spacing - t;
    if (horizontal) {
        at.glyph.setX(glyphAt);
        at.caption.setX(captionAt);
    } else {
        at.glyph.setY(glyphAt);
        at.caption.setY(captionAt);
    }
    return at;
}

void DrawDropMark(QPainter& canvas, int x, int y, const QColor& color) {
    for (int row = 0; row < 4; ++row)
        canvas.fillRect(QRect(x + row, y - 1 + row, 7 - 2 * row, 1), color);
}

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

void TRxButtonGlyph::SetFinerGlyph(int scale, const TBitmap& picture) {
    SetFinerGlyphSource(scale, [picture] { return picture; });
}

void TRxButtonGlyph::SetFinerGlyphSource(int scale, std::function<TBitmap()> load) {
    std::erase_if(m_finer, [scale](const Finer& finer) { return finer.scale == scale; });
    const auto place = std::find_if(m_finer.begin(), m_finer.end(),
                                    [scale](const Finer& finer) { return finer.scale > scale; });
    m_finer.insert(place, Finer{scale, std::move(load), nullptr});
}

TRxButtonGlyph* TRxButtonGlyph::FinerArt(Finer& finer) {
    if (!finer.art && finer.load) {
        finer.art = std::make_unique<TRxButtonGlyph>();
        finer.art->SetGlyph(finer.load());
        finer.art->SetNumGlyphs(m_numGlyphs);
        finer.load = nullptr;
    }
    return finer.art.get();
}

void TRxButtonGlyph::DrawGlyph(QPainter& canvas, QPoint at, FaceState look) {
    const int slot = StateImage(look);
    if (slot == -1 || !m_cellList)
        return;
    const qreal density = canvas.device() ? canvas.device()->devicePixelRatioF() : 1.0;
    TRxButtonGlyph* art = nullptr;
    int scale = 1;
    if (density > 1.0) {
        for (Finer& finer : m_finer) {
            art = FinerArt(finer);
            scale = finer.scale;
            if (finer.scale >= density)
                break;
        }
    }
    const int fineSlot = art ? art->StateImage(look) : -1;
    if (fineSlot == -1 || !art->m_cellList) {
        m_cellList->Draw(canvas, slot, at.x(), at.y());
        return;
    }
    // A canvas of exactly the art's density takes it pixel for pixel; any other is fitted
    // smoothly, never stretched pixel by pixel into uneven blocks.
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, scale != density);
    canvas.drawImage(QRect(at, QSize(m_cellList->Width(), m_cellList->Height())),
                     art->m_cellList->Image(fineSlot));
    canvas.restore();
}

void TRxButtonGlyph::SetGlyph(const TBitmap& picture) {
    m_finer.clear();
    DropImages();
    SourcePicture.Assign(picture);
}

void TRxButtonGlyph::SetNumGlyphs(int value) {
    value = std::min(value, 5);
    if (value < 1 || value == m_numGlyphs)
        return;
    DropImages();
    m_numGlyphs = value;
    for (const Finer& finer : m_finer)
        if (finer.art)
            finer.art->SetNumGlyphs(value);
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
    const int slot = AddLook(FaceState(index));
    StateIndex[std::size_t(index)] = slot;
    SourcePicture.ReleaseHandle();
    return slot;
}

QImage TRxButtonGlyph::Cell(int n) const {
    const int cellWidth = SourcePicture.Width() / m_numGlyphs;
    return SourcePicture.image()
        .copy(n * cellWidth, 0, cellWidth, SourcePicture.Height())
        .convertToFormat(QImage::Format_RGB32);
}

int TRxButtonGlyph::AddLook(FaceState look) {
    switch (look) {
    case FaceState::disabled:
        if (m_numGlyphs < 2)
            return m_cellList->AddKeyed(TBitmap(embossed(Cell(0))), clBtnFace);
        return m_cellList->AddKeyed(TBitmap(Cell(1)), m_keyColor);
    case FaceState::inactive:
        if (m_numGlyphs < 5)
            return m_cellList->AddKeyed(TBitmap(greyed(Cell(0), plainRgb(m_keyColor))), m_keyColor);
        return m_cellList->AddKeyed(TBitmap(Cell(4)), m_keyColor);
    default:
        return m_cellList->AddKeyed(TBitmap(Cell(int(look) < m_numGlyphs ? int(look) : 0)),
                                    m_keyColor);
    }
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

QRect TRxButtonGlyph::MeasureCaption(const QPainter& canvas, const QString& caption,
                                     QSize room) const {
    if (caption.isEmpty())
        return QRect(0, 0, 0, 0);
    QRect box(0, 0, room.width(), 0);
    // The painter is only read from: measuring draws nothing.
    platform::drawText(const_cast<QPainter&>(canvas), caption, box,
                       platform::tfCalcRect | platform::tfCenter |
                           (WordWrap ? platform::tfWordBreak : 0u));
    box.setWidth(std::clamp(box.width(), 0, room.width()));
    box.setHeight(std::clamp(box.height(), 0, room.height()));
    return box;
}

TFaceLayout TRxButtonGlyph::LayoutFace(const QPainter& canvas, const QRect& face,
                                       const QString& caption, TButtonLayout layout, int margin,
                                       int spacing, bool dropArrow) {
    QSize glyph(0, 0);
    if (!SourcePicture.Empty())
        glyph = QSize(SourcePicture.Width() / m_numGlyphs, SourcePicture.Height());
    const QSize room = captionRoom(face.size(), glyph, layout, margin, spacing, dropArrow);
    TFaceLayout out;
    out.Caption = FitCaption(canvas, caption, room.width());
    const QRect box = MeasureCaption(canvas, out.Caption, room);
    QSize text = box.size();
    // The arrow goes after the caption, or after a glyph that stands above, below or after it.
    if (dropArrow) {
        if (glyph.width() == 0 || glyph.height() == 0 || layout == blGlyphLeft)
            text.rwidth() += 9;
        else
            glyph.rwidth() += 6;
    }
    const TPlacement placed = placeFace(face.size(), glyph, text, layout, margin, spacing);
    out.GlyphPos = placed.glyph + face.topLeft();
    out.CaptionBox = box.translated(face.topLeft() + placed.caption);
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
        DrawGlyph(canvas, placed.GlyphPos, look);
        if (m_cellList)
            drawn = QSize(m_cellList->Width(), m_cellList->Height());
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
