#include "dialogs/display/LocalText.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalText, singleByteTextsShowAsWindows1252) {
    EXPECT_EQ(FromLocalText("55.1 @14:02:08"), QStringLiteral("55.1 @14:02:08"));
    EXPECT_EQ(FromLocalText("caf\xE9"), QString::fromUtf8("caf\u00E9"));
    EXPECT_EQ(FromLocalText("\x80 \x93quoted\x94 \x9F"),
              QString::fromUtf8("\u20AC \u201Cquoted\u201D \u0178"));
    EXPECT_EQ(FromLocalText("\x81").at(0).unicode(), 0x81) << "unused codes show as themselves";
    EXPECT_EQ(FromLocalText(std::string("a\0b", 3)).size(), 3);
}

}  // namespace
