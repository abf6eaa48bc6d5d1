#include "config.h"

#include "Main.h"
#include "controls/ProCtrls.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Image.h"

#include <QCheckBox>
#include <QComboBox>

TCfgFrm* CfgFrm = nullptr;

namespace {

const std::string Config = "Config";
const std::string DefaultPicture = "c:\\windows\\nuvole.bmp";

// Places of the bar on the desktop, by list index.
constexpr int Lefts[] = {673, 10, 348};         // "Right", "Left", "Center"
constexpr int CollapsedTops[] = {10, 500, 242}; // "Up", "Down", "Middle"
constexpr int ExpandedTops[] = {10, 268, 135};

QFont sampleFont() {
    QFont font{QStringLiteral("MS Serif")};
    font.setPixelSize(11);
    return font;
}

// A stored place outside the list leaves the list without a selection.
void selectPlace(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

} // namespace

std::vector<std::string> DesignSectionNames() {
    return {"SYSTEM UTILITIES", "DESKTOP UTILITIES", "TOOLS",    "DOCUMENTS",  "PROGRAMMING",
            "WEB DESIGN",       "INTERNET",          "GRAPHICS", "MULTIMEDIA", "GAMES"};
}

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
}

TFontEdit::TFontEdit(QWidget* parent) : QLineEdit(parent) {
    setText(QStringLiteral("A,B,C, a,b,c"));
    setFont(sampleFont());
    SetFontColor(clBlack);
}

void TFontEdit::SetFontColor(TColor value) {
    m_fontColor = value;
    QPalette shown = palette();
    shown.setColor(QPalette::Text, platform::toQColor(value));
    setPalette(shown);
}

TCfgFrm::TCfgFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CfgFrm"));
    setWindowTitle(QStringLiteral("Settings"));

    CheckImage = checkBox("CheckImage", "Image");
    CheckImage2 = checkBox("CheckImage2", "Title Image");
    CheckStretch1 = checkBox("CheckStretch1", "Stretch");
    CheckStretch2 = checkBox("CheckStretch2", "Stretch");
    CheckOnTop = checkBox("CheckOnTop", "Stay On Top");
    CheckSmall = checkBox("CheckSmall", "Small Bar On Use");
    CheckMin = checkBox("CheckMin", "Minimize On Use");
    CheckUppercase = checkBox("CheckUppercase", "Uppercase");
    CheckResize = checkBox("CheckResize", "Authomatic Resize");
    CheckResize->setChecked(true);

    EditCol = new TEditColor(this);
    EditCol->setObjectName(QStringLiteral("EditCol"));
    EditCol->setEnabled(false);
    EditCol2 = new TEditColor(this);
    EditCol2->setObjectName(QStringLiteral("EditCol2"));
    EditFont1 = new TFontEdit(this);
    EditFont1->setObjectName(QStringLiteral("EditFont1"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const std::string& name : DesignSectionNames())
        ComboBox1->addItem(QString::fromStdString(name));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems(
        {QStringLiteral("Right"), QStringLiteral("Left"), QStringLiteral("Center")});
    ComboBox2->setCurrentIndex(-1);
    ComboBox3 = new QComboBox(this);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->addItems({QStringLiteral("Up"), QStringLiteral("Down"), QStringLiteral("Middle")});
    ComboBox3->setCurrentIndex(-1);

    OpenDialog2 = new platform::TOpenDialog(this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog3 = new platform::TOpenDialog(this);
    OpenDialog3->setObjectName(QStringLiteral("OpenDialog3"));
    Image1 = new platform::TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image2 = new platform::TImage(this);
    Image2->setObjectName(QStringLiteral("Image2"));

    for (int n = 1; n <= ItemCount; ++n) {
        auto* caption = new QLineEdit(this);
        caption->setObjectName(QStringLiteral("EditCap%1").arg(n));
        auto* program = new QLineEdit(this);
        program->setObjectName(QStringLiteral("EditProg%1").arg(n));
    }
    // Until the creation handler fills them, the arrays point nowhere.
    for (int n = 1; n <= ItemCount; ++n) {
        CaptionEdits[n] = nullptr;
        ProgramEdits[n] = nullptr;
    }
}

QCheckBox* TCfgFrm::checkBox(const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), this);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void TCfgFrm::FormCreate() {
    std::vector<std::string> names;
    try {
        names = ReadSectionNames();
    } catch (const std::exception&) {
        // The bar has said so already; the design names stay, and creation goes on so that
        // nothing stored is overwritten at shutdown.
        names = DesignSectionNames();
    }
    ComboBox1->clear();
    for (const std::string& name : names)
        ComboBox1->addItem(QString::fromStdString(name));
    ComboBox1->setCurrentIndex(0);

    for (int n = 1; n <= ItemCount; ++n) {
        CaptionEdits[n] = findChild<QLineEdit*>(QStringLiteral("EditCap%1").arg(n));
        ProgramEdits[n] = findChild<QLineEdit*>(QStringLiteral("EditProg%1").arg(n));
    }
    LoadSettings();
    ApplySettings();
    if (BarFrm)
        BarFrm->ComboBox1Change();
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
            platform::handleException(error);
    }
}

