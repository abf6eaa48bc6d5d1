// The bar: a narrow borderless window with a title strip, the section list and ten launch
// buttons.
#pragma once

#include "platform/Colors.h"

#include <QFont>
#include <QIcon>
#include <QStringList>
#include <QWidget>
#include <array>
#include <map>
#include <string>
#include <vector>

class QComboBox;
class QKeyEvent;
class TProPanel;
class TProgramCheck;
class QUrl;
class TRxSpeedButton;
namespace platform {
struct IconFiles;
class TImage;
class TPicture;
} // namespace platform

// How the settings make the bar look, handed over in one piece by the settings dialog.
struct BarLook {
    TColor titleColor = clBtnFace; // the title strip
    TColor bodyColor = clBtnFace;  // the launch buttons' panel
    // Its name and size reach the bar's captions; the bar's own style stays.
    QFont font;
    TColor fontColor = clBlack;
    const platform::TPicture* titlePicture = nullptr;
    const platform::TPicture* backgroundPicture = nullptr;
    bool showTitlePicture = false;
    bool showBackgroundPicture = false;
    bool stretchTitlePicture = false;
    bool stretchBackgroundPicture = false;
    bool onTop = false;
    QStringList sectionNames;
    // The section to show, or -1 to leave the first.
    int section = -1;
};

// The bar's places on the desktop. They were made for an 800 x 600 screen and keep exactly their
// numbers there; on any other screen each keeps its edge (or the middle) and its distance from
// it, in the available area of the bar's screen (panels excluded), in device-independent pixels.
// The left edge by horizontal place ("Right", "Left", "Center"); -1 for any other index.
int PlaceLeft(int horizontal, const QRect& area);
// The top edge by vertical place ("Up", "Down", "Middle"), collapsed or expanded; -1 for any
// other index. The bar's own triggers move it only for "Down" and "Middle"; applying settings
// uses all three.
int PlaceTop(int vertical, bool collapsed, const QRect& area);

class TBarFrm : public QWidget {
    Q_OBJECT
public:
    static constexpr int SmallHeight = 56;
    static constexpr int FullHeight = 303;
    static constexpr int BarWidth = 130;

    explicit TBarFrm(QWidget* parent = nullptr);
    ~TBarFrm() override;

    // Runs the creation steps; called once the global BarFrm points at this window.
    void FormCreate();

    // What the settings dialog tells the bar: its look, its place by horizontal ("Right",
    // "Left", "Center") and vertical ("Up", "Down", "Middle") index, -1 leaving that edge where
    // it is, measured on the screen the bar is on, and a stretch box's change at once.
    void ApplyLook(const BarLook& look);
    void ApplyPlace(int horizontal, int vertical);
    void SetPictureStretch(bool title, bool stretch);
    // Shows or takes away the launch buttons' icons as the settings dialog's switch says.
    void RefreshIcons();
    // The section shown, 0..9, or -1; showing another refreshes the launch buttons.
    int Section() const;
    void ShowSection(int section);
    // The section names as the bar's creation read them from "Items.txt", or the design names
    // when it could not; the settings dialog's creation takes them from here.
    const std::vector<std::string>& StartSectionNames() const { return m_startSectionNames; }
    void FormDestroy();

    void ButtonAllClick(QObject* Sender);
    void LaunchItem(int n);
    void ComboBox1Change();
    void ComboBox1Click();
    void NextBtnClick();
    void PrevBtnClick();
    void HideBtnClick();
    void ShowBtnClick();
    void SetBar1Click();
    void InfoBtnClick();
    void HelpBtnClick();
    void Exit1Click();
    void AppIdle(bool& Done);
    void AppActivate();
    void AppDeactivate();
    void PlaceCollapsed();
    void PlaceExpanded();

    // Sets the height; the top edge stays where it is.
    void SetHeight(int height);
    // The available area of the screen the bar is on, where its places are measured.
    QRect PlaceArea() const;
    // Pulls the bar back onto the nearest screen when it is wholly or mostly off every one.
    void KeepOnScreen();

    // Makes button k of the section shown the dropped file's or address's item and saves.
    void AssignDrop(int k, const QUrl& url);
    // True when item n's program may start, or be put on its button (putting): anything but a
    // desktop entry that is no trusted launcher, which the user is asked about first unless
    // this very file was allowed before.
    bool LauncherMayRun(int n, const std::string& program, bool putting);
    // False while the programs of the section shown are still being looked for.
    bool ProgramsChecked() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The bar's controls; the settings dialog reaches them through the calls above, tests by
    // their object names.
    TProPanel* Panel2;
    TProPanel* Panel3;
    platform::TImage* Image2;
    TRxSpeedButton* HideBtn;
    TRxSpeedButton* ShowBtn;
    TRxSpeedButton* SetBtn;
    TRxSpeedButton* InfoBtn;
    TRxSpeedButton* HelpBtn;
    TRxSpeedButton* ExitBtn;
    QComboBox* ComboBox1;
    TProPanel* Panel1;
    platform::TImage* Image1;
    TRxSpeedButton* PrevBtn;
    TRxSpeedButton* RxSpeedButton2;
    // The launch buttons by button number: SectionButtons[1] is Button1.
    std::array<TRxSpeedButton*, 11> SectionButtons{};

    // The title strip with its command buttons, the section list, and the launch buttons'
    // panel with the section steppers.
    void BuildTitleStrip();
    void BuildSectionList();
    void BuildLaunchPanel();
    void ConnectHandlers();
    // The bar's keys, while it is the active window: digits launch, Page Up and Down and the
    // arrows step the sections, Escape collapses.
    void InstallKeys();
    // The launch button under a point of the bar, 1 to 10, or 0.
    int LaunchButtonAt(QPoint at) const;
    // Strikes out button k when its program cannot be found, and says so in its hint.
    void MarkMissing(int k, bool missing);
    // Gives button k its program's icon when icons are shown: the one kept for that program,
    // else the files found for it (when they were asked for), else our own picture of a
    // program. False when they must be asked for first.
    bool ShowIcon(int k, const platform::IconFiles* found);
    void LaunchKey(int k);
    // Does what a key means on the bar; false for a key that means nothing there.
    bool BarKey(const QKeyEvent* e);
    TRxSpeedButton* commandButton(QWidget* parent, const char* name, QRect where, const char* glyph,
                                  const char* hint);
    void SetTop(int top);

    QPoint m_dragOffset;
    bool m_dragging = false;
    TProgramCheck* m_programCheck = nullptr;
    std::vector<std::string> m_startSectionNames;
    // The programs of the buttons shown, by button number - 1, as last asked after.
    std::array<std::string, 10> m_checkedPrograms;
    // Each program's icon once found, so a section shown again draws its icons at once.
    std::map<std::string, QIcon> m_icons;
    // Our own picture of a program, for every item whose icon nothing names; read when first
    // needed.
    QIcon m_programIcon;
};

// The one bar of the run; also the application's main window.
extern TBarFrm* BarFrm;
