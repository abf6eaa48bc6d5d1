#include "config.h"

#include "About.h"
#include "Main.h"
#include "SectionNames.h"
#include "controls/PageControl.h"
#include "controls/ProCtrls.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Image.h"
#include "platform/Strings.h"
#include "platform/TextBytes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QValidator>
#include <algorithm>
#include <limits>

TCfgFrm* CfgFrm = nullptr;

namespace {

const QString PictureFilter = QStringLiteral(
    "All (*.jpeg;*.jpeg;*.gif;*.bmp;*.ico;*.wmf)|*.bmp;*.ico;*.wmf;*.jpeg;*.jpg;*.gif|Bitmaps "
    "(*.bmp)|*.bmp|Icons (*.ico)|*.ico|Metafiles (*.wmf)|*.wmf|Jpeg|*.jpg;*.jpeg|Compuserve "
    "*.gif|*.gif");

QFont pixelFont(int pixels, bool bold = false, bool underline = false) {
    QFont font{QStringLiteral("MS Serif")};
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// A chosen name that would put lines of its own into the settings file; nothing is changed.
[[noreturn]] void refuseLineBreak(const std::string& name) {
    throw Exception("Cannot use \"" + name + "\": its name holds a line break");
}

// Every value is one line of its file: a line break in it would end the value there and make the
// rest a line of its own, another item's or a section header. What is pasted or dropped into a
// box keeps its first line, as a one-line field does.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
        const qsizetype cut = std::find_if(input.cbegin(), input.cend(), isBreak) - input.cbegin();
        if (cut < input.size()) {
            // What was just inserted ends at the cursor; the text after it was there before.
            input = input.left(cut) + (pos > cut ? input.mid(pos) : QString());
            input.removeIf(isBreak);
            pos = int(std::min<qsizetype>(pos, cut));
        }
        return Acceptable;
    }
};

// Refuses typing beyond what a caption keeps (30 bytes, counted as they will be stored), so the
// box shows where the cut falls. Taking text away is always allowed: a caption loaded in a
// single-byte code page may show more UTF-8 bytes than it holds.
class CaptionValidator : public OneLineValidator {
public:
    explicit CaptionValidator(QLineEdit* edit) : OneLineValidator(edit), m_edit(edit) {}
    State validate(QString& input, int& pos) const override {
        OneLineValidator::validate(input, pos);
        if (input.size() < m_edit->text().size())
            return Acceptable;
        const std::size_t size = platform::bytesToSave(m_edit, input).size();
        return size <= TItemCaption::MaxLength ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_edit;
};

template <typename W> W* placed(W* widget, const char* name, QRect where) {
    widget->setObjectName(QString::fromLatin1(name));
    if (where.height() <= 0)
        where.setHeight(widget->sizeHint().height());
    if (where.width() <= 0)
        where.setWidth(widget->sizeHint().width());
    widget->setGeometry(where);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect where) {
    return placed(new QPushButton(QString::fromLatin1(caption), parent), name, where);
}

// Check boxes laid out for a 13-pixel box with its caption close beside it.
class CompactCheckStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_CheckBoxLabelSpacing)
            return 3;
        if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)
            return 13;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QCheckBox* checkBox(QWidget* parent, const char* name, const char* caption, QRect where) {
    static QStyle* compact = [] {
        auto* style = new CompactCheckStyle;
        style->setParent(qApp);
        return style;
    }();
    auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setStyle(compact);
    // Our typefaces run wider than the old desktop's: a caption that would be cut gets the
    // room it needs to its right, where the layout leaves a gap.
    where.setWidth(std::max(where.width(), box->sizeHint().width()));
    return placed(box, name, where);
}

QLabel* label(QWidget* parent, const char* name, const char* caption, QPoint at,
              bool underline = false) {
    auto* made = new QLabel(QString::fromLatin1(caption), parent);
    if (underline) {
        QFont font = made->font();
        font.setUnderline(true);
        made->setFont(font);
    }
    return placed(made, name, QRect(at, QSize()));
}

QComboBox* list(QWidget* parent, const char* name, QRect where) {
    return placed(new QComboBox(parent), name, where);
}

// A lowered panel with a picture filling it: the dialog's picture previews.
TProPanel* previewPanel(QWidget* parent, const char* panelName, const char* imageName, QRect where,
                        platform::TImage*& image) {
    auto* panel = placed(new TProPanel(parent), panelName, where);
    panel->SetBevelOuter(bvLowered);
    image = placed(new platform::TImage(panel), imageName,
                   QRect(1, 1, where.width() - 2, where.height() - 2));
    return panel;
}

} // namespace

