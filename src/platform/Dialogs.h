// The desktop's common dialogs. Each remembers what it held when it was last closed and opens
// with that again; each runs through a replaceable function so tests can answer it.
#pragma once

#include "platform/Colors.h"

#include <QFont>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace platform {

class TOpenDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    std::string FileName;
    // Display names and patterns separated by "|", as "Programs|*.exe|All|*".
    QString Filter;
    QString Title;
    bool FileMustExist = false;
    // Shows a preview of the picture file under the cursor beside the file list.
    bool PicturePreview = false;
    // Programs here carry no extension: the dialog lists folders and executable files, whatever
    // the filter's patterns say.
    bool ExecutablesOnly = false;
    // Lists the desktop's installed applications beside the files. Choosing one puts its
    // desktop entry into FileName and its name into ApplicationName.
    bool OffersApplications = false;
    // The name of the application chosen from that list; empty when a file was chosen.
    std::string ApplicationName;

    // Shows the dialog; true when the user chose a file, which is then in FileName.
    bool Execute(QWidget* owner);
};

class TColorDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    TColor Color = clBlack;
    bool Execute(QWidget* owner);
};

// Typeface, size, style and colour, as the font dialog hands them over.
class TFontDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    QFont Font;
    TColor FontColor = clBlack;
    bool Execute(QWidget* owner);
};

// Replacements for the dialogs' Execute: true with the answer put into the dialog, or false for
// a cancel. Each setter returns the previous function; an empty one restores the real dialog.
using OpenDialogFunction = std::function<bool(QWidget* owner, TOpenDialog& dialog)>;
using ColorDialogFunction = std::function<bool(QWidget* owner, TColorDialog& dialog)>;
using FontDialogFunction = std::function<bool(QWidget* owner, TFontDialog& dialog)>;
OpenDialogFunction setOpenDialogFunction(OpenDialogFunction function);
ColorDialogFunction setColorDialogFunction(ColorDialogFunction function);
FontDialogFunction setFontDialogFunction(FontDialogFunction function);

// "Name|patterns|Name|patterns" as Qt writes a filter list: "Name (patterns);;...".
QString qtFilter(const QString& filter);

} // namespace platform
