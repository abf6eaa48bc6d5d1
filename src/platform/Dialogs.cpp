#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

OpenDialogFunction& openDialogFunction() {
    static OpenDialogFunction function;
    return function;
}

// "Name|patterns|Name|patterns" becomes Qt's "Name (patterns);;Name (patterns)".
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

bool TOpenDialog::Execute(QWidget* owner) {
    if (openDialogFunction())
        return openDialogFunction()(owner, *this);
    QFileDialog dialog(owner, Title, QString::fromStdString(FileName), qtFilter(Filter));
    dialog.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!FileName.empty())
        dialog.selectFile(QString::fromStdString(FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().first().toStdString();
    return true;
}

OpenDialogFunction setOpenDialogFunction(OpenDialogFunction function) {
    return std::exchange(openDialogFunction(), std::move(function));
}

} // namespace platform