TEditColor::TEditColor(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    SetColor(clWindow);
}

void TEditColor::SetColor(TColor value) {
    m_color = value;
    QPalette shown = palette();
    // Disabled or not, the box shows the colour it holds.
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        shown.setColor(group, QPalette::Base, platform::toQColor(value));
    setPalette(shown);
    // A screen reader cannot see the box's colour: it hears it.
    setAccessibleName(m_label + QLatin1Char(' ') +
                      platform::toQColor(value).name(QColor::HexRgb).toUpper());
}

TGroupBox::TGroupBox(const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption) {}

void TGroupBox::paintEvent(QPaintEvent*) {
    // An etched frame from half the caption's height down, the caption cut into its top line.
    QPainter painter(this);
    const QFontMetrics metrics = painter.fontMetrics();
    const int top = metrics.height() / 2;
    const QRect frame(0, top, width() - 1, height() - top - 1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    if (m_caption.isEmpty())
        return;
    const QRect text(8, 0, metrics.horizontalAdvance(m_caption) + 4, metrics.height());
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter, m_caption);
}

TFontEdit::TFontEdit(QWidget* parent) : QLineEdit(parent) {
    setText(QStringLiteral("A,B,C, a,b,c"));
    setFont(pixelFont(11));
    // A sample reads from its start, however narrow the box.
    setCursorPosition(0);
    SetFontColor(clBlack);
}

void TFontEdit::SetFontColor(TColor value) {
    m_fontColor = value;
    QPalette shown = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        shown.setColor(group, QPalette::Text, platform::toQColor(value));
    setPalette(shown);
}

TCfgFrm::TCfgFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CfgFrm"));
    setWindowTitle(QStringLiteral("Settings"));
    // 544 x 451 with the desktop's frame and title around it.
    setFixedSize(536, 424);
    setFont(pixelFont(11));
    PageControl1 = placed(new TPageControl(this), "PageControl1", QRect(0, 0, 529, 385));
    Look = new QWidget;
    Look->setObjectName(QStringLiteral("Look"));
    PageControl1->AddPage(Look, QStringLiteral("Look"));
    BuildLookPage();
    for (int page = 1; page <= 10; ++page)
        BuildSectionPage(page);
    PageControl1->SetActivePageIndex(0);

    CloseBt = button(this, "CloseBt", "Close", QRect(12, 393, 120, 25));
    SaveBt = button(this, "SaveBt", "Save", QRect(212, 393, 120, 25));
    SavecloseBt = button(this, "SavecloseBt", "Save and close", QRect(412, 393, 120, 25));
    for (QPushButton* b : {CloseBt, SaveBt, SavecloseBt})
        b->setFont(pixelFont(16, b == SaveBt));
    SaveBt->setDefault(true);
    MakeDialogs();
    ConnectHandlers();

    // A section page's controls are made when the page is first shown: most runs never show
    // most of them. Until then the arrays point nowhere and the item store holds the values.
    for (int n = 1; n <= ItemCount; ++n) {
        CaptionEdits[n] = nullptr;
        ProgramEdits[n] = nullptr;
    }
    connect(PageControl1, &TPageControl::ActivePageChanged, this, [this](int index) {
        if (index >= 1 && index <= 10)
            FillSectionPage(index);
    });
}

