#include "platform/TextBytes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

namespace platform {

namespace {

// Code page 1252 from 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const char* const BytesProperty = "tevloBytes";

// The length of the well-formed UTF-8 sequence at the start of text, with its code point; 0 when
// none starts there (overlong forms, surrogates and values past U+10FFFF are not well-formed).
std::size_t utf8Sequence(std::string_view text, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t low = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, low = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString displayText(std::string_view bytes) {
    QString text;
    text.reserve(qsizetype(bytes.size()));
    while (!bytes.empty()) {
        const auto lead = static_cast<unsigned char>(bytes.front());
        char32_t code = 0;
        std::size_t used = lead < 0x80 ? 0 : utf8Sequence(bytes, code);
        if (used == 0) {
            used = 1;
            code = lead >= 0x80 && lead < 0xA0 ? HighControls[lead - 0x80] : lead;
        }
        if (code > 0xFFFF) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(char16_t(code));
        }
        bytes.remove_prefix(used);
    }
    return text;
}

std::string bytesToSave(const QString& shown, std::string_view original) {
    if (shown == displayText(original))
        return std::string(original);
    return shown.toStdString();
}

void rememberShownBytes(QObject* widget, std::string_view bytes) {
    widget->setProperty(BytesProperty, QByteArray(bytes.data(), qsizetype(bytes.size())));
}

std::string bytesToSave(const QObject* widget, const QString& shown) {
    const QByteArray original = widget->property(BytesProperty).toByteArray();
    return bytesToSave(shown, std::string_view(original.constData(), std::size_t(original.size())));
}

void setTextFromBytes(QLineEdit* edit, std::string_view bytes) {
    edit->setText(displayText(bytes));
    rememberShownBytes(edit, bytes);
}

void addItemFromBytes(QComboBox* list, std::string_view bytes) {
    list->addItem(displayText(bytes), QByteArray(bytes.data(), qsizetype(bytes.size())));
}

std::string itemBytesToSave(const QComboBox* list, int index) {
    const QByteArray original = list->itemData(index).toByteArray();
    return bytesToSave(list->itemText(index),
                       std::string_view(original.constData(), std::size_t(original.size())));
}

} // namespace platform
