// The settings held by the dialog's controls: read from the INI file, written back to it, and
// handed to the bar.
#include "config.h"

#include "Main.h"
#include "SectionNames.h"
#include "controls/ProCtrls.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Image.h"
#include "platform/Strings.h"
#include "platform/TextBytes.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

const std::string Config = "Config";
const std::string DefaultPicture = "c:\\windows\\nuvole.bmp";

// A stored place outside the list leaves the list without a selection.
void selectPlace(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

} // namespace

bool TCfgFrm::SmallBarOnUse() const {
    return CheckSmall->isChecked();
}

bool TCfgFrm::MinimizeOnUse() const {
    return CheckMin->isChecked();
}

bool TCfgFrm::AutomaticResize() const {
    return CheckResize->isChecked();
}

bool TCfgFrm::Uppercase() const {
    return CheckUppercase->isChecked();
}

bool TCfgFrm::ShowIcons() const {
    return CheckIcons->isChecked();
}

int TCfgFrm::VerticalPlace() const {
    return ComboBox3->currentIndex();
}

// Which picture failed and where it lies, with the reason in the words of the reader.
Exception TCfgFrm::PictureError(const platform::TImage* preview, const std::string& file,
                                const std::exception& error) {
    const char* which = preview->objectName() == QStringLiteral("Image2") ? "title" : "background";
    return Exception(std::string("The ") + which + " picture \"" + file +
                     "\" could not be read: " + error.what());
}

void TCfgFrm::FormCreate() {
    std::vector<std::string> names;
    if (BarFrm) {
        // The bar has just read the file, or said why it could not and taken the design names.
        names = BarFrm->StartSectionNames();
    } else {
        try {
            names = ReadSectionNames();
        } catch (const std::exception&) {
            // Creation goes on with the design names, so nothing stored is overwritten.
            names = DesignSectionNames();
        }
    }
    ComboBox1->clear();
    for (const std::string& name : names)
        platform::addItemFromBytes(ComboBox1, name);
    ComboBox1->setCurrentIndex(0);

    LoadSettings();
    ApplySettings();
    if (BarFrm)
        BarFrm->ComboBox1Change();
    ReportPictureErrors();
}

void TCfgFrm::FormDestroy() {
    SaveSettings();
    FreeItemStore();
}

void TCfgFrm::LoadPreview(platform::TImage* preview, const std::string& file, bool inUse) {
    try {
        preview->Picture().LoadFromFile(file);
    } catch (const std::exception& error) {
        preview->Picture().SetGraphic(nullptr);
        if (inUse)
            m_pictureErrors.push_back(std::make_exception_ptr(PictureError(preview, file, error)));
    }
}

void TCfgFrm::ReportPictureErrors() {
    for (const std::exception_ptr& error : std::exchange(m_pictureErrors, {}))
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& shown) {
            platform::handleException(shown);
        }
}

void TCfgFrm::LoadSettings() {
    LoadItems();
    for (int n = 1; n <= ItemCount; ++n)
        if (CaptionEdits[n]) {
            platform::setTextFromBytes(CaptionEdits[n], ItemCaptions[n].str());
            platform::setTextFromBytes(ProgramEdits[n], ItemPrograms[n]);
        }
    TAppIniFile& ini = *AppIni;
    CheckImage->setChecked(ini.ReadFlag(Config, "CheckImage", false));
    CheckImage2->setChecked(ini.ReadFlag(Config, "CheckImage2", false));
    EditCol->SetColor(ini.ReadNumber(Config, "BackColor1", 0));
    EditCol2->SetColor(ini.ReadNumber(Config, "BackColor2", 0));
    CheckStretch1->setChecked(ini.ReadFlag(Config, "Stretch", false));
    QFont font = EditFont1->font();
    const std::string family = ini.ReadValue(Config, "Font1", "cf_MS Serif");
    font.setFamily(platform::displayText(family));
    platform::rememberShownBytes(EditFont1, family);
    EditFont1->setFont(font);
    EditFont1->SetFontColor(ini.ReadNumber(Config, "ColFont1", 0));
    selectPlace(ComboBox2, ini.ReadNumber(Config, "Pos1", 0));
    selectPlace(ComboBox3, ini.ReadNumber(Config, "Pos2", 0));
    OpenDialog2->FileName = ini.ReadValue(Config, "BackImage", DefaultPicture);
    LoadPreview(Image1, OpenDialog2->FileName, CheckImage->isChecked());
    OpenDialog3->FileName = ini.ReadValue(Config, "TitleImage", DefaultPicture);
    LoadPreview(Image2, OpenDialog3->FileName, CheckImage2->isChecked());
    CheckOnTop->setChecked(ini.ReadFlag(Config, "OnTop", false));
    CheckSmall->setChecked(ini.ReadFlag(Config, "Small", false));
    CheckMin->setChecked(ini.ReadFlag(Config, "Min", false));
    CheckUppercase->setChecked(ini.ReadFlag(Config, "Uppercase", true));
    CheckIcons->setChecked(ini.ReadFlag(Config, "Icons", true));
    CheckResize->setChecked(ini.ReadFlag(Config, "Resize", true));
}

