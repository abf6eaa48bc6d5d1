#include "platform/Graphics.h"

#include "platform/Memory.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <map>

namespace platform {

void TGraphic::SetTransparent(bool value) {
    if (m_transparent == value)
        return;
    m_transparent = value;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange)
        OnChange();
}

void TGraphic::Progress(TProgressStage stage, int percent, const std::string& message) {
    if (OnProgress)
        OnProgress(stage, percent, message);
}

void TGraphic::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot change the size of this picture");
}

void TGraphic::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot change the size of this picture");
}

void TGraphic::LoadFromStream(const std::string&) {
    throw EInvalidGraphicOperation("This picture cannot be loaded from a stream");
}

void TGraphic::LoadFromFile(const std::string& path) {
    LoadFromBytes(readFile(path));
}

namespace {

// Reads one image of the given format from memory. Qt's readers refuse images beyond their
// allocation limit, so a hostile header cannot make us allocate gigabytes.
QImage readImage(const std::string& bytes, const char* format) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

std::vector<TColor> paletteOf(const QImage& image) {
    std::vector<TColor> colors;
    for (QRgb c : image.colorTable())
        colors.push_back(rgb(qRed(c), qGreen(c), qBlue(c)));
    return colors;
}

} // namespace

TBitmap::TBitmap(int width, int height) : m_image(width, height, QImage::Format_RGB32) {
    m_image.fill(Qt::white);
}

TBitmap::TBitmap(QImage image) : m_image(std::move(image)) {}

void TBitmap::Draw(QPainter& painter, const QRect& dest) const {
    if (Empty())
        return;
    if (Transparent())
        painter.drawImage(dest, keyedImage(m_image, TransparentColor()));
    else
        painter.drawImage(dest, m_image);
}

void TBitmap::SetWidth(int value) {
    if (value == Width())
        return;
    QImage resized(std::max(value, 0), Height(), QImage::Format_RGB32);
    resized.fill(Qt::white);
    QPainter(&resized).drawImage(0, 0, m_image);
    m_image = resized;
    Changed();
}

void TBitmap::SetHeight(int value) {
    if (value == Height())
        return;
    QImage resized(Width(), std::max(value, 0), QImage::Format_RGB32);
    resized.fill(Qt::white);
    QPainter(&resized).drawImage(0, 0, m_image);
    m_image = resized;
    Changed();
}

void TBitmap::LoadFromStream(const std::string& bytes) {
    QImage image = readImage(bytes, "BMP");
    if (image.isNull())
        throw EInvalidGraphicOperation("Bitmap image is not valid");
    m_image = std::move(image);
    m_palette.clear();
    SetPaletteModified(true);
    Changed();
}

std::vector<TColor> TBitmap::Palette() const {
    return m_image.colorCount() > 0 ? paletteOf(m_image) : m_palette;
}

bool TBitmap::Equals(const TGraphic& other) const {
    const auto* bitmap = dynamic_cast<const TBitmap*>(&other);
    if (!bitmap)
        return false;
    if (bitmap == this)
        return true;
    if (Empty() || bitmap->Empty())
        return Empty() == bitmap->Empty();
    return m_image.convertToFormat(QImage::Format_RGB32) ==
           bitmap->m_image.convertToFormat(QImage::Format_RGB32);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
    return std::make_unique<TBitmap>(*this);
}

void TBitmap::Assign(const TBitmap& other) {
    auto notify = std::move(OnChange);
    auto progress = std::move(OnProgress);
    *this = other;
    OnChange = std::move(notify);
    OnProgress = std::move(progress);
    Changed();
}

void TBitmap::setImage(QImage image) {
    m_image = std::move(image);
    m_palette.clear();
    Changed();
}

void TBitmap::setImage(QImage image, std::vector<TColor> palette) {
    m_image = std::move(image);
    m_palette = std::move(palette);
    SetPaletteModified(true);
    Changed();
}