void TCfgFrm::LoadSettings() {
    LoadItems();
    for (int n = 1; n <= ItemCount; ++n) {
        CaptionEdits[n]->setText(QString::fromStdString(ItemCaptions[n].str()));
        ProgramEdits[n]->setText(QString::fromStdString(ItemPrograms[n]));
    }
    TAppIniFile& ini = *AppIni;
    CheckImage->setChecked(ini.ReadFlag(Config, "CheckImage", false));
    CheckImage2->setChecked(ini.ReadFlag(Config, "CheckImage2", false));
    EditCol->SetColor(ini.ReadNumber(Config, "BackColor1", 0));
    EditCol2->SetColor(ini.ReadNumber(Config, "BackColor2", 0));
    CheckStretch1->setChecked(ini.ReadFlag(Config, "Stretch", false));
    QFont font = EditFont1->font();
    font.setFamily(QString::fromStdString(ini.ReadValue(Config, "Font1", "cf_MS Serif")));
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
    CheckResize->setChecked(ini.ReadFlag(Config, "Resize", true));
}

void TCfgFrm::SaveSettings() {
    if (!AppIni)
        throw Exception("The settings file was never read, so nothing was saved");
    TAppIniFile& ini = *AppIni;
    ini.WriteFlag(Config, "CheckImage", CheckImage->isChecked());
    ini.WriteFlag(Config, "CheckImage2", CheckImage2->isChecked());
    ini.WriteNumber(Config, "BackColor1", EditCol->Color());
    ini.WriteNumber(Config, "BackColor2", EditCol2->Color());
    ini.WriteFlag(Config, "Stretch", CheckStretch1->isChecked());
    ini.WriteValue(Config, "Font1", EditFont1->font().family().toStdString());
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
    for (int n = 1; n <= ItemCount; ++n) {
        // The caption type keeps at most 30 bytes and never splits a character.
        ItemCaptions[n] = CaptionEdits[n]->text().toStdString();
        ItemPrograms[n] = ProgramEdits[n]->text().toStdString();
    }
    SaveItems();
}

void TCfgFrm::ApplySettings() {
    TBarFrm* bar = BarFrm;
    if (!bar)
        return;
    bar->Panel2->SetColor(EditCol->Color());
    bar->Panel3->SetColor(EditCol->Color());
    bar->Panel1->SetColor(EditCol2->Color());

    // Name, colour and size reach the bar; its own style stays.
    QFont font = bar->font();
    const QFont chosen = EditFont1->font();
    font.setFamily(chosen.family());
    if (chosen.pixelSize() > 0)
        font.setPixelSize(chosen.pixelSize());
    else
        font.setPointSizeF(chosen.pointSizeF());
    bar->setFont(font);
    QPalette colours = bar->palette();
    const QColor text = platform::toQColor(EditFont1->FontColor());
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    bar->setPalette(colours);

    bar->Image1->Picture().Assign(Image1->Picture());
    bar->Image2->Picture().Assign(Image2->Picture());

    bar->ComboBox1->clear();
    for (int i = 0; i < ComboBox1->count(); ++i)
        bar->ComboBox1->addItem(ComboBox1->itemText(i));
    bar->ComboBox1->setCurrentIndex(0);

    const int horizontal = ComboBox2->currentIndex();
    if (horizontal >= 0 && horizontal <= 2)
        bar->move(Lefts[horizontal], bar->y());
    const int vertical = ComboBox3->currentIndex();
    if (vertical >= 0 && vertical <= 2) {
        const bool collapsed = bar->height() == TBarFrm::SmallHeight;
        bar->move(bar->x(), collapsed ? CollapsedTops[vertical] : ExpandedTops[vertical]);
    }

    bar->Image1->setVisible(CheckImage->isChecked());
    bar->Image2->setVisible(CheckImage2->isChecked());
    bar->Image1->SetStretch(CheckStretch1->isChecked());
    bar->Image2->SetStretch(CheckStretch2->isChecked());

    const bool onTop = CheckOnTop->isChecked();
    if (onTop != bar->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing a window's flags hides it; a shown bar is shown again.
        const bool shown = bar->isVisible();
        bar->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (shown)
            bar->show();
    }

    const int section = ComboBox1->currentIndex();
    if (section >= 0 && section <= 9)
        bar->ComboBox1->setCurrentIndex(section);
}