void TCfgFrm::SaveSettings() {
    TAppIniFile& ini = LoadedSettings();
    ini.WriteFlag(Config, "CheckImage", CheckImage->isChecked());
    ini.WriteFlag(Config, "CheckImage2", CheckImage2->isChecked());
    ini.WriteNumber(Config, "BackColor1", EditCol->Color());
    ini.WriteNumber(Config, "BackColor2", EditCol2->Color());
    ini.WriteFlag(Config, "Stretch", CheckStretch1->isChecked());
    ini.WriteValue(Config, "Font1", platform::bytesToSave(EditFont1, EditFont1->font().family()));
    ini.WriteNumber(Config, "ColFont1", EditFont1->FontColor());
    ini.WriteNumber(Config, "Pos1", ComboBox2->currentIndex());
    ini.WriteNumber(Config, "Pos2", ComboBox3->currentIndex());
    ini.WriteValue(Config, "BackImage", OpenDialog2->FileName);
    ini.WriteValue(Config, "TitleImage", OpenDialog3->FileName);
    ini.WriteFlag(Config, "OnTop", CheckOnTop->isChecked());
    ini.WriteFlag(Config, "Small", CheckSmall->isChecked());
    ini.WriteFlag(Config, "Min", CheckMin->isChecked());
    ini.WriteFlag(Config, "Uppercase", CheckUppercase->isChecked());
    ini.WriteFlag(Config, "Resize", CheckResize->isChecked());
    ini.WriteFlag(Config, "Icons", CheckIcons->isChecked());
    // A page never shown still holds what was loaded, in the item store.
    for (int n = 1; n <= ItemCount; ++n)
        if (CaptionEdits[n]) {
            // The caption type keeps at most 30 bytes and never splits a character.
            ItemCaptions[n] = platform::bytesToSave(CaptionEdits[n], CaptionEdits[n]->text());
            ItemPrograms[n] = platform::bytesToSave(ProgramEdits[n], ProgramEdits[n]->text());
        }
    SaveItems();
}

void TCfgFrm::ApplySettings() {
    if (!BarFrm)
        return;
    BarLook look;
    look.titleColor = EditCol->Color();
    look.bodyColor = EditCol2->Color();
    look.font = EditFont1->font();
    look.fontColor = EditFont1->FontColor();
    look.backgroundPicture = &Image1->Picture();
    look.titlePicture = &Image2->Picture();
    look.showBackgroundPicture = CheckImage->isChecked();
    look.showTitlePicture = CheckImage2->isChecked();
    look.stretchBackgroundPicture = CheckStretch1->isChecked();
    look.stretchTitlePicture = CheckStretch2->isChecked();
    look.onTop = CheckOnTop->isChecked();
    for (int i = 0; i < ComboBox1->count(); ++i)
        look.sectionNames.append(ComboBox1->itemText(i));
    look.section = ComboBox1->currentIndex();
    BarFrm->ApplyLook(look);
    BarFrm->ApplyPlace(ComboBox2->currentIndex(), ComboBox3->currentIndex());
}