void TBitmap::SetSize(int width, int height) {
    m_image = QImage(width, height, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    m_palette.clear();
    Changed();
}

void TBitmap::ToDisplayFormat() {
    if (m_image.isNull() || m_image.format() == QImage::Format_RGB32 ||
        m_image.format() == QImage::Format_ARGB32_Premultiplied)
        return;
    if (m_image.colorCount() > 0)
        m_palette = paletteOf(m_image);
    m_image = m_image.convertToFormat(
        m_image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

TColor TBitmap::Pixel(int x, int y) const {
    if (!m_image.valid(x, y))
        return clNone;
    return fromQColor(QColor::fromRgb(m_image.pixel(x, y)));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (!m_image.valid(x, y))
        return;
    if (m_image.depth() < 32)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
    m_image.setPixel(x, y, toQColor(color).rgb());
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (m_mode == TTransparentMode::tmFixed)
        return m_transparentColor;
    if (Monochrome())
        return clWhite;
    if (Empty())
        return clNone;
    return Pixel(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    m_transparentColor = color;
    m_mode = color == clNone ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (m_mode == mode)
        return;
    m_mode = mode;
    if (mode == TTransparentMode::tmAuto)
        m_transparentColor = clNone;
    Changed();
}

void TIcon::Draw(QPainter& painter, const QRect& dest) const {
    if (!Empty())
        painter.drawImage(dest, m_image);
}

void TIcon::LoadFromStream(const std::string& bytes) {
    QImage image = readImage(bytes, "ICO");
    if (image.isNull())
        throw EInvalidGraphicOperation("Icon image is not valid");
    m_image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    SetPaletteModified(true);
    Changed();
}

std::vector<TColor> TIcon::Palette() const {
    return paletteOf(m_image);
}

bool TIcon::Equals(const TGraphic& other) const {
    const auto* icon = dynamic_cast<const TIcon*>(&other);
    return icon && (icon == this || icon->m_image == m_image);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
    auto copy = std::make_unique<TIcon>();
    copy->m_image = m_image;
    copy->SetTransparent(Transparent());
    return copy;
}

QImage readOwnImage(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage largeImage(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0)
        return QImage();
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    void* memory = allocateLarge(bytes);
    if (!memory)
        return QImage();
    return QImage(
        static_cast<uchar*>(memory), width, height, qsizetype(width) * 4, format,
        [](void* info) { releaseLarge(info); }, memory);
}

QImage keyedImage(const QImage& image, TColor key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (key == clNone)
        return out;
    const QRgb keyRgb = toQColor(key).rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == keyRgb)
                line[x] = 0;
    }
    return out;
}

// The picture format registry.

namespace {

struct ClipboardEntry {
    unsigned format;
    std::string className;
    TGraphicFactory create;
};

struct Registry {
    std::vector<TFileFormat> formats;
    std::vector<ClipboardEntry> clipboard;
    std::map<std::string, unsigned> clipboardNames;

    Registry() {
        formats.push_back(
            {"bmp", "Bitmaps", "TBitmap", [] { return std::make_unique<TBitmap>(); }});
        formats.push_back({"ico", "Icons", "TIcon", [] { return std::make_unique<TIcon>(); }});
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

// The extension without the dot; empty when the last path part has none.
std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\:");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return lowerAscii(path.substr(dot + 1));
}

} // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
    auto& names = registry().clipboardNames;
    const std::string key = lowerAscii(name);
    auto found = names.find(key);
    if (found != names.end())
        return found->second;
    const unsigned id = 0xC000u + unsigned(names.size());
    names.emplace(key, id);
    return id;
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const std::string& className, TGraphicFactory create) {
    auto& formats = registry().formats;
    const std::string ext = lowerAscii(extension);
    std::erase_if(formats, [&](const TFileFormat& f) { return f.extension == ext; });
    formats.push_back({ext, description, className, std::move(create)});
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
    std::erase_if(registry().formats,
                  [&](const TFileFormat& f) { return f.className == className; });
    std::erase_if(registry().clipboard,
                  [&](const ClipboardEntry& c) { return c.className == className; });
}

std::vector<TFileFormat> TPicture::FileFormats() {
    return registry().formats;
}

std::string TPicture::GraphicFilter() {
    std::string all;
    std::string each;
    for (const TFileFormat& f : registry().formats) {
        const std::string mask = "*." + f.extension;
        all += (all.empty() ? "" : ";") + mask;
        each += "|" + f.description + " (" + mask + ")|" + mask;
    }
    return "All (" + all + ")|" + all + each;
}

void TPicture::RegisterClipboardFormat(unsigned format, const std::string& className,
                                       TGraphicFactory create) {
    auto& clipboard = registry().clipboard;
    std::erase_if(clipboard, [&](const ClipboardEntry& c) { return c.format == format; });
    clipboard.push_back({format, className, std::move(create)});
}

bool TPicture::SupportsClipboardFormat(unsigned format) {
    const auto& clipboard = registry().clipboard;
    return std::any_of(clipboard.begin(), clipboard.end(),
                       [&](const ClipboardEntry& c) { return c.format == format; });
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    m_graphic = std::move(graphic);
    if (m_graphic) {
        m_graphic->OnChange = [this] { graphicChanged(); };
        m_graphic->OnProgress = [this](TProgressStage stage, int percent,
                                       const std::string& message) {
            if (OnProgress)
                OnProgress(stage, percent, message);
        };
    }
    graphicChanged();
}

void TPicture::graphicChanged() {
    if (OnChange)
        OnChange();
}

void TPicture::LoadFromFile(const std::string& path) {
    const std::string ext = extensionOf(path);
    TGraphicFactory create;
    for (const TFileFormat& f : registry().formats)
        if (f.extension == ext)
            create = f.create;
    if (!create)
        throw EInvalidGraphicOperation("Unknown picture file extension (." + ext + ")");
    std::unique_ptr<TGraphic> graphic = create();
    graphic->OnProgress = OnProgress;
    graphic->LoadFromFile(path);
    SetGraphic(std::move(graphic));
}

void TPicture::Assign(const TPicture& other) {
    if (&other == this)
        return;
    std::unique_ptr<TGraphic> copy;
    if (other.m_graphic) {
        copy = other.m_graphic->Clone();
        if (!copy)
            throw EInvalidGraphicOperation("Cannot copy a " + other.m_graphic->ClassName());
    }
    SetGraphic(std::move(copy));
}

} // namespace platform
