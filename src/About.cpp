#include "About.h"

#include "controls/BitBtn.h"
#include "controls/ProCtrls.h"
#include "controls/ProUrl.h"
#include "platform/Image.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

TAboutBox* AboutBox = nullptr;

namespace {

QFont fontOf(const char* family, int pixels, bool bold = false, bool underline = false) {
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

TProLabel* label(QWidget* parent, const char* name, int x, int y, const QString& caption,
                 TColor color, const QFont& font) {
    auto* made = new TProLabel(parent);
    made->setObjectName(QString::fromLatin1(name));
    made->move(x, y);
    made->setFont(font);
    made->SetFontColor(color);
    made->SetCaption(caption);
    return made;
}

platform::TImage* programIcon(QWidget* parent, const char* name, int x) {
    auto* image = new platform::TImage(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setAccessibleName(QStringLiteral("Tevlo icon"));
    image->setGeometry(x, 24, 41, 41);
    image->SetCenter(true);
    image->SetStretch(true);
    // Made at the box's own size and pixel density from the large icon: a 32-pixel picture
    // stretched to 41 would show rows of uneven height.
    const qreal density = parent->devicePixelRatioF();
    const int pixels = qRound(41 * density);
    QImage icon = platform::readOwnImage(QStringLiteral(":/icon-256.png"), "PNG")
                      .scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    icon.setDevicePixelRatio(density);
    image->Picture().SetGraphic(std::make_unique<platform::TBitmap>(icon));
    return image;
}

TProUrlLabel* link(QWidget* parent, const char* name, QRect where, const QString& caption,
                   const QString& url) {
    auto* made = new TProUrlLabel(parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setGeometry(where);
    made->setFont(fontOf("System", 13, false, true));
    made->SetFontColor(clBlue);
    made->SetShadowStyle(ssRecessed);
    made->SetCaption(caption);
    made->SetURL(url);
    return made;
}

} // namespace

static void initAboutResources() {
    Q_INIT_RESOURCE(resources);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    initAboutResources();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(298, 281);
    setFont(fontOf("Times New Roman", 13));
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    setPalette(black);
}

void TAboutBox::setVisible(bool visible) {
    if (visible)
        BuildContents();
    QDialog::setVisible(visible);
}

void TAboutBox::BuildContents() {
    if (Panel1)
        return;
    Panel1 = new TProPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 217);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetBevelInner(bvRaised);

    ProgramIcon = programIcon(Panel1, "ProgramIcon", 24);
    Image1 = programIcon(Panel1, "Image1", 216);
    ProductName = label(Panel1, "ProductName", 97, 16, QStringLiteral("Tevlo"), clRed,
                        fontOf("Times New Roman", 24, true));
    Version = label(Panel1, "Version", 111, 40, QStringLiteral("Version 2.0"), clBlack,
                    fontOf("Times New Roman", 13));
    Comments = label(Panel1, "Comments", 8, 96, QStringLiteral("Free to use and distribute."),
                     0x80FF80, fontOf("Times New Roman", 16, true, true));
    ProLabel1 = label(Panel1, "ProLabel1", 8, 120,
                      QStringLiteral("Please, email me to let me know how many people use my "
                                     "software. Thank You."),
                      clRed, fontOf("Times New Roman", 16));
    ProLabel1->SetAutoSize(false);
    ProLabel1->SetWordWrap(true);
    ProLabel1->resize(265, 41);
    // At 16 pixels this typeface needs three lines, and the box holds two: a slightly smaller
    // em shows the whole note and keeps the box where it is.
    for (QFont note = ProLabel1->font();
         ProLabel1->CaptionHeight() > ProLabel1->height() && note.pixelSize() > 12;) {
        note.setPixelSize(note.pixelSize() - 1);
        ProLabel1->setFont(note);
    }

    ProUrlLabel1 = link(Panel1, "ProUrlLabel1", QRect(40, 168, 213, 16),
                        QString::fromLatin1(MakerHomePage), QString());
    ProUrlLabel2 =
        link(Panel1, "ProUrlLabel2", QRect(104, 192, 74, 16), QString::fromLatin1(MakerMail),
             QStringLiteral("mailto:") + QString::fromLatin1(MakerMail));

    OKButton = new TBitBtn(QStringLiteral("OK"), this);
    OKButton->SetGlyph(
        platform::TBitmap(platform::readOwnImage(QStringLiteral(":/ok.xpm"), "XPM")));
    for (const int scale : {2, 3})
        OKButton->SetFinerGlyph(scale, platform::TBitmap(platform::readOwnImage(
                                           QStringLiteral(":/ok@%1x.xpm").arg(scale), "XPM")));
    OKButton->SetMargin(2);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 242, 77, 27);
    OKButton->setFont(fontOf("MS Sans Serif", 11, true));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    OKButton->setFocus();
}
