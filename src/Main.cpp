#include "Main.h"

#include "About.h"
#include "ProgramCheck.h"
#include "SectionNames.h"
#include "Tools1.h"
#include "config.h"
#include "controls/ProCtrls.h"
#include "controls/RXCtrls.h"
#include "platform/Application.h"
#include "platform/Applications.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/Icons.h"
#include "platform/Image.h"
#include "platform/Process.h"
#include "platform/Screens.h"
#include "platform/Strings.h"
#include "platform/TextBytes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QWindow>
#include <functional>

TBarFrm* BarFrm = nullptr;

namespace {

QFont pixelFont(const char* family, int pixels) {
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(pixels);
    return font;
}

TProPanel* panel(QWidget* parent, const char* name, QRect where) {
    auto* made = new TProPanel(parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setGeometry(where);
    made->SetBevelInner(bvLowered);
    return made;
}

platform::TImage* picture(QWidget* parent, const char* name, QRect where) {
    auto* made = new platform::TImage(parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setGeometry(where);
    return made;
}

platform::TBitmap glyph(const QString& name) {
    // Our own pictures are XPM: no need to ask every image plugin what they are.
    return platform::TBitmap(platform::readOwnImage(QStringLiteral(":/glyphs/") + name, "XPM"));
}

// Our own picture of a program, for an item whose icon nothing names, at each density drawn.
QIcon programIcon() {
    QIcon made;
    for (const char* name : {"Program", "Program@2x", "Program@3x"})
        made.addPixmap(QPixmap::fromImage(
            platform::readOwnImage(QStringLiteral(":/glyphs/") + QLatin1String(name), "XPM")));
    return made;
}

// Rows of the dropped-down section list are 11 pixels high, so all ten fit in a short list.
class SectionRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 11);
    }
};

// The desktop's style may drop a list down as a menu of every entry; ours shows ten rows and
// scrolls for the rest.
class ScrollingListStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// The dialog's switches as the bar asks them, at the moment it needs them; off while there is no
// dialog yet.
bool asked(bool (TCfgFrm::*setting)() const) {
    return CfgFrm && (CfgFrm->*setting)();
}

} // namespace

static void initGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

TBarFrm::TBarFrm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    initGlyphResources();
    setObjectName(QStringLiteral("BarFrm"));
    setWindowTitle(QStringLiteral("Tevlo"));
    setFont(pixelFont("Times New Roman", 11));
    QPalette look = palette();
    look.setColor(QPalette::Window, platform::toQColor(clBtnFace));
    look.setColor(QPalette::WindowText, Qt::black);
    look.setColor(QPalette::ButtonText, Qt::black);
    setPalette(look);
    setAutoFillBackground(true);
    // The bar is as wide as its layout; only its height changes.
    setMinimumSize(BarWidth, SmallHeight);
    setMaximumSize(BarWidth, FullHeight);
    resize(BarWidth, FullHeight);

    BuildTitleStrip();
    BuildSectionList();
    BuildLaunchPanel();
    ConnectHandlers();
    InstallKeys();
    setAcceptDrops(true);
    // Dragging the bar by its body moves it.
    for (QWidget* body : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2),
                          static_cast<QWidget*>(Panel3)})
        body->installEventFilter(this);
}

void TBarFrm::BuildTitleStrip() {
    Panel2 = panel(this, "Panel2", QRect(0, 0, 130, 57));
    Panel3 = panel(Panel2, "Panel3", QRect(2, 2, 126, 31));
    Image2 = picture(Panel3, "Image2", QRect(2, 2, 122, 27));
    HideBtn = commandButton(Panel3, "HideBtn", QRect(4, 4, 23, 11), "HideBtn", "Hide Bar");
    ShowBtn = commandButton(Panel3, "ShowBtn", QRect(4, 16, 23, 11), "ShowBtn", "Show Bar");
    for (TRxSpeedButton* small : {HideBtn, ShowBtn}) {
        small->setFont(pixelFont("Times New Roman", 8));
        small->SetParentFont(false);
    }
    SetBtn = commandButton(Panel3, "SetBtn", QRect(29, 4, 23, 23), "SetBtn", "Set Bar");
    InfoBtn = commandButton(Panel3, "InfoBtn", QRect(52, 4, 23, 23), "InfoBtn", "About...");
    HelpBtn = commandButton(Panel3, "HelpBtn", QRect(75, 4, 23, 23), "HelpBtn", "Help");
    ExitBtn = commandButton(Panel3, "ExitBtn", QRect(98, 4, 23, 23), "ExitBtn", "Exit");
}

