#include "Common/AsciiText.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(AsciiTextTest, BlankIsEveryByteUpToTheSpace) {
    EXPECT_EQ(TrimBlanks(" \t\r\n\v\f\x01name \x1f"), "name");
    EXPECT_EQ(TrimBlanks("a b"), "a b");
    EXPECT_EQ(TrimBlanks("\xc2\xa0x\xc2\xa0"), "\xc2\xa0x\xc2\xa0"); // UTF-8 no-break space is text
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(" \r\n\t"));
    EXPECT_FALSE(IsBlankText(" ; "));
    EXPECT_FALSE(IsBlankText("\x7f"));
}

TEST(AsciiTextTest, CaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("utf8 straße @[`{"), "UTF8 STRAßE @[`{");
    EXPECT_EQ(LowerAscii("SQL_ASCII \xc3\x84"), "sql_ascii \xc3\x84");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("PostgreSQL", "postgresql"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xe4", "\xc4")); // Latin-1 ä and Ä stay apart
    EXPECT_FALSE(EqualsIgnoringAsciiCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`")); // 0x40 and 0x60 differ by the case bit only
}

} // namespace
} // namespace velmora
