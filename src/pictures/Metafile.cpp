// Our own player for Windows metafiles: enough of the record set that clip art uses, drawn
// through QPainter. Records we do not know are skipped; the file's structure is checked once
// when it loads, so drawing never has to deal with records that leave the file.
#include "pictures/Metafile.h"

#include "platform/Errors.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <variant>

// The player draws with the platform layer's pictures and colours throughout.
using namespace platform;

namespace {

constexpr std::uint32_t placeableKey = 0x9AC6CDD7;
constexpr std::size_t placeableSize = 22;
constexpr std::size_t headerSize = 18;
// More saved states than this cannot come from a sensible picture.
constexpr std::size_t maxSavedStates = 1024;
constexpr std::size_t maxObjects = 65535;

const char* const notMetafile = "Metafile is not valid";
const char* const runsPastEnd = "Metafile records run past the end of the file";

enum Function : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETPOLYFILLMODE = 0x0106,
    META_RESTOREDC = 0x0127,
    META_SETTEXTALIGN = 0x012E,
    META_SELECTOBJECT = 0x012D,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_STRETCHDIB = 0x0F43,
    // Records that make an object: each takes a slot in the object table even where we
    // cannot use the object, so that later indices stay right.
    META_CREATEPALETTE = 0x00F7,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_CREATEREGION = 0x06FF,
};

std::uint16_t u16(const std::string& b, std::size_t at) {
    return std::uint16_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    return std::uint32_t(u16(b, at)) | (std::uint32_t(u16(b, at + 2)) << 16);
}

struct Record {
    std::size_t offset; // of the parameters
    std::size_t words;  // of the parameters
    std::uint16_t function;
};

} // namespace

struct TMetafileData {
    std::string bytes;
    std::vector<Record> records;
    QRectF frame; // in logical units
    int width = 0;
    int height = 0;
    std::size_t objectCount = 0;
};

