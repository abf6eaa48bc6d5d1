// The About box: product name, version, a note and two links to the maker.
#pragma once

#include <QDialog>

class TBitBtn;
class TProLabel;
class TProPanel;
class TProUrlLabel;
namespace platform {
class TImage;
}

// The maker's addresses, shown and opened by the About box. Ours alone: they must never point
// at anybody else.
inline const char* const MakerHomePage = "https://tevlo.example.org/";
inline const char* const MakerMail = "me@tevlo.example.org";

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The box's contents are made when it is first shown: most runs never show it, and its
    // labels measure their text, which is the first font work of a run. Null until then.
    void BuildContents();
    void setVisible(bool visible) override;

    TProPanel* Panel1 = nullptr;
    platform::TImage* ProgramIcon = nullptr;
    platform::TImage* Image1 = nullptr;
    TProLabel* ProductName = nullptr;
    TProLabel* Version = nullptr;
    TProLabel* Comments = nullptr;
    TProLabel* ProLabel1 = nullptr;
    TProUrlLabel* ProUrlLabel1 = nullptr;
    TProUrlLabel* ProUrlLabel2 = nullptr;
    TBitBtn* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};

// The one About box of the run.
extern TAboutBox* AboutBox;
