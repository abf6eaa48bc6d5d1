#include "platform/Dialogs.h"

#include "platform/Graphics.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QVBoxLayout>

namespace platform {

namespace {

template <typename F> F& seam() {
    static F function;
    return function;
}

// Folders and files the user may run; everything else stays out of the list.
class ExecutableFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

// The picture under the cursor, drawn to fit a fixed box, or a word saying there is none.
class PreviewPane : public QLabel {
public:
    explicit PreviewPane(QWidget* parent) : QLabel(parent) {
        setFixedSize(160, 160);
        setAlignment(Qt::AlignCenter);
        setFrameShape(QFrame::StyledPanel);
    }

    void showFile(const QString& path) {
        TPicture picture;
        try {
            if (QFileInfo(path).isFile())
                picture.LoadFromFile(path.toStdString());
        } catch (const std::exception&) {
            // Not a picture we can read: the preview simply stays empty.
        }
        const TGraphic* graphic = picture.Graphic();
        if (!graphic || graphic->Empty() || graphic->Width() <= 0 || graphic->Height() <= 0) {
            setPixmap(QPixmap());
            setText(QStringLiteral("(None)"));
            return;
        }
        QSize size(graphic->Width(), graphic->Height());
        size.scale(QSize(150, 150).boundedTo(size.expandedTo(QSize(1, 1))), Qt::KeepAspectRatio);
        QImage shown(size, QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::transparent);
        QPainter painter(&shown);
        graphic->Draw(painter, shown.rect());
        painter.end();
        setPixmap(QPixmap::fromImage(shown));
    }
};

} // namespace

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

bool TOpenDialog::Execute(QWidget* owner) {
    if (seam<OpenDialogFunction>())
        return seam<OpenDialogFunction>()(owner, *this);
    QFileDialog dialog(owner, Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, PicturePreview || ExecutablesOnly);
    dialog.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (ExecutablesOnly)
        dialog.setProxyModel(new ExecutableFilter(&dialog));
    else
        dialog.setNameFilter(qtFilter(Filter));
    const QFileInfo start(QString::fromStdString(FileName));
    if (!FileName.empty()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (PicturePreview) {
        auto* preview = new PreviewPane(&dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(preview, 1, grid->columnCount(), 2, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                         [preview](const QString& path) { preview->showFile(path); });
        // The file the dialog opens on is shown before the user moves anywhere.
        preview->showFile(start.absoluteFilePath());
        dialog.setSizeGripEnabled(true);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().first().toStdString();
    return true;
}

bool TColorDialog::Execute(QWidget* owner) {
    if (seam<ColorDialogFunction>())
        return seam<ColorDialogFunction>()(owner, *this);
    const QColor chosen = QColorDialog::getColor(toQColor(Color), owner);
    if (!chosen.isValid())
        return false;
    Color = fromQColor(chosen);
    return true;
}

bool TFontDialog::Execute(QWidget* owner) {
    if (seam<FontDialogFunction>())
        return seam<FontDialogFunction>()(owner, *this);
    // Qt's font dialog has no colour; a list of the sixteen plain colours sits below it.
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* fonts = new QFontDialog(Font, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    auto* colours = new QComboBox(&dialog);
    const TColor plain[] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                            clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                            clBlue,  clFuchsia, clAqua,   clWhite};
    for (TColor c : plain) {
        QPixmap swatch(24, 12);
        swatch.fill(toQColor(c));
        colours->addItem(QIcon(swatch), toQColor(c).name(), QVariant(int(c)));
    }
    const int current = colours->findData(QVariant(int(colorToRGB(FontColor))));
    if (current < 0)
        colours->addItem(toQColor(FontColor).name(), QVariant(int(FontColor)));
    colours->setCurrentIndex(current >= 0 ? current : colours->count() - 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(fonts);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel(QStringLiteral("Colour:"), &dialog));
    colourRow->addWidget(colours, 1);
    column->addLayout(colourRow);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Font = fonts->currentFont();
    FontColor = TColor(colours->currentData().toInt());
    return true;
}

OpenDialogFunction setOpenDialogFunction(OpenDialogFunction function) {
    return std::exchange(seam<OpenDialogFunction>(), std::move(function));
}

ColorDialogFunction setColorDialogFunction(ColorDialogFunction function) {
    return std::exchange(seam<ColorDialogFunction>(), std::move(function));
}

FontDialogFunction setFontDialogFunction(FontDialogFunction function) {
    return std::exchange(seam<FontDialogFunction>(), std::move(function));
}

} // namespace platform
