// The desktop's common dialogs, each behind a replaceable function so tests can answer them.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace platform {

// An open-file dialog that remembers what it last held: its file name is where it starts and
// what it answers.
class TOpenDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    std::string FileName;
    // Display names and patterns separated by "|", as "Programs|*.exe|All|*".
    QString Filter;
    QString Title;
    bool FileMustExist = false;
    bool PicturePreview = false;

    // Shows the dialog; true when the user chose a file, which is then in FileName.
    bool Execute(QWidget* owner);
};

// Replaces what every open dialog's Execute does: answer with a path, or nothing for a cancel.
using OpenDialogFunction = std::function<bool(QWidget* owner, TOpenDialog& dialog)>;
OpenDialogFunction setOpenDialogFunction(OpenDialogFunction function);

} // namespace platform