void TCfgFrm::MakeDialogs() {
    OpenDialog1 = new platform::TOpenDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->Filter = QStringLiteral("Programs|*.exe; *.vdf");
    OpenDialog1->FileMustExist = true;
    OpenDialog1->ExecutablesOnly = true;
    OpenDialog1->OffersApplications = true;
    OpenDialog2 = new platform::TOpenDialog(this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog3 = new platform::TOpenDialog(this);
    OpenDialog3->setObjectName(QStringLiteral("OpenDialog3"));
    for (platform::TOpenDialog* pictures : {OpenDialog2, OpenDialog3}) {
        pictures->Filter = PictureFilter;
        pictures->PicturePreview = true;
    }
    ColorDialog = new platform::TColorDialog(this);
    ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
    ColorDialog2 = new platform::TColorDialog(this);
    ColorDialog2->setObjectName(QStringLiteral("ColorDialog2"));
    FontDialog1 = new platform::TFontDialog(this);
    FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    FontDialog1->Font = pixelFont(11);
    FontDialog1->FontColor = clBlack;
}

void TCfgFrm::ConnectHandlers() {
    const auto on = [this](auto* sender, auto signal, void (TCfgFrm::*handler)()) {
        connect(sender, signal, this, platform::reporting([this, handler] { (this->*handler)(); }));
    };
    on(SaveBt, &QPushButton::clicked, &TCfgFrm::SaveBtClick);
    on(SavecloseBt, &QPushButton::clicked, &TCfgFrm::SavecloseBtClick);
    on(CloseBt, &QPushButton::clicked, &TCfgFrm::CloseBtClick);
    on(BackColBt, &QPushButton::clicked, &TCfgFrm::BackColBtClick);
    on(BtBaclColBt, &QPushButton::clicked, &TCfgFrm::BtBaclColBtClick);
    on(ScBtCar, &QPushButton::clicked, &TCfgFrm::ScBtCarClick);
    on(DefaultBt, &QPushButton::clicked, &TCfgFrm::DefaultBtClick);
    on(ImgBtn, &QPushButton::clicked, &TCfgFrm::ImgBtnClick);
    on(ImgBtn2, &QPushButton::clicked, &TCfgFrm::ImgBtn2Click);
    on(CheckStretch1, &QCheckBox::clicked, &TCfgFrm::CheckStretch1Click);
    on(CheckStretch2, &QCheckBox::clicked, &TCfgFrm::CheckStretch2Clic);
    on(ChangeBtn, &QPushButton::clicked, &TCfgFrm::ChangeBtnClick);
    // Like Uppercase, the switch shows on the bar at once; a save keeps it.
    connect(CheckIcons, &QCheckBox::toggled, this, platform::reporting([] {
                if (BarFrm)
                    BarFrm->RefreshIcons();
            }));
}

void TCfgFrm::BuildLookPage() {
    BuildBackgroundGroup();
    BuildPlaceGroup();
    BuildNamesGroup();
    CheckSmall = checkBox(Look, "CheckSmall", "Small Bar On Use", QRect(8, 296, 0, 0));
    CheckMin = checkBox(Look, "CheckMin", "Minimize On Use", QRect(152, 296, 0, 0));
    CheckResize = checkBox(Look, "CheckResize", "Authomatic Resize", QRect(280, 296, 0, 0));
    CheckResize->setChecked(true);
    CheckOnTop = checkBox(Look, "CheckOnTop", "Stay On Top", QRect(424, 296, 0, 0));
    CheckIcons = checkBox(Look, "CheckIcons", "Show Icons", QRect(8, 318, 0, 0));
    CheckIcons->setChecked(true);
}

void TCfgFrm::BuildBackgroundGroup() {
    GroupBox101 = placed(new TGroupBox(QStringLiteral("Background"), Look), "GroupBox101",
                         QRect(8, 8, 505, 169));
    QWidget* g = GroupBox101;
    BackColBt = button(g, "BackColBt", "Title BackColor", QRect(8, 20, 105, 22));
    EditCol = placed(new TEditColor(g), "EditCol", QRect(128, 20, 57, 22));
    EditCol->SetLabel(QStringLiteral("Title BackColor"));
    EditCol->setEnabled(false);
    BtBaclColBt = button(g, "BtBaclColBt", "Buttons BackColor", QRect(8, 48, 105, 22));
    EditCol2 = placed(new TEditColor(g), "EditCol2", QRect(128, 48, 57, 21));
    EditCol2->SetLabel(QStringLiteral("Buttons BackColor"));
    ScBtCar = button(g, "ScBtCar", "Select Font", QRect(8, 78, 105, 22));
    EditFont1 = placed(new TFontEdit(g), "EditFont1", QRect(128, 78, 57, 22));
    EditFont1->setAccessibleName(QStringLiteral("Font sample"));
    CheckUppercase = checkBox(g, "CheckUppercase", "Uppercase", QRect(192, 80, 81, 17));
    DefaultBt = button(g, "DefaultBt", "Default ", QRect(40, 134, 177, 21));
    QFont bold = DefaultBt->font();
    bold.setBold(true);
    DefaultBt->setFont(bold);
    ProPanel1 = placed(new TProPanel(g), "ProPanel1", QRect(266, 16, 2, 145));
    ProPanel1->SetBevelInner(bvRaised);
    ProPanel1->SetBevelOuter(bvLowered);
    ProPanel1->SetBevelSides(sdLeft);
    CheckImage2 = checkBox(g, "CheckImage2", "Title Image", QRect(272, 16, 65, 17));
    ImgBtn2 = button(g, "ImgBtn2", "Select", QRect(344, 16, 40, 20));
    Panel1 = previewPanel(g, "Panel1", "Image2", QRect(392, 16, 97, 25), Image2);
    Image2->setAccessibleName(QStringLiteral("Title picture"));
    CheckStretch2 = checkBox(g, "CheckStretch2", "Stretch", QRect(416, 44, 49, 17));
    CheckImage = checkBox(g, "CheckImage", "Image", QRect(272, 68, 57, 17));
    ImgBtn = button(g, "ImgBtn", "Select", QRect(344, 68, 40, 20));
    Panel2 = previewPanel(g, "Panel2", "Image1", QRect(392, 64, 97, 81), Image1);
    Image1->setAccessibleName(QStringLiteral("Background picture"));
    CheckStretch1 = checkBox(g, "CheckStretch1", "Stretch", QRect(416, 150, 49, 17));
}

void TCfgFrm::BuildPlaceGroup() {
    GroupBox103 = placed(new TGroupBox(QStringLiteral("Position on desktop"), Look), "GroupBox103",
                         QRect(8, 186, 177, 103));
    Label202 = label(GroupBox103, "Label202", "Horizontal", QPoint(12, 32));
    ComboBox2 = list(GroupBox103, "ComboBox2", QRect(68, 28, 85, 0));
    ComboBox2->addItems(
        {QStringLiteral("Right"), QStringLiteral("Left"), QStringLiteral("Center")});
    ComboBox2->setCurrentIndex(-1);
    Label203 = label(GroupBox103, "Label203", "Vertical", QPoint(16, 64));
    ComboBox3 = list(GroupBox103, "ComboBox3", QRect(68, 60, 85, 0));
    ComboBox3->addItems({QStringLiteral("Up"), QStringLiteral("Down"), QStringLiteral("Middle")});
    ComboBox3->setCurrentIndex(-1);
    // The labels name their lists for a screen reader.
    Label202->setBuddy(ComboBox2);
    Label203->setBuddy(ComboBox3);
}

void TCfgFrm::BuildNamesGroup() {
    GroupBox102 = placed(new TGroupBox(QStringLiteral("Sections Names"), Look), "GroupBox102",
                         QRect(192, 186, 321, 103));
    QWidget* s = GroupBox102;
    ProLabel1 = placed(new TProLabel(s), "ProLabel1", QRect(8, 16, 113, 81));
    ProLabel1->SetAutoSize(false);
    ProLabel1->SetWordWrap(true);
    ProLabel1->setFont(pixelFont(13));
    ProLabel1->SetCaption(QStringLiteral(
        "To rename Tevlo sections, select a name, type new name and click Change button."));
    ProLabel1->setGeometry(8, 16, 113, 81);
    Label201 = label(s, "Label201", "Select a section:", QPoint(120, 16), true);
    ComboBox1 = list(s, "ComboBox1", QRect(199, 14, 114, 0));
    for (const std::string& name : DesignSectionNames())
        platform::addItemFromBytes(ComboBox1, name);
    Label204 = label(s, "Label204", "Type a new name:", QPoint(120, 46), true);
    Edit1 = placed(new QLineEdit(s), "Edit1", QRect(199, 43, 114, 0));
    Edit1->setValidator(new OneLineValidator(Edit1));
    Label205 = label(s, "Label205", "Click the button:", QPoint(120, 76), true);
    ChangeBtn = button(s, "ChangeBtn", "Change", QRect(200, 72, 114, 22));
    Label201->setBuddy(ComboBox1);
    Label204->setBuddy(Edit1);
}

void TCfgFrm::BuildSectionPage(int page) {
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("Section%1").arg(page));
    Sections[std::size_t(page)] = sheet;
    PageControl1->AddPage(sheet, QStringLiteral("Section %1").arg(page));
}

