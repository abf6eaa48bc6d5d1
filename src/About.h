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

    TProPanel* Panel1;
    platform::TImage* ProgramIcon;
    platform::TImage* Image1;
    TProLabel* ProductName;
    TProLabel* Version;
    TProLabel* Comments;
    TProLabel* ProLabel1;
    TProUrlLabel* ProUrlLabel1;
    TProUrlLabel* ProUrlLabel2;
    TBitBtn* OKButton;

protected:
    void showEvent(QShowEvent* e) override;
};

// The one About box of the run.
extern TAboutBox* AboutBox;
