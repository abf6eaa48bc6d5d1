#include "platform/Dialogs.h"

#include "platform/Applications.h"
#include "platform/Graphics.h"
#include "platform/Icons.h"
#include "platform/TextBytes.h"

#include <QCollator>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

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

// Every row gets an icon, so the names stand in one column whether the theme has theirs or not.
QIcon iconOr(IconLookup& lookup, const std::string& name, const QIcon& fallback) {
    const QIcon icon = iconOf(lookup.find(name));
    return icon.isNull() ? fallback : icon;
}

// As a menu lists them: by name in the user's language, case aside, numbers as numbers.
void sortByName(std::vector<InstalledApplication>& applications) {
    QCollator order;
    order.setCaseSensitivity(Qt::CaseInsensitive);
    order.setNumericMode(true);
    std::stable_sort(applications.begin(), applications.end(), [&](const auto& a, const auto& b) {
        return order.compare(QString::fromStdString(a.name), QString::fromStdString(b.name)) < 0;
    });
}

// The desktop's applications by name, beside the file dialog's folders and files. Choosing one
// ends the dialog with it; the file side works as before.
class ApplicationsPane : public QWidget {
public:
    ApplicationsPane(QFileDialog* dialog, std::vector<InstalledApplication> applications,
                     const std::string& current)
        : QWidget(dialog), m_dialog(dialog), m_applications(std::move(applications)) {
        sortByName(m_applications);
        m_search = new QLineEdit(this);
        m_search->setObjectName(QStringLiteral("ApplicationSearch"));
        m_search->setPlaceholderText(QStringLiteral("Search"));
        m_search->setClearButtonEnabled(true);
        m_search->installEventFilter(this);
        m_list = new QListWidget(this);
        m_list->setObjectName(QStringLiteral("Applications"));
        m_list->setUniformItemSizes(true);
        const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
        m_list->setIconSize(QSize(small, small));
        m_choose = new QPushButton(QStringLiteral("Use Application"), this);
        m_choose->setObjectName(QStringLiteral("UseApplication"));
        m_choose->setAutoDefault(false);
        const QIcon fallback = style()->standardIcon(QStyle::SP_FileIcon);
        IconLookup icons(IconTheme::current());
        for (const InstalledApplication& application : m_applications) {
            auto* item = new QListWidgetItem(iconOr(icons, application.icon, fallback),
                                             displayText(application.name), m_list);
            item->setToolTip(displayText(application.file));
            if (application.file == current)
                m_list->setCurrentItem(item);
        }
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(new QLabel(QStringLiteral("Installed applications:"), this));
        column->addWidget(m_search);
        column->addWidget(m_list, 1);
        column->addWidget(m_choose);
        setMinimumWidth(220);
        connect(m_search, &QLineEdit::textChanged, this,
                [this](const QString& text) { filter(text); });
        connect(m_list, &QListWidget::itemActivated, this, [this] { choose(); });
        connect(m_choose, &QPushButton::clicked, this, [this] { choose(); });
        connect(m_list, &QListWidget::currentItemChanged, this, [this] { updateButton(); });
        updateButton();
        if (m_list->currentItem())
            m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
        // An item with no program yet, or one of these applications, is most likely given
        // another application: typing then searches their names.
        m_searchFirst = current.empty() || m_list->currentItem();
    }

    std::optional<InstalledApplication> chosen;

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (m_searchFirst)
            m_search->setFocus();
    }

    // Return in the search box takes the application found; the arrows walk the list.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_search || event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose();
            return true;
        }
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_list, event);
            return true;
        }
        return false;
    }

private:
    QListWidgetItem* currentShown() const {
        QListWidgetItem* item = m_list->currentItem();
        return item && !item->isHidden() ? item : nullptr;
    }

    void filter(const QString& text) {
        const QString wanted = text.trimmed();
        QListWidgetItem* first = nullptr;
        for (int i = 0; i < m_list->count(); ++i) {
            QListWidgetItem* item = m_list->item(i);
            item->setHidden(!item->text().contains(wanted, Qt::CaseInsensitive));
            if (!first && !item->isHidden())
                first = item;
        }
        if (!currentShown())
            m_list->setCurrentItem(first);
        updateButton();
    }

    void updateButton() { m_choose->setEnabled(currentShown() != nullptr); }

    void choose() {
        QListWidgetItem* item = currentShown();
        if (!item)
            return;
        chosen = m_applications[std::size_t(m_list->row(item))];
        // Past the file dialog's own accept, which would look for a file name.
        static_cast<QDialog*>(m_dialog)->done(QDialog::Accepted);
    }

    QFileDialog* m_dialog;
    std::vector<InstalledApplication> m_applications;
    QLineEdit* m_search;
    QListWidget* m_list;
    QPushButton* m_choose;
    bool m_searchFirst = false;
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
    ApplicationName.clear();
    if (seam<OpenDialogFunction>())
        return seam<OpenDialogFunction>()(owner, *this);
    QFileDialog dialog(owner, Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog,
                     PicturePreview || ExecutablesOnly || OffersApplications);
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
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (PicturePreview) {
        auto* preview = new PreviewPane(&dialog);
        if (grid)
            grid->addWidget(preview, 1, grid->columnCount(), 2, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                         [preview](const QString& path) { preview->showFile(path); });
        // The file the dialog opens on is shown before the user moves anywhere.
        preview->showFile(start.absoluteFilePath());
        dialog.setSizeGripEnabled(true);
    }
    ApplicationsPane* applications = nullptr;
    if (OffersApplications && grid) {
        std::vector<InstalledApplication> installed = installedApplications();
        if (!installed.empty()) {
            applications = new ApplicationsPane(&dialog, std::move(installed), FileName);
            grid->addWidget(applications, 0, grid->columnCount(), grid->rowCount(), 1);
            dialog.resize(dialog.sizeHint() + QSize(applications->minimumWidth(), 0));
            dialog.setSizeGripEnabled(true);
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (applications && applications->chosen) {
        FileName = applications->chosen->file;
        ApplicationName = applications->chosen->name;
        return true;
    }
    if (dialog.selectedFiles().isEmpty())
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