namespace {

// Reads a record's parameters; anything beyond the record reads as 0.
class Params {
public:
    Params(const std::string& bytes, const Record& r) : m_bytes(bytes), m_record(r) {}
    std::size_t words() const { return m_record.words; }
    std::uint16_t word(std::size_t i) const {
        return i < m_record.words ? u16(m_bytes, m_record.offset + 2 * i) : 0;
    }
    int i16(std::size_t i) const { return std::int16_t(word(i)); }
    std::uint32_t u32at(std::size_t i) const {
        return word(i) | (std::uint32_t(word(i + 1)) << 16);
    }
    QColor color(std::size_t i) const {
        const std::uint32_t c = u32at(i);
        return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    }
    // Bytes from word i to the record's end.
    std::string bytesFrom(std::size_t i) const {
        if (i >= m_record.words)
            return {};
        return m_bytes.substr(m_record.offset + 2 * i, 2 * (m_record.words - i));
    }
    QPointF point(std::size_t i) const { return QPointF(i16(i), i16(i + 1)); }
    // n points of (x, y) starting at word i, as many as the record holds.
    QPolygonF points(std::size_t i, std::size_t n) const {
        QPolygonF poly;
        if (i < m_record.words)
            n = std::min(n, (m_record.words - i) / 2);
        else
            n = 0;
        poly.reserve(qsizetype(n));
        for (std::size_t k = 0; k < n; ++k)
            poly << point(i + 2 * k);
        return poly;
    }

private:
    const std::string& m_bytes;
    const Record& m_record;
};

// A device-independent bitmap as records carry it: header, colours, pixels.
QImage readDib(const std::string& dib) {
    if (dib.size() < 12)
        return {};
    const std::uint32_t infoSize = u32(dib, 0);
    if (infoSize < 12 || infoSize > dib.size())
        return {};
    // 64 bits: a header may claim four billion colours, and their size must not wrap.
    std::uint64_t colors = 0;
    std::uint64_t entrySize = 3;
    if (infoSize >= 40) {
        const unsigned bits = u16(dib, 14);
        const std::uint32_t used = u32(dib, 32);
        colors = bits <= 8 ? (used ? std::min<std::uint32_t>(used, 256) : 1u << bits) : used;
        entrySize = 4;
        if (u32(dib, 16) == 3)
            colors += 3; // the three bit-field masks
    } else {
        const unsigned bits = u16(dib, 10);
        colors = bits <= 8 ? 1u << bits : 0;
    }
    const std::uint64_t pixelOffset = 14 + std::uint64_t(infoSize) + colors * entrySize;
    std::string file = "BM";
    auto put32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            file += char((v >> (8 * k)) & 0xFF);
    };
    put32(std::uint32_t(14 + dib.size()));
    put32(0);
    put32(std::uint32_t(std::min<std::uint64_t>(pixelOffset, 0xFFFFFFFF)));
    file += dib;
    QByteArray data = QByteArray::fromRawData(file.data(), qsizetype(file.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

using Object = std::variant<std::monostate, QPen, QBrush, QFont>;

struct DeviceState {
    QPen pen{QColor(Qt::black), 0};
    QBrush brush{Qt::white};
    QFont font;
    int escapement = 0;
    QColor textColor{Qt::black};
    QColor bkColor{Qt::white};
    bool opaque = true;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    int textAlign = 0;
    QPointF current;
    int mapMode = 8;
    QPointF windowOrg, windowExt, viewportOrg, viewportExt;
};

class Player {
public:
    Player(const TMetafileData& data, QPainter& painter, const QRect& dest)
        : m_data(data), m_painter(painter), m_dest(dest) {
        const QRectF& f = data.frame;
        m_dc.windowOrg = m_dc.viewportOrg = f.topLeft();
        m_dc.windowExt = m_dc.viewportExt = QPointF(f.width(), f.height());
        m_dc.font.setPixelSize(12);
        m_objects.resize(std::min(data.objectCount, maxObjects));
        updateTransform();
    }

    void play() {
        m_painter.save();
        for (const Record& r : m_data.records)
            record(Params(m_data.bytes, r), r.function);
        while (m_saved-- > 0)
            m_painter.restore();
        m_painter.restore();
    }

private:
    static double scaleOf(double num, double den) { return den == 0 ? 0 : num / den; }

    void updateTransform() {
        const QRectF& f = m_data.frame;
        // Frame units onto the destination rectangle.
        QTransform base = QTransform::fromTranslate(m_dest.left(), m_dest.top());
        base.scale(scaleOf(m_dest.width(), f.width()), scaleOf(m_dest.height(), f.height()));
        base.translate(-f.left(), -f.top());
        double sx = 1, sy = 1;
        switch (m_dc.mapMode) {
        case 2:
            sx = 96.0 / 254, sy = -sx;
            break; // 0.1 mm
        case 3:
            sx = 96.0 / 2540, sy = -sx;
            break; // 0.01 mm
        case 4:
            sx = 96.0 / 100, sy = -sx;
            break; // 0.01 inch
        case 5:
            sx = 96.0 / 1000, sy = -sx;
            break; // 0.001 inch
        case 6:
            sx = 96.0 / 1440, sy = -sx;
            break; // twips
        case 7:
        case 8:
            sx = scaleOf(m_dc.viewportExt.x(), m_dc.windowExt.x());
            sy = scaleOf(m_dc.viewportExt.y(), m_dc.windowExt.y());
            if (m_dc.mapMode == 7) {
                // Isotropic: the same scale both ways, the smaller one.
                const double s = std::min(std::abs(sx), std::abs(sy));
                sx = sx < 0 ? -s : s;
                sy = sy < 0 ? -s : s;
            }
            break;
        default:
            break;
        }
        QTransform map = QTransform::fromTranslate(m_dc.viewportOrg.x(), m_dc.viewportOrg.y());
        map.scale(sx, sy);
        map.translate(-m_dc.windowOrg.x(), -m_dc.windowOrg.y());
        m_painter.setWorldTransform(map * base);
    }

    void addObject(Object object) {
        auto free = std::find_if(m_objects.begin(), m_objects.end(),
                                 [](const std::optional<Object>& o) { return !o; });
        if (free != m_objects.end())
            *free = std::move(object);
        else if (m_objects.size() < maxObjects)
            m_objects.emplace_back(std::move(object));
    }

    void selectObject(std::size_t index) {
        if (index >= m_objects.size() || !m_objects[index])
            return;
        if (auto* pen = std::get_if<QPen>(&*m_objects[index]))
            m_dc.pen = *pen;
        else if (auto* brush = std::get_if<QBrush>(&*m_objects[index]))
            m_dc.brush = *brush;
        else if (auto* font = std::get_if<QFont>(&*m_objects[index]))
            m_dc.font = *font, m_dc.escapement = m_escapements[index];
    }

    static QPen makePen(const Params& p) {
        const int style = p.word(0) & 0xFF;
        QPen pen(p.color(3));
        pen.setWidthF(std::abs(p.i16(1)));
        switch (style) {
        case 1:
            pen.setStyle(Qt::DashLine);
            break;
        case 2:
            pen.setStyle(Qt::DotLine);
            break;
        case 3:
            pen.setStyle(Qt::DashDotLine);
            break;
        case 4:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case 5:
            pen.setStyle(Qt::NoPen);
            break;
        default:
            break;
        }
        return pen;
    }

    static QBrush makeBrush(const Params& p) {
        const QColor color = p.color(1);
        switch (p.word(0)) {
        case 0:
            return QBrush(color);
        case 2: {
            static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
            const unsigned hatch = p.word(3);
            return QBrush(color, hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
        }
        case 1:
        default:
            return QBrush(Qt::NoBrush);
        }
    }

    QFont makeFont(const Params& p, int& escapement) {
        std::string face = p.bytesFrom(9);
        face = face.substr(0, std::min<std::size_t>(face.find('\0'), 32));
        QFont font(QString::fromLatin1(face.data(), qsizetype(face.size())));
        font.setPixelSize(std::max(1, std::abs(p.i16(0))));
        const int weight = p.i16(4);
        font.setWeight(QFont::Weight(std::clamp(weight > 0 ? weight : 400, 1, 1000)));
        font.setItalic((p.word(5) & 0xFF) != 0);
        font.setUnderline((p.word(5) >> 8) != 0);
        font.setStrikeOut((p.word(6) & 0xFF) != 0);
        escapement = p.i16(2);
        return font;
    }

    void shape(const std::function<void()>& draw, bool filled = true) {
        m_painter.setPen(m_dc.pen);
        const Qt::BrushStyle style = m_dc.brush.style();
        if (filled && style >= Qt::HorPattern && style <= Qt::DiagCrossPattern && m_dc.opaque) {
            // A hatch shows the background colour between its lines when the mode is opaque.
            m_painter.setBrush(m_dc.bkColor);
            m_painter.setPen(Qt::NoPen);
            draw();
            m_painter.setPen(m_dc.pen);
        }
        m_painter.setBrush(filled ? m_dc.brush : QBrush(Qt::NoBrush));
        draw();
    }

    static QRectF box(const Params& p, std::size_t at) {
        // bottom, right, top, left as the records store them
        return QRectF(QPointF(p.i16(at + 3), p.i16(at + 2)), QPointF(p.i16(at + 1), p.i16(at)));
    }

    void text(QPointF at, const std::string& bytes, const std::optional<QRectF>& opaqueRect) {
        if (opaqueRect)
            m_painter.fillRect(*opaqueRect, m_dc.bkColor);
        const QString s = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
        if (m_dc.textAlign & 1)
            at = m_dc.current;
        const QFontMetricsF metrics(m_dc.font);
        const double width = metrics.horizontalAdvance(s);
        double dx = 0;
        if ((m_dc.textAlign & 6) == 6)
            dx = -width / 2;
        else if (m_dc.textAlign & 2)
            dx = -width;
        double dy = metrics.ascent();
        if ((m_dc.textAlign & 24) == 24)
            dy = 0;
        else if (m_dc.textAlign & 8)
            dy = -metrics.descent();
        m_painter.save();
        m_painter.translate(at);
        if (m_dc.escapement)
            m_painter.rotate(-m_dc.escapement / 10.0);
        m_painter.setFont(m_dc.font);
        if (m_dc.opaque && !opaqueRect)
            m_painter.fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()),
                               m_dc.bkColor);
        m_painter.setPen(m_dc.textColor);
        m_painter.drawText(QPointF(dx, dy), s);
        m_painter.restore();
        if (m_dc.textAlign & 1)
            m_dc.current = at + QPointF(width, 0);
    }

    void blit(const Params& p, std::size_t first, bool bottomUpSource, bool stretch,
              std::uint32_t rop) {
        // first: the word of the source height (stretching) or source y (plain)
        double srcH, srcW, srcY, srcX, dstH, dstW, dstY, dstX;
        std::size_t dib;
        if (stretch) {
            srcH = p.i16(first), srcW = p.i16(first + 1), srcY = p.i16(first + 2);
            srcX = p.i16(first + 3), dstH = p.i16(first + 4), dstW = p.i16(first + 5);
            dstY = p.i16(first + 6), dstX = p.i16(first + 7);
            dib = first + 8;
        } else {
            srcY = p.i16(first), srcX = p.i16(first + 1), dstH = srcH = p.i16(first + 2);
            dstW = srcW = p.i16(first + 3), dstY = p.i16(first + 4), dstX = p.i16(first + 5);
            dib = first + 6;
        }
        const QRectF target(dstX, dstY, dstW, dstH);
        if (dib >= p.words()) {
            // No bitmap: a pattern fill of the target.
            if (rop == 0x00F00021)
                m_painter.fillRect(target.normalized(), m_dc.brush);
            return;
        }
        const QImage image = readDib(p.bytesFrom(dib));
        if (image.isNull() || srcW == 0 || srcH == 0)
            return;
        if (bottomUpSource)
            srcY = image.height() - srcY - srcH;
        m_painter.save();
        switch (rop) {
        case 0x008800C6:
            m_painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            break;
        case 0x00EE0086:
            m_painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            break;
        case 0x00660046:
            m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        default:
            break;
        }
        m_painter.translate(dstX, dstY);
        m_painter.scale(dstW / srcW, dstH / srcH);
        m_painter.drawImage(QPointF(0, 0), image, QRectF(srcX, srcY, srcW, srcH));
        m_painter.restore();
    }

    // One record, by family; records of no family we know are skipped.
    void record(const Params& p, std::uint16_t function) {
        stateRecord(p, function) || objectRecord(p, function) || drawingRecord(p, function) ||
            textOrBitmapRecord(p, function);
    }

    // The device state: saved and restored states, modes, colours, window and viewport.
    bool stateRecord(const Params& p, std::uint16_t function) {
        switch (function) {
        case META_SAVEDC:
            saveState();
            return true;
        case META_RESTOREDC:
            restoreState(p.i16(0));
            return true;
        case META_SETBKMODE:
            m_dc.opaque = p.word(0) == 2;
            return true;
        case META_SETMAPMODE:
            m_dc.mapMode = p.word(0);
            updateTransform();
            return true;
        case META_SETPOLYFILLMODE:
            m_dc.fillRule = p.word(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            return true;
        case META_SETTEXTALIGN:
            m_dc.textAlign = p.word(0);
            return true;
        case META_SETBKCOLOR:
            m_dc.bkColor = p.color(0);
            return true;
        case META_SETTEXTCOLOR:
            m_dc.textColor = p.color(0);
            return true;
        case META_INTERSECTCLIPRECT:
            m_painter.setClipRect(box(p, 0), Qt::IntersectClip);
            return true;
        default:
            return coordinateRecord(p, function);
        }
    }

    bool coordinateRecord(const Params& p, std::uint16_t function) {
        const QPointF value(p.i16(1), p.i16(0));
        switch (function) {
        case META_SETWINDOWORG:
            m_dc.windowOrg = value;
            break;
        case META_SETWINDOWEXT:
            m_dc.windowExt = value;
            break;
        case META_SETVIEWPORTORG:
            m_dc.viewportOrg = value;
            break;
        case META_SETVIEWPORTEXT:
            m_dc.viewportExt = value;
            break;
        default:
            return false;
        }
        updateTransform();
        return true;
    }

    void saveState() {
        if (m_stack.size() >= maxSavedStates)
            return;
        m_stack.push_back(m_dc);
        m_painter.save();
        ++m_saved;
    }

    // n < 0: that many states back; n > 0: the nth state saved.
    void restoreState(int n) {
        std::size_t keep = m_stack.size();
        if (n < 0)
            keep = std::size_t(-n) <= m_stack.size() ? m_stack.size() - std::size_t(-n) : keep;
        else if (n > 0 && std::size_t(n) <= m_stack.size())
            keep = std::size_t(n) - 1;
        if (keep >= m_stack.size())
            return;
        m_dc = m_stack[keep];
        while (m_stack.size() > keep) {
            m_stack.pop_back();
            m_painter.restore();
            --m_saved;
        }
        updateTransform();
    }

    // The object table: pens, brushes, fonts and the objects we only keep a place for.
    bool objectRecord(const Params& p, std::uint16_t function) {
        switch (function) {
        case META_SELECTOBJECT:
            selectObject(p.word(0));
            return true;
        case META_DELETEOBJECT:
            if (p.word(0) < m_objects.size())
                m_objects[p.word(0)].reset();
            return true;
        case META_CREATEPENINDIRECT:
            addObject(makePen(p));
            return true;
        case META_CREATEBRUSHINDIRECT:
            addObject(makeBrush(p));
            return true;
        case META_CREATEFONTINDIRECT:
            addFont(p);
            return true;
        case META_DIBCREATEPATTERNBRUSH: {
            const QImage pattern = readDib(p.bytesFrom(2));
            addObject(pattern.isNull() ? QBrush(Qt::gray) : QBrush(pattern));
            return true;
        }
        case META_CREATEPALETTE:
        case META_CREATEPATTERNBRUSH:
        case META_CREATEREGION:
            addObject(std::monostate{});
            return true;
        default:
            return false;
        }
    }

    void addFont(const Params& p) {
        int escapement = 0;
        QFont font = makeFont(p, escapement);
        // Escapements live beside the table, by the slot the font will take.
        auto free = std::find_if(m_objects.begin(), m_objects.end(),
                                 [](const std::optional<Object>& o) { return !o; });
        m_escapements[std::size_t(free - m_objects.begin())] = escapement;
        addObject(font);
    }

    // Lines and shapes.
    bool drawingRecord(const Params& p, std::uint16_t function) {
        switch (function) {
        case META_MOVETO:
            m_dc.current = QPointF(p.i16(1), p.i16(0));
            return true;
        case META_LINETO: {
            const QPointF to(p.i16(1), p.i16(0));
            m_painter.setPen(m_dc.pen);
            m_painter.drawLine(m_dc.current, to);
            m_dc.current = to;
            return true;
        }
        case META_RECTANGLE: {
            const QRectF r = box(p, 0);
            shape([&] { m_painter.drawRect(r); });
            return true;
        }
        case META_ROUNDRECT: {
            const QRectF r = box(p, 2);
            const double rx = std::abs(p.i16(1)) / 2.0, ry = std::abs(p.i16(0)) / 2.0;
            shape([&] { m_painter.drawRoundedRect(r, rx, ry); });
            return true;
        }
        case META_ELLIPSE: {
            const QRectF r = box(p, 0);
            shape([&] { m_painter.drawEllipse(r); });
            return true;
        }
        default:
            return polyRecord(p, function);
        }
    }

    bool polyRecord(const Params& p, std::uint16_t function) {
        switch (function) {
        case META_POLYGON: {
            const QPolygonF poly = p.points(1, p.word(0));
            shape([&] { m_painter.drawPolygon(poly, m_dc.fillRule); });
            return true;
        }
        case META_POLYLINE: {
            const QPolygonF poly = p.points(1, p.word(0));
            shape([&] { m_painter.drawPolyline(poly); }, false);
            return true;
        }
        case META_POLYPOLYGON: {
            const QPainterPath path = polyPolygon(p);
            shape([&] { m_painter.drawPath(path); });
            return true;
        }
        default:
            return false;
        }
    }

    QPainterPath polyPolygon(const Params& p) const {
        const std::size_t count = p.word(0);
        QPainterPath path;
        path.setFillRule(m_dc.fillRule);
        std::size_t at = 1 + count;
        for (std::size_t k = 0; k < count && at < p.words(); ++k) {
            const std::size_t n = p.word(1 + k);
            QPolygonF poly = p.points(at, n);
            if (!poly.isEmpty())
                poly << poly.first();
            path.addPolygon(poly);
            at += 2 * n;
        }
        return path;
    }

    bool textOrBitmapRecord(const Params& p, std::uint16_t function) {
        switch (function) {
        case META_TEXTOUT: {
            const std::size_t count = p.word(0);
            const std::size_t words = (count + 1) / 2;
            text(p.point(1 + words).transposed(), p.bytesFrom(1).substr(0, count), std::nullopt);
            return true;
        }
        case META_EXTTEXTOUT:
            extTextOut(p);
            return true;
        case META_STRETCHDIB:
            blit(p, 3, true, true, p.u32at(0));
            return true;
        case META_DIBSTRETCHBLT:
            blit(p, 2, false, true, p.u32at(0));
            return true;
        case META_DIBBITBLT:
            blit(p, 2, false, false, p.u32at(0));
            return true;
        default:
            return false;
        }
    }

    void extTextOut(const Params& p) {
        const QPointF at(p.i16(1), p.i16(0));
        const std::size_t count = p.word(2);
        const unsigned options = p.word(3);
        std::size_t textAt = 4;
        std::optional<QRectF> opaqueRect;
        if (options & 6) {
            const QRectF r(QPointF(p.i16(4), p.i16(5)), QPointF(p.i16(6), p.i16(7)));
            if (options & 2)
                opaqueRect = r;
            textAt = 8;
        }
        text(at, p.bytesFrom(textAt).substr(0, count), opaqueRect);
    }

    const TMetafileData& m_data;
    QPainter& m_painter;
    QRect m_dest;
    DeviceState m_dc;
    std::vector<DeviceState> m_stack;
    int m_saved = 0;
    std::vector<std::optional<Object>> m_objects;
    std::map<std::size_t, int> m_escapements;
};

} // namespace

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

int TMetafile::Width() const {
    return m_data ? m_data->width : 0;
}

int TMetafile::Height() const {
    return m_data ? m_data->height : 0;
}

bool TMetafile::Empty() const {
    return !m_data;
}

void TMetafile::Draw(QPainter& painter, const QRect& dest) const {
    if (!m_data || m_data->frame.width() == 0 || m_data->frame.height() == 0)
        return;
    Player(*m_data, painter, dest).play();
}

void TMetafile::LoadFromStream(const std::string& bytes) {
    auto data = std::make_shared<TMetafileData>();
    data->bytes = bytes;
    const std::string& b = data->bytes;
    std::size_t at = 0;
    bool placeable = false;
    if (b.size() >= 4 && u32(b, 0) == placeableKey) {
        if (b.size() < placeableSize)
            throw EInvalidGraphicOperation(notMetafile);
        placeable = true;
        const int left = std::int16_t(u16(b, 6)), top = std::int16_t(u16(b, 8));
        const int right = std::int16_t(u16(b, 10)), bottom = std::int16_t(u16(b, 12));
        // A file that does not say its units gets the customary 1440 per inch.
        const int inch = u16(b, 14) ? u16(b, 14) : 1440;
        data->frame = QRectF(left, top, right - left, bottom - top);
        data->width = std::abs(right - left) * 96 / inch;
        data->height = std::abs(bottom - top) * 96 / inch;
        at = placeableSize;
    }
    if (b.size() < at + headerSize)
        throw EInvalidGraphicOperation(notMetafile);
    const unsigned type = u16(b, at), words = u16(b, at + 2), version = u16(b, at + 4);
    if ((type != 1 && type != 2) || words != 9 || (version != 0x0100 && version != 0x0300))
        throw EInvalidGraphicOperation(notMetafile);
    data->objectCount = u16(b, at + 10);
    at += headerSize;

    std::optional<QPointF> windowOrg, windowExt;
    while (at < b.size()) {
        if (b.size() - at < 6)
            throw EInvalidGraphicOperation(runsPastEnd);
        const std::uint32_t recordWords = u32(b, at);
        const std::uint16_t function = u16(b, at + 4);
        if (recordWords < 3)
            throw EInvalidGraphicOperation(notMetafile);
        if (recordWords > (b.size() - at) / 2)
            throw EInvalidGraphicOperation(runsPastEnd);
        if (function == META_EOF)
            break;
        const Record r{at + 6, recordWords - 3, function};
        const Params p(b, r);
        if (function == META_SETWINDOWEXT && !windowExt)
            windowExt = QPointF(p.i16(1), p.i16(0));
        if (function == META_SETWINDOWORG && !windowOrg)
            windowOrg = QPointF(p.i16(1), p.i16(0));
        data->records.push_back(r);
        at += 2 * std::size_t(recordWords);
    }
    if (!placeable) {
        const QPointF org = windowOrg.value_or(QPointF());
        const QPointF ext = windowExt.value_or(QPointF());
        data->frame = QRectF(org.x(), org.y(), ext.x(), ext.y());
        data->width = int(std::abs(ext.x()));
        data->height = int(std::abs(ext.y()));
    }
    m_data = std::move(data);
    SetPaletteModified(true);
    Changed();
}

bool TMetafile::Equals(const TGraphic& other) const {
    const auto* metafile = dynamic_cast<const TMetafile*>(&other);
    return metafile && (metafile == this || (m_data && metafile->m_data == m_data));
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
    auto copy = std::make_unique<TMetafile>();
    copy->m_data = m_data;
    copy->SetTransparent(Transparent());
    return copy;
}
