// Entry for tests of widgets: they need an application object for fonts, palettes and events.
#include "platform/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Also when CTest lists the tests: no display is needed, and pixels do not depend on one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so events reach handlers through its safety net.
    platform::TApplication app(argc, argv);
    // The same typefaces as the program, so laid-out text fits as it does there.
    platform::substituteClassicFonts();
    return RUN_ALL_TESTS();
}