void TBarFrm::BuildSectionList() {
    ComboBox1 = new QComboBox(Panel2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(3, 34, 123, 19);
    ComboBox1->setFont(pixelFont("MS Serif", 9));
    // A font of its own, colour included: the bar's font colour, which the settings set on the
    // whole window, must stop here.
    QPalette own = ComboBox1->palette();
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        own.setColor(role, own.color(role));
    ComboBox1->setPalette(own);
    ComboBox1->setMaxVisibleItems(10);
    auto* listStyle = new ScrollingListStyle;
    listStyle->setParent(ComboBox1);
    ComboBox1->setStyle(listStyle);
    ComboBox1->setItemDelegate(new SectionRows(ComboBox1));
    ComboBox1->setEditable(false);
    ComboBox1->setAccessibleName(QStringLiteral("Section"));
    // A combo box on Linux says its current entry as its name and hears its label through the
    // label's buddy; the bar has no room to show one.
    auto* caption = new QLabel(QStringLiteral("Section"), Panel2);
    caption->setBuddy(ComboBox1);
    caption->hide();
}

void TBarFrm::BuildLaunchPanel() {
    Panel1 = panel(this, "Panel1", QRect(0, 57, 130, 246));
    Panel1->SetColor(clYellow);
    Image1 = picture(Panel1, "Image1", QRect(2, 2, 126, 242));
    for (int k = 1; k <= 10; ++k) {
        auto* button = new TRxSpeedButton(Panel1);
        button->setObjectName(QStringLiteral("Button%1").arg(k));
        button->setGeometry(21, 8 + 21 * (k - 1), 88, 21);
        button->SetFlat(true);
        button->SetTransparent(true);
        button->SetTag(k);
        SectionButtons[std::size_t(k)] = button;
        connect(button, &QAbstractButton::clicked, this,
                platform::reporting([this, button] { ButtonAllClick(button); }));
    }
    PrevBtn =
        commandButton(Panel1, "PrevBtn", QRect(44, 220, 17, 20), "PrevBtn", "Previous Section");
    RxSpeedButton2 =
        commandButton(Panel1, "RxSpeedButton2", QRect(72, 220, 17, 20), "NextBtn", "Next Section");
}

void TBarFrm::ConnectHandlers() {
    const auto onClick = [this](TRxSpeedButton* button, void (TBarFrm::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                platform::reporting([this, handler] { (this->*handler)(); }));
    };
    onClick(HideBtn, &TBarFrm::HideBtnClick);
    onClick(ShowBtn, &TBarFrm::ShowBtnClick);
    onClick(SetBtn, &TBarFrm::SetBar1Click);
    onClick(InfoBtn, &TBarFrm::InfoBtnClick);
    onClick(HelpBtn, &TBarFrm::HelpBtnClick);
    onClick(ExitBtn, &TBarFrm::Exit1Click);
    onClick(PrevBtn, &TBarFrm::PrevBtnClick);
    onClick(RxSpeedButton2, &TBarFrm::NextBtnClick);
    connect(ComboBox1, &QComboBox::activated, this, platform::reporting([this] {
                ComboBox1Click();
                ComboBox1Change();
            }));
}

TBarFrm::~TBarFrm() {
    platform::setIdleHandler(nullptr);
    platform::setActivationHandlers(nullptr, nullptr);
}

TRxSpeedButton* TBarFrm::commandButton(QWidget* parent, const char* name, QRect where,
                                       const char* glyphName, const char* hint) {
    auto* button = new TRxSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(where);
    button->SetFlat(true);
    button->SetTransparent(true);
    const QString art = QLatin1String(glyphName);
    button->SetGlyph(glyph(art));
    // The same drawings for screens of two and three times the density.
    for (const int scale : {2, 3})
        button->SetFinerGlyphSource(
            scale, [name = art + QStringLiteral("@%1x").arg(scale)] { return glyph(name); });
    button->SetHint(QString::fromLatin1(hint));
    return button;
}

void TBarFrm::FormCreate() {
    SetHeight(SmallHeight);

    std::vector<std::string> names;
    try {
        names = ReadSectionNames();
    } catch (const std::exception& error) {
        // Said once, here; the bar and the dialog then go on with the dialog's design names.
        platform::handleException(error);
        names = DesignSectionNames();
    }
    ComboBox1->clear();
    for (const std::string& name : names)
        ComboBox1->addItem(platform::displayText(name));
    ComboBox1->setCurrentIndex(0);
    m_startSectionNames = std::move(names);

    m_programCheck = new TProgramCheck(this);
    m_programCheck->OnAnswer = [this](const std::vector<TProgramCheck::Answer>& answers) {
        for (int k = 1; k <= 10; ++k) {
            MarkMissing(k, answers[std::size_t(k - 1)].missing);
            ShowIcon(k, &answers[std::size_t(k - 1)].icon);
        }
    };
    m_programCheck->OnLate = [this] {
        for (int k = 1; k <= 10; ++k)
            if (SectionButtons[std::size_t(k)] && !m_checkedPrograms[std::size_t(k - 1)].empty())
                SectionButtons[std::size_t(k)]->SetHint(
                    QStringLiteral("Key %1 (still looking for %2)")
                        .arg(k % 10)
                        .arg(platform::displayText(m_checkedPrograms[std::size_t(k - 1)])));
    };

    platform::setIdleHandler([this](bool& done) { AppIdle(done); });
    platform::setActivationHandlers([this] { AppActivate(); }, [this] { AppDeactivate(); });
    // A monitor unplugged, a new resolution or scale: the bar is never left where nobody sees it.
    // Told as the window system's events are taken in, outside the application's safety net.
    platform::onScreensChanged(this, [this] { platform::guarded([this] { KeepOnScreen(); }); });
}

void TBarFrm::FormDestroy() {
    platform::helpCommand(this, platform::HelpCommand::Quit, 0);
}

void TBarFrm::SetHeight(int height) {
    resize(BarWidth, height);
    // Collapsed, the launch buttons are cut off: hidden, the keyboard does not walk through them
    // and a screen reader does not report them as showing.
    Panel1->setVisible(height > SmallHeight);
}

void TBarFrm::SetTop(int top) {
    move(x(), top);
    KeepOnScreen();
}

namespace {

// Where a place is measured from, and how far from there it lies on an 800 x 600 screen.
enum class Edge { Start, Middle, End };
struct Anchor {
    Edge edge;
    int distance;
};

int anchored(const Anchor& anchor, int start, int length) {
    const int from = anchor.edge == Edge::Start ? start
                     : anchor.edge == Edge::End ? start + length
                                                : start + length / 2;
    return from + anchor.distance;
}

// The places of the design (left 673, 10, 348; tops 10, 500, 242 collapsed and 10, 268, 135
// expanded), each told from its edge of an 800 x 600 screen. "Right" is the one exception: the
// design's 673 put the bar's right border 3 pixels past the screen's edge, so the whole bar sits
// against the edge instead (670 there).
constexpr Anchor Lefts[] = {
    {Edge::End, -TBarFrm::BarWidth}, {Edge::Start, 10}, {Edge::Middle, 348 - 400}};
constexpr Anchor CollapsedTops[] = {
    {Edge::Start, 10}, {Edge::End, 500 - 600}, {Edge::Middle, 242 - 300}};
constexpr Anchor ExpandedTops[] = {
    {Edge::Start, 10}, {Edge::End, 268 - 600}, {Edge::Middle, 135 - 300}};

} // namespace

int PlaceLeft(int horizontal, const QRect& area) {
    if (horizontal < 0 || horizontal > 2)
        return -1;
    return anchored(Lefts[horizontal], area.x(), area.width());
}

int PlaceTop(int vertical, bool collapsed, const QRect& area) {
    if (vertical < 0 || vertical > 2)
        return -1;
    return anchored((collapsed ? CollapsedTops : ExpandedTops)[vertical], area.y(), area.height());
}

void TBarFrm::ButtonAllClick(QObject* Sender) {
    const int section = ComboBox1->currentIndex();
    auto* button = qobject_cast<TRxSpeedButton*>(Sender);
    // A list without a valid section has no items to start.
    if (!button || section < 0 || section > 9)
        return;
    LaunchItem(section * 10 + button->Tag());
}

void TBarFrm::LaunchItem(int n) {
    const std::string program = ItemPrograms[n];
    if (program.empty() || !LauncherMayRun(n, program, false))
        return;
    RunProgram(program, std::string(), ProgramFolder(program));
    SetHeight(asked(&TCfgFrm::SmallBarOnUse) ? SmallHeight : FullHeight);
    if (asked(&TCfgFrm::MinimizeOnUse))
        showMinimized();
    else
        showNormal();
}

void TBarFrm::ComboBox1Change() {
    const int section = ComboBox1->currentIndex();
    const bool valid = section >= 0 && section <= 9;
    std::vector<TProgramCheck::Question> questions;
    for (int k = 1; k <= 10; ++k) {
        TRxSpeedButton* button = SectionButtons[std::size_t(k)];
        if (!button)
            continue;
        const int n = section * 10 + k;
        button->SetCaption(valid ? platform::displayText(ItemCaptions[n].str()) : QString());
        button->setEnabled(valid && !ItemPrograms[n].empty());
        const std::string program = valid ? ItemPrograms[n] : std::string();
        m_checkedPrograms[std::size_t(k - 1)] = program;
        // A screen reader hears the caption, and what the button starts.
        button->SetSpokenName(program.empty() ? QStringLiteral("Empty") : QString());
        MarkMissing(k, false);
        questions.push_back({program, !ShowIcon(k, nullptr)});
    }
    // Looked up as a start would look it up, and only when a section is shown: never by a
    // timer, so an idle bar stays idle. The answer comes from another thread.
    if (m_programCheck)
        m_programCheck->Request(std::move(questions), platform::settingsFolder(),
                                platform::IconTheme::current());
}

void TBarFrm::RefreshIcons() {
    ComboBox1Change();
}

bool TBarFrm::ShowIcon(int k, const platform::IconFiles* found) {
    TRxSpeedButton* button = SectionButtons[std::size_t(k)];
    const std::string& program = m_checkedPrograms[std::size_t(k - 1)];
    if (!button || program.empty() || !asked(&TCfgFrm::ShowIcons)) {
        if (button)
            button->setIcon(QIcon());
        return true;
    }
    auto kept = m_icons.find(program);
    if (kept == m_icons.end()) {
        if (!found) {
            button->setIcon(QIcon());
            return false;
        }
        const QIcon read = platform::iconOf(*found);
        if (read.isNull() && m_programIcon.isNull())
            m_programIcon = programIcon();
        kept = m_icons.emplace(program, read.isNull() ? m_programIcon : read).first;
    }
    button->setIcon(kept->second);
    return true;
}

bool TBarFrm::LauncherMayRun(int n, const std::string& program, bool putting) {
    const platform::ProgramLocation entry =
        platform::locateProgram(program, platform::settingsFolder());
    if (entry.error != 0 || !entry.desktopEntry)
        return true;
    const platform::LauncherTrust trust = platform::launcherTrust(entry.path);
    if (trust.trusted || LauncherAllowed(n, trust.stamp))
        return true;
    const QString text =
        QStringLiteral("The launcher \"%1\" (%2) %3, and it is not one of the desktop's installed "
                       "applications. It runs:\n\n%4\n\n%5 only if you trust where it came from.")
            .arg(platform::displayText(trust.name), platform::displayText(entry.path),
                 QString::fromStdString(trust.reason), platform::displayText(trust.exec),
                 putting ? QStringLiteral("Put it on the button") : QStringLiteral("Start it"));
    if (!platform::askQuestion(QStringLiteral("Untrusted application launcher"), text))
        return false;
    AllowLauncher(n, trust.stamp);
    return true;
}

bool TBarFrm::ProgramsChecked() const {
    return !m_programCheck || !m_programCheck->Pending();
}

void TBarFrm::MarkMissing(int k, bool missing) {
    TRxSpeedButton* button = SectionButtons[std::size_t(k)];
    if (!button)
        return;
    const QString program = platform::displayText(m_checkedPrograms[std::size_t(k - 1)]);
    button->SetStrikeOut(missing);
    button->SetHint(missing ? QStringLiteral("Not found: ") + program
                            : QStringLiteral("Key %1").arg(k % 10));
    button->setAccessibleDescription(missing ? QStringLiteral("Not found: ") + program : program);
}

void TBarFrm::InstallKeys() {
    // Tab and Shift+Tab walk the bar as it reads: the title strip's buttons, the section list,
    // the launch buttons and the hands. A click gives none of the buttons the focus, so the
    // mouse never moves it away from where the keyboard left it.
    QWidget* order[] = {HideBtn, ShowBtn, SetBtn, InfoBtn, HelpBtn, ExitBtn, ComboBox1};
    for (TRxSpeedButton* button :
         {HideBtn, ShowBtn, SetBtn, InfoBtn, HelpBtn, ExitBtn, PrevBtn, RxSpeedButton2})
        button->setFocusPolicy(Qt::TabFocus);
    QWidget* previous = order[0];
    for (QWidget* next : order)
        if (next != previous)
            setTabOrder(std::exchange(previous, next), next);
    for (int k = 1; k <= 10; ++k) {
        SectionButtons[std::size_t(k)]->setFocusPolicy(Qt::TabFocus);
        setTabOrder(std::exchange(previous, SectionButtons[std::size_t(k)]), previous);
    }
    setTabOrder(previous, PrevBtn);
    setTabOrder(PrevBtn, RxSpeedButton2);
    // The section list takes letters and digits to find its entries; the bar's digits and
    // Escape are the bar's own there too.
    ComboBox1->installEventFilter(this);
}

bool TBarFrm::BarKey(const QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    std::function<void()> act;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        act = [this, k = key == Qt::Key_0 ? 10 : key - Qt::Key_0] { LaunchKey(k); };
    else if (key == Qt::Key_PageUp || key == Qt::Key_Up)
        act = [this] { PrevBtnClick(); };
    else if (key == Qt::Key_PageDown || key == Qt::Key_Down)
        act = [this] { NextBtnClick(); };
    else if (key == Qt::Key_Escape)
        act = [this] { HideBtnClick(); };
    else
        return false;
    // Reported here, before the key's way back through Qt's own handling.
    platform::guarded(act);
    return true;
}

void TBarFrm::keyPressEvent(QKeyEvent* e) {
    // The keys a focused control leaves unused come here: its own come first, and a screen
    // reader's, which it takes before any window sees them.
    if (!BarKey(e))
        QWidget::keyPressEvent(e);
}

void TBarFrm::LaunchKey(int k) {
    // As a click: a button without a program is disabled and starts nothing.
    TRxSpeedButton* button = SectionButtons[std::size_t(k)];
    if (button && button->isEnabled())
        button->Click();
}

void TBarFrm::ComboBox1Click() {
    SetHeight(FullHeight);
}

void TBarFrm::NextBtnClick() {
    const int section = ComboBox1->currentIndex();
    if (section != 9)
        ComboBox1->setCurrentIndex(section + 1);
    ComboBox1Change();
}

void TBarFrm::PrevBtnClick() {
    const int section = ComboBox1->currentIndex();
    if (section == 0)
        return;
    ComboBox1->setCurrentIndex(section - 1);
    ComboBox1Change();
}

void TBarFrm::HideBtnClick() {
    SetHeight(SmallHeight);
    PlaceCollapsed();
}

void TBarFrm::ShowBtnClick() {
    SetHeight(FullHeight);
    PlaceExpanded();
    // Programs may have come or gone while the bar was collapsed.
    ComboBox1Change();
}

void TBarFrm::SetBar1Click() {
    if (!CfgFrm)
        return;
    CfgFrm->show();
    CfgFrm->raise();
    CfgFrm->activateWindow();
}

void TBarFrm::InfoBtnClick() {
    if (AboutBox)
        AboutBox->exec();
}

void TBarFrm::HelpBtnClick() {
    platform::helpCommand(this, platform::HelpCommand::Contents, 0);
}

void TBarFrm::Exit1Click() {
    close();
}

void TBarFrm::AppIdle(bool& Done) {
    Done = false;
    if (!CfgFrm)
        return;
    const bool uppercase = CfgFrm->Uppercase();
    for (int k = 1; k <= 10; ++k) {
        TRxSpeedButton* button = SectionButtons[std::size_t(k)];
        if (!button)
            continue;
        if (uppercase)
            button->SetCaption(
                QString::fromStdString(platform::upperCase(button->Caption().toStdString())));
        if (button->Caption().isEmpty())
            button->SetCaption(QStringLiteral("?"));
    }
}

void TBarFrm::AppActivate() {
    if (!asked(&TCfgFrm::AutomaticResize))
        return;
    SetHeight(FullHeight);
    PlaceExpanded();
    ComboBox1Change();
}

void TBarFrm::AppDeactivate() {
    if (!asked(&TCfgFrm::AutomaticResize))
        return;
    SetHeight(SmallHeight);
    PlaceCollapsed();
}

void TBarFrm::PlaceCollapsed() {
    const int place = CfgFrm ? CfgFrm->VerticalPlace() : -1;
    if (place == 1 || place == 2)
        SetTop(PlaceTop(place, true, PlaceArea()));
}

void TBarFrm::PlaceExpanded() {
    const int place = CfgFrm ? CfgFrm->VerticalPlace() : -1;
    if (place == 1 || place == 2)
        SetTop(PlaceTop(place, false, PlaceArea()));
}

void TBarFrm::ApplyLook(const BarLook& look) {
    Panel2->SetColor(look.titleColor);
    Panel3->SetColor(look.titleColor);
    Panel1->SetColor(look.bodyColor);
    // A missing item's caption must still read on the buttons' panel.
    const QColor struck =
        platform::readableOn(platform::toQColor(clGrayText), platform::toQColor(look.bodyColor));
    for (int k = 1; k <= 10; ++k)
        SectionButtons[std::size_t(k)]->SetStrikeOutColor(struck);

    QFont captions = font();
    captions.setFamily(look.font.family());
    if (look.font.pixelSize() > 0)
        captions.setPixelSize(look.font.pixelSize());
    else
        captions.setPointSizeF(look.font.pointSizeF());
    setFont(captions);
    QPalette colours = palette();
    const QColor text = platform::toQColor(look.fontColor);
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    setPalette(colours);

    if (look.backgroundPicture)
        Image1->Picture().Assign(*look.backgroundPicture);
    if (look.titlePicture)
        Image2->Picture().Assign(*look.titlePicture);
    Image1->setVisible(look.showBackgroundPicture);
    Image2->setVisible(look.showTitlePicture);
    Image1->SetStretch(look.stretchBackgroundPicture);
    Image2->SetStretch(look.stretchTitlePicture);

    ComboBox1->clear();
    ComboBox1->addItems(look.sectionNames);
    ComboBox1->setCurrentIndex(look.section >= 0 && look.section <= 9 ? look.section : 0);

    if (look.onTop != windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing a window's flags hides it; a shown bar is shown again.
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, look.onTop);
        if (shown)
            show();
    }
}

