// The settings dialog: its controls are the one live copy of the settings, which it loads from
// and saves to the INI file and applies to the bar.
#pragma once

#include "Tools1.h"
#include "platform/Colors.h"
#include "platform/Errors.h"

#include <QDialog>
#include <QLineEdit>
#include <array>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TPageControl;
class TProLabel;
class TProPanel;
namespace platform {
class TImage;
class TOpenDialog;
class TColorDialog;
class TFontDialog;
} // namespace platform

// An edit box that shows a colour as its own background and holds it as a setting.
class TEditColor : public QLineEdit {
    Q_OBJECT
public:
    explicit TEditColor(QWidget* parent = nullptr);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    // What the colour is for, which a screen reader says with the colour.
    void SetLabel(const QString& label) {
        m_label = label;
        SetColor(m_color);
    }

private:
    TColor m_color = clWindow;
    QString m_label;
};

// A frame with a caption on its top line, grouping the controls inside it.
class TGroupBox : public QWidget {
    Q_OBJECT
public:
    TGroupBox(const QString& caption, QWidget* parent = nullptr);
    QString Caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_caption;
};

// The font sample: its font and its font colour are the bar's font setting.
class TFontEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFontEdit(QWidget* parent = nullptr);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor value);

private:
    TColor m_fontColor = clBlack;
};

class TCfgFrm : public QDialog {
    Q_OBJECT
public:
    explicit TCfgFrm(QWidget* parent = nullptr);

    // The switches and the vertical place as the bar asks them, at the moment it needs them.
    bool SmallBarOnUse() const;
    bool MinimizeOnUse() const;
    bool AutomaticResize() const;
    bool Uppercase() const;
    bool ShowIcons() const;
    int VerticalPlace() const;

    void FormCreate();
    void FormActivate();
    void FormDeactivate();
    void FormDestroy();
    void LoadSettings();
    void SaveSettings();
    void ApplySettings();

    void SaveBtClick();
    void SavecloseBtClick();
    void CloseBtClick();
    void BackColBtClick();
    void BtBaclColBtClick();
    void ScBtCarClick();
    void DefaultBtClick();
    void ImgBtnClick();
    void ImgBtn2Click();
    void CheckStretch1Click();
    void CheckStretch2Clic();
    void ChangeBtnClick();
    void BrowseBtAllClick(QObject* Sender);
    void BrowseProgram(int n);

    // An item's edit boxes, its section page made first if it has not been shown yet.
    QLineEdit* CaptionEdit(int n);
    QLineEdit* ProgramEdit(int n);
    // Puts a chosen program, or a caption cut as captions are, into item n's box with its
    // bytes, so that it is saved exactly as chosen.
    void ShowProgram(int n, const std::string& program);
    void ShowCaption(int n, std::string_view caption);

public slots:
    // Escape, and the window's close box, hide the dialog as "Close" does.
    void reject() override;

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // The dialog's controls, the one live copy of the settings; others reach them through the
    // calls above, tests by their object names.
    TPageControl* PageControl1;
    QWidget* Look;
    std::array<QWidget*, 11> Sections{}; // Sections[k] is the page "Section k", k = 1..10
    QPushButton* CloseBt;
    QPushButton* SaveBt;
    QPushButton* SavecloseBt;

    TGroupBox* GroupBox101;
    QPushButton* BackColBt;
    TEditColor* EditCol;
    QPushButton* BtBaclColBt;
    TEditColor* EditCol2;
    QPushButton* ScBtCar;
    TFontEdit* EditFont1;
    QCheckBox* CheckUppercase;
    QPushButton* DefaultBt;
    TProPanel* ProPanel1;
    QCheckBox* CheckImage2;
    QPushButton* ImgBtn2;
    TProPanel* Panel1;
    platform::TImage* Image2;
    QCheckBox* CheckStretch2;
    QCheckBox* CheckImage;
    QPushButton* ImgBtn;
    TProPanel* Panel2;
    platform::TImage* Image1;
    QCheckBox* CheckStretch1;
    TGroupBox* GroupBox103;
    QLabel* Label202;
    QComboBox* ComboBox2; // horizontal place
    QLabel* Label203;
    QComboBox* ComboBox3; // vertical place
    TGroupBox* GroupBox102;
    TProLabel* ProLabel1;
    QLabel* Label201;
    QComboBox* ComboBox1; // the rename list
    QLabel* Label204;
    QLineEdit* Edit1;
    QLabel* Label205;
    QPushButton* ChangeBtn;
    QCheckBox* CheckSmall;
    QCheckBox* CheckMin;
    QCheckBox* CheckResize;
    QCheckBox* CheckOnTop;
    QCheckBox* CheckIcons;

    platform::TOpenDialog* OpenDialog1;
    platform::TOpenDialog* OpenDialog2;
    platform::TOpenDialog* OpenDialog3;
    platform::TColorDialog* ColorDialog;
    platform::TColorDialog* ColorDialog2;
    platform::TFontDialog* FontDialog1;

    void MakeDialogs();
    void ConnectHandlers();
    // The "Look" page, one group of controls at a time.
    void BuildLookPage();
    void BuildBackgroundGroup();
    void BuildPlaceGroup();
    void BuildNamesGroup();
    // "Section 1" to "Section 10" are pages 1 to 10.
    void BuildSectionPage(int page);
    // Makes the page's controls, once, showing the item store's values.
    void FillSectionPage(int page);
    // Loads a preview; a picture that fails leaves the preview empty and the file name as it
    // was, and is reported only when its picture is in use, by ReportPictureErrors.
    void LoadPreview(platform::TImage* preview, const std::string& file, bool inUse);
    // Which picture failed and where it lies, with the reason in the words of the reader.
    static Exception PictureError(const platform::TImage* preview, const std::string& file,
                                  const std::exception& error);
    // A message box runs an event loop that activates the application, and the bar reacts to
    // that with the settings the dialog holds then: so pictures that failed to load are
    // reported only once every setting is read and applied.
    void ReportPictureErrors();
    void ChoosePicture(QCheckBox* inUse, platform::TOpenDialog* dialog, platform::TImage* preview);
    // Runs one of the dialog's own dialogs; the window changes it causes are not the user
    // moving between the program's windows.
    template <typename F> bool RunChild(F&& run);

    bool m_centred = false;
    int m_childDepth = 0;
    bool m_skipActivate = false;
    std::vector<std::exception_ptr> m_pictureErrors;
    // Null until the item's page has been made.
    TItemArray<QLineEdit*> CaptionEdits;
    TItemArray<QLineEdit*> ProgramEdits;
};

// The one settings dialog of the run.
extern TCfgFrm* CfgFrm;
