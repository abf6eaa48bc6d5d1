// The settings dialog: its controls are the one live copy of the settings, which it loads from
// and saves to the INI file and applies to the bar.
#pragma once

#include "Tools1.h"
#include "platform/Colors.h"

#include <QDialog>
#include <QLineEdit>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
namespace platform {
class TImage;
class TOpenDialog;
} // namespace platform

// The rename list's entries before "Items.txt" replaces them; also what the bar and the dialog
// fall back on when that file cannot be read.
std::vector<std::string> DesignSectionNames();

// An edit box that shows a colour as its own background and holds it as a setting.
class TEditColor : public QLineEdit {
    Q_OBJECT
public:
    explicit TEditColor(QWidget* parent = nullptr);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);

private:
    TColor m_color = clWindow;
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

    void FormCreate();
    void FormDestroy();
    void LoadSettings();
    void SaveSettings();
    void ApplySettings();

    QCheckBox* CheckImage;
    QCheckBox* CheckImage2;
    TEditColor* EditCol;
    TEditColor* EditCol2;
    QCheckBox* CheckStretch1;
    QCheckBox* CheckStretch2;
    TFontEdit* EditFont1;
    QComboBox* ComboBox1; // the rename list
    QComboBox* ComboBox2; // horizontal place
    QComboBox* ComboBox3; // vertical place
    platform::TOpenDialog* OpenDialog2;
    platform::TOpenDialog* OpenDialog3;
    platform::TImage* Image1;
    platform::TImage* Image2;
    QCheckBox* CheckOnTop;
    QCheckBox* CheckSmall;
    QCheckBox* CheckMin;
    QCheckBox* CheckUppercase;
    QCheckBox* CheckResize;

    TItemArray<QLineEdit*> CaptionEdits;
    TItemArray<QLineEdit*> ProgramEdits;

private:
    QCheckBox* checkBox(const char* name, const char* caption);
    // Loads a preview; a picture that fails leaves the preview empty and the file name as it
    // was, and is reported only when its picture is in use.
    void LoadPreview(platform::TImage* preview, const std::string& file, bool inUse);
};

// The one settings dialog of the run.
extern TCfgFrm* CfgFrm;
