// The open dialog's list of installed applications, on a desktop the test makes up.
#include "platform/Dialogs.h"

#include "TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QStringList shownNames(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden())
            names << list->item(i)->text();
    return names;
}

// Runs the dialog, doing what the user does once it is on the screen.
bool runDialog(platform::TOpenDialog& dialog, std::function<void(QWidget*)> user) {
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        user(shown);
        // Whatever the user left open is cancelled, so a failed step cannot hang the test.
        if (QApplication::activeModalWidget() == shown)
            shown->close();
    });
    return dialog.Execute(nullptr);
}

} // namespace

TEST(OpenDialog, ListsTheShownApplicationsByNameAndChoosesOneBySearch) {
    TempDir dir;
    const std::string system = dir.file("system/applications");
    const std::string own = dir.file("own/applications");
    useDesktopData(dir.file("system"), dir.file("own"));
    writeDesktopEntry(system, "gamma", "Name=Gamma\nIcon=/no/such/icon.png");
    writeDesktopEntry(system, "beta", "Name=beta\nIcon=some-theme-icon");
    writeDesktopEntry(system, "alpha", "Name=Alpha");
    writeDesktopEntry(system, "hidden", "Name=Hidden\nNoDisplay=true");
    writeDesktopEntry(own, "alpha", "Name=Alpha Of My Own");

    platform::TOpenDialog dialog;
    dialog.ExecutablesOnly = true;
    dialog.OffersApplications = true;
    dialog.FileName = system + "/gamma.desktop";
    dialog.ApplicationName = "stale";
    const bool chosen = runDialog(dialog, [&](QWidget* shown) {
        auto* list = shown->findChild<QListWidget*>(QStringLiteral("Applications"));
        auto* search = shown->findChild<QLineEdit*>(QStringLiteral("ApplicationSearch"));
        ASSERT_TRUE(list && search);
        // A user's own entry replaces the system's; hidden ones stay out; case does not sort.
        EXPECT_EQ(shownNames(list), (QStringList{"Alpha Of My Own", "beta", "Gamma"}));
        ASSERT_NE(list->currentItem(), nullptr) << "the item's own application is selected";
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Gamma"));
        EXPECT_EQ(shown->focusWidget(), search);
        search->setText(QStringLiteral("ALPHA"));
        EXPECT_EQ(shownNames(list), QStringList{"Alpha Of My Own"});
        search->setText(QStringLiteral("nothing"));
        EXPECT_FALSE(shown->findChild<QPushButton*>(QStringLiteral("UseApplication"))->isEnabled());
        search->setText(QStringLiteral(" a"));
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Alpha Of My Own")) << "the first";
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(search, &down);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(search, &enter);
    });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog.FileName, system + "/beta.desktop");
    EXPECT_EQ(dialog.ApplicationName, "beta");

    // Cancelled, the dialog changes nothing and no name is left from the last time.
    dialog.ApplicationName = "stale";
    EXPECT_FALSE(runDialog(dialog, [](QWidget*) {}));
    EXPECT_EQ(dialog.ApplicationName, "");
}