void TCfgFrm::FillSectionPage(int page) {
    QWidget* sheet = Sections[std::size_t(page)];
    const int first = 10 * (page - 1) + 1;
    if (CaptionEdits[first])
        return;
    // Reading order, so Tab walks down the first column and then the second.
    QWidget* last = nullptr;
    for (int k = 1; k <= 10; ++k) {
        const int n = first + k - 1;
        const int x = k <= 5 ? 8 : 272;
        const int y = 8 + 64 * ((k - 1) % 5);
        auto* box = new TGroupBox(QStringLiteral("Button %1").arg(n), sheet);
        box->setGeometry(x, y, 233, 57);
        label(box, "", "Edit Caption", QPoint(8, 14));
        label(box, "", "Edit Program", QPoint(92, 14));
        auto* caption = placed(new QLineEdit(box), "", QRect(8, 32, 69, 21));
        caption->setObjectName(QStringLiteral("EditCap%1").arg(n));
        caption->setAccessibleName(QStringLiteral("Button %1 Edit Caption").arg(n));
        caption->setValidator(new CaptionValidator(caption));
        auto* program = placed(new QLineEdit(box), "", QRect(92, 32, 69, 21));
        program->setObjectName(QStringLiteral("EditProg%1").arg(n));
        program->setAccessibleName(QStringLiteral("Button %1 Edit Program").arg(n));
        program->setValidator(new OneLineValidator(program));
        // A command line has no length limit of ours; Qt's default would cut it at 32,767.
        program->setMaxLength(std::numeric_limits<int>::max());
        // Two of the browse buttons have always been spelt this way.
        const QString name = n == 5   ? QStringLiteral("BorwseBt5")
                             : n == 6 ? QStringLiteral("BrowsBt6")
                                      : QStringLiteral("BrowseBt%1").arg(n);
        auto* browse = button(box, "", "Browse", QRect(176, 32, 40, 20));
        browse->setObjectName(name);
        browse->setAccessibleName(QStringLiteral("Button %1 Browse").arg(n));
        browse->setProperty("Tag", k);
        connect(browse, &QPushButton::clicked, this,
                platform::reporting([this, browse] { BrowseBtAllClick(browse); }));
        last = browse;
        CaptionEdits[n] = caption;
        ProgramEdits[n] = program;
        // Until now the item's values lived only in the item store.
        platform::setTextFromBytes(caption, ItemCaptions[n].str());
        platform::setTextFromBytes(program, ItemPrograms[n]);
        if (sheet->isVisible())
            box->show();
    }
    // Made after the dialog's buttons, the page's boxes would come after them in the Tab order;
    // the keyboard reads the page first, as the eye does.
    setTabOrder(last, CloseBt);
    setTabOrder(CloseBt, SaveBt);
    setTabOrder(SaveBt, SavecloseBt);
}

