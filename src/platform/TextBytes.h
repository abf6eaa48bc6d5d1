// Our strings are bytes; widgets show text. Settings files from other systems and other years
// hold bytes that are not UTF-8 (code page 1252 from Windows, mostly), and a value nobody
// edited must reach the file again byte for byte.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QComboBox;
class QObject;

namespace platform {

// The bytes as text: well-formed UTF-8 sequences as what they encode, every other byte as the
// character code page 1252 gives it (the five bytes that code page leaves out as the control
// characters of the same number, as Windows itself reads them).
QString displayText(std::string_view bytes);

// What to store for text that was shown from original: the original bytes while the text is
// still exactly what they show, otherwise the text in UTF-8.
std::string storedBytes(const QString& shown, std::string_view original);

// A widget's text that remembers the bytes it was shown from.
void setShownBytes(QObject* widget, std::string_view bytes);
std::string shownBytes(const QObject* widget, const QString& shown);

// The same for the entries of a list.
void addItemBytes(QComboBox* list, std::string_view bytes);
std::string itemBytes(const QComboBox* list, int index);

} // namespace platform
