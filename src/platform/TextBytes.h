// Our strings are bytes; widgets show text. Settings files from other systems and other years
// hold bytes that are not UTF-8 (code page 1252 from Windows, mostly), and a value nobody
// edited must reach the file again byte for byte.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QComboBox;
class QLineEdit;
class QObject;

namespace platform {

// The bytes as text: well-formed UTF-8 sequences as what they encode, every other byte as the
// character code page 1252 gives it (the five bytes that code page leaves out as the control
// characters of the same number, as Windows itself reads them).
QString displayText(std::string_view bytes);

// What to store for text that was shown from original: the original bytes while the text is
// still exactly what they show, otherwise the text in UTF-8.
std::string bytesToSave(const QString& shown, std::string_view original);

// A widget's text that remembers the bytes it was shown from, and the bytes to save for what it
// shows now.
void rememberShownBytes(QObject* widget, std::string_view bytes);
std::string bytesToSave(const QObject* widget, const QString& shown);
// Shows stored bytes readably in an edit box and remembers them, so that an unedited value is
// saved as it was.
void setTextFromBytes(QLineEdit* edit, std::string_view bytes);

// The same for the entries of a list.
void addItemFromBytes(QComboBox* list, std::string_view bytes);
std::string itemBytesToSave(const QComboBox* list, int index);

} // namespace platform