QLineEdit* TCfgFrm::CaptionEdit(int n) {
    FillSectionPage((n - 1) / 10 + 1);
    return CaptionEdits[n];
}

QLineEdit* TCfgFrm::ProgramEdit(int n) {
    FillSectionPage((n - 1) / 10 + 1);
    return ProgramEdits[n];
}

void TCfgFrm::ShowProgram(int n, const std::string& program) {
    platform::setTextFromBytes(ProgramEdit(n), program);
}

void TCfgFrm::ShowCaption(int n, std::string_view caption) {
    // At most a caption's bytes, never cut inside a character.
    platform::setTextFromBytes(CaptionEdit(n), TItemCaption(caption).str());
}

template <typename F> bool TCfgFrm::RunChild(F&& run) {
    ++m_childDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{m_childDepth};
    return run();
}

void TCfgFrm::reject() {
    CloseBtClick();
}

void TCfgFrm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TCfgFrm::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        // Back from one of the dialog's own dialogs or message boxes: nothing moved.
        if (std::exchange(m_skipActivate, false))
            return;
        FormActivate();
        return;
    }
    // The user moves between the program's windows only when the bar, the About box or
    // another program takes over; the dialog's own dialogs and message boxes do not count.
    QWidget* now = QApplication::activeWindow();
    const bool ownChild = now && now != BarFrm && now != AboutBox &&
                          (m_childDepth > 0 || qobject_cast<QMessageBox*>(now));
    if (ownChild) {
        m_skipActivate = true;
        return;
    }
    FormDeactivate();
}

void TCfgFrm::FormActivate() {
    if (!BarFrm)
        return;
    const int section = BarFrm->Section();
    if (section < 0)
        return;
    ComboBox1->setCurrentIndex(section);
    PageControl1->SetActivePageIndex(section + 1);
}

void TCfgFrm::FormDeactivate() {
    if (!BarFrm)
        return;
    // Page 0 is "Look"; page p, "Section p", shows section p - 1.
    BarFrm->ShowSection(PageControl1->ActivePageIndex() - 1);
}

void TCfgFrm::SaveBtClick() {
    SaveSettings();
    if (BarFrm)
        BarFrm->ComboBox1Change();
    ApplySettings();
}

void TCfgFrm::SavecloseBtClick() {
    SaveBtClick();
    hide();
}

void TCfgFrm::CloseBtClick() {
    // Nothing is saved and nothing undone: the controls keep their edits.
    hide();
}