void TBarFrm::ApplyPlace(int horizontal, int vertical) {
    // Measured on the screen the bar is on, so a bar dragged to another monitor stays there.
    const QRect area = PlaceArea();
    if (const int left = PlaceLeft(horizontal, area); left != -1)
        move(left, y());
    if (const int top = PlaceTop(vertical, height() == SmallHeight, area); top != -1)
        move(x(), top);
    KeepOnScreen();
}

void TBarFrm::SetPictureStretch(bool title, bool stretch) {
    (title ? Image2 : Image1)->SetStretch(stretch);
}

int TBarFrm::Section() const {
    const int section = ComboBox1->currentIndex();
    return section >= 0 && section <= 9 ? section : -1;
}

void TBarFrm::ShowSection(int section) {
    if (section >= 0 && section <= 9)
        ComboBox1->setCurrentIndex(section);
    ComboBox1Change();
}

QRect TBarFrm::PlaceArea() const {
    return platform::areaOf(this);
}

void TBarFrm::KeepOnScreen() {
    const QPoint kept = platform::keptOnScreen(frameGeometry(), platform::screenAreas());
    if (kept != frameGeometry().topLeft())
        move(pos() + kept - frameGeometry().topLeft());
}

void TBarFrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Like any panel or dock, on every workspace; the window is made anew when its flags change.
    platform::showOnAllWorkspaces(this);
}

bool TBarFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBox1) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool ours = key->key() == Qt::Key_Escape ||
                              (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9);
            return ours && BarKey(key);
        }
        return false;
    }
    // The bar's body moves the window: its panels and pictures, never its buttons or list.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (windowHandle() && windowHandle()->startSystemMove())
            return true;
        m_dragging = true;
        m_dragOffset = mouse->globalPosition().toPoint() - pos();
        return true;
    }
    if (event->type() == QEvent::MouseMove && m_dragging) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - m_dragOffset);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && m_dragging) {
        m_dragging = false;
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TBarFrm::closeEvent(QCloseEvent* event) {
    // The bar is the main window: its closing ends the program, whatever else is open.
    event->accept();
    QCoreApplication::quit();
}
