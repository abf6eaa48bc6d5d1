#include "platform/TextBytes.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <random>

using platform::displayText;

TEST(TextBytes, ShowsUtf8AsUtf8AndOtherBytesAsCodePage1252) {
    EXPECT_EQ(displayText("B\xFCro"), QString::fromUtf8("Büro"));
    EXPECT_EQ(displayText("B\xC3\xBCro"), QString::fromUtf8("Büro"));
    EXPECT_EQ(displayText("\x80 \x9F \x81 \xA0"), QString::fromUtf8("€ Ÿ \u0081 \u00A0"));
    EXPECT_EQ(displayText("\xF0\x9F\x98\x80!"), QString::fromUtf8("😀!"));
    // Overlong forms, surrogates and cut sequences are not UTF-8: each byte stands alone.
    EXPECT_EQ(displayText("\xC0\x80"), QString::fromUtf8("À€"));
    EXPECT_EQ(displayText("\xED\xA0\x80"), QString::fromUtf8("í\u00A0€"));
    EXPECT_EQ(displayText("\xE2\x82"), QString::fromUtf8("â‚"));
    EXPECT_EQ(displayText(std::string_view("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
}

TEST(TextBytes, UneditedTextGivesBackItsBytesAndEditedTextIsUtf8) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    QLineEdit edit;
    QComboBox list;
    for (int i = 0; i < 3000; ++i) {
        std::string bytes;
        for (int n = length(random); n > 0; --n)
            bytes += char(byte(random));
        edit.setText(displayText(bytes));
        platform::rememberShownBytes(&edit, bytes);
        ASSERT_EQ(platform::bytesToSave(&edit, edit.text()), bytes);
        platform::addItemFromBytes(&list, bytes);
        ASSERT_EQ(platform::itemBytesToSave(&list, list.count() - 1), bytes);
    }
    edit.setText(displayText("B\xFCro"));
    platform::rememberShownBytes(&edit, "B\xFCro");
    edit.setText(edit.text() + QStringLiteral("s"));
    EXPECT_EQ(platform::bytesToSave(&edit, edit.text()), "B\xC3\xBCros");
    list.setItemText(0, QStringLiteral("new"));
    EXPECT_EQ(platform::itemBytesToSave(&list, 0), "new");
}