void TCfgFrm::BackColBtClick() {
    if (RunChild([this] { return ColorDialog->Execute(this); }))
        EditCol->SetColor(ColorDialog->Color);
}

void TCfgFrm::BtBaclColBtClick() {
    if (RunChild([this] { return ColorDialog2->Execute(this); }))
        EditCol2->SetColor(ColorDialog2->Color);
}

void TCfgFrm::ScBtCarClick() {
    if (!RunChild([this] { return FontDialog1->Execute(this); }))
        return;
    EditFont1->setFont(FontDialog1->Font);
    EditFont1->SetFontColor(FontDialog1->FontColor);
}

void TCfgFrm::DefaultBtClick() {
    EditCol->SetColor(clBtnFace);
    EditCol2->SetColor(clBtnFace);
    QFont font{QStringLiteral("cf_ MS Serif")};
    font.setPointSize(8);
    font.setBold(true);
    EditFont1->setFont(font);
    EditFont1->SetFontColor(0x000080);
    CheckImage->setChecked(true);
    CheckImage2->setChecked(false);
}

void TCfgFrm::ChoosePicture(QCheckBox* inUse, platform::TOpenDialog* dialog,
                            platform::TImage* preview) {
    if (!inUse->isChecked())
        throw Exception("You have to select Image Check Box above!");
    const std::string before = dialog->FileName;
    if (!RunChild([&] { return dialog->Execute(this); }))
        return;
    if (platform::holdsLineBreak(dialog->FileName))
        refuseLineBreak(std::exchange(dialog->FileName, before));
    try {
        preview->Picture().LoadFromFile(dialog->FileName);
    } catch (const std::exception& error) {
        throw PictureError(preview, dialog->FileName, error);
    }
}

void TCfgFrm::ImgBtnClick() {
    ChoosePicture(CheckImage, OpenDialog2, Image1);
}

void TCfgFrm::ImgBtn2Click() {
    ChoosePicture(CheckImage2, OpenDialog3, Image2);
}

void TCfgFrm::CheckStretch1Click() {
    Image1->SetStretch(CheckStretch1->isChecked());
    if (BarFrm)
        BarFrm->SetPictureStretch(false, CheckStretch1->isChecked());
}

void TCfgFrm::CheckStretch2Clic() {
    Image2->SetStretch(CheckStretch2->isChecked());
    if (BarFrm)
        BarFrm->SetPictureStretch(true, CheckStretch2->isChecked());
}

void TCfgFrm::ChangeBtnClick() {
    Edit1->setText(QString::fromStdString(platform::upperCase(Edit1->text().toStdString())));
    const int section = ComboBox1->currentIndex();
    const bool renamed = section >= 0 && section <= 9;
    const QString name = QStringLiteral("%1) ").arg(section + 1) + Edit1->text();
    std::string text;
    for (int i = 0; i < ComboBox1->count(); ++i)
        text += (renamed && i == section ? name.toStdString()
                                         : platform::itemBytesToSave(ComboBox1, i)) +
                "\r\n";
    // The list changes only once the file holds the new name: a failed write leaves the old names
    // in both, and Edit1's text, so a later "Save" cannot carry a name to the bar that was never
    // stored.
    WriteSectionNames(text);
    if (renamed) {
        ComboBox1->removeItem(section);
        ComboBox1->insertItem(section, name);
        ComboBox1->setCurrentIndex(section);
    }
    Edit1->clear();
}

void TCfgFrm::BrowseBtAllClick(QObject* Sender) {
    const int n = (PageControl1->ActivePageIndex() - 1) * 10 + Sender->property("Tag").toInt();
    if (n >= 1 && n <= ItemCount)
        BrowseProgram(n);
}

void TCfgFrm::BrowseProgram(int n) {
    OpenDialog1->FileName = ItemPrograms[n];
    if (!RunChild([this] { return OpenDialog1->Execute(this); }))
        return;
    if (platform::holdsLineBreak(OpenDialog1->FileName))
        refuseLineBreak(OpenDialog1->FileName);
    if (platform::holdsLineBreak(OpenDialog1->ApplicationName))
        refuseLineBreak(OpenDialog1->ApplicationName);
    ShowProgram(n, OpenDialog1->FileName);
    // An installed application brings its name; a caption the user wrote stays.
    if (!OpenDialog1->ApplicationName.empty() && CaptionEdit(n)->text().isEmpty())
        ShowCaption(n, OpenDialog1->ApplicationName);
}
