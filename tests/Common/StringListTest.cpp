#include "Common/StringList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

std::vector<std::string> Lines(const TStringList& list) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

} // namespace

TEST(StringList, TextSplitsAtEveryKindOfLineBreakAndJoinsWithCrLf) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd\n");
    EXPECT_THAT(Lines(list), testing::ElementsAre("a", "b", "c", "d"));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");

    list.SetText("first\n\nthird");
    EXPECT_THAT(Lines(list), testing::ElementsAre("first", "", "third"));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0u);
}

TEST(StringList, TrimmedTextDropsTrailingBlanksAndControlCharacters) {
    TStringList list;
    list.SetText("select 1;\n  \t\n\n");
    EXPECT_EQ(list.TrimmedText(), "select 1;");
    list.SetText("  leading stays");
    EXPECT_EQ(list.TrimmedText(), "  leading stays");
}

TEST(StringList, PatchingALineKeepsEveryOtherLineInPlace) {
    TStringList list;
    list.SetText("CREATE USER\n  sample\nWITH");
    list.Delete(1);
    list.Insert(1, "ab12");
    EXPECT_THAT(Lines(list), testing::ElementsAre("CREATE USER", "ab12", "WITH"));
    list.Insert(3, "appended at the end");
    EXPECT_EQ(list.Count(), 4u);
}

TEST(StringList, AnIndexOutsideTheListRaisesAndChangesNothing) {
    TStringList list;
    list.SetText("drop user AB12");
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    EXPECT_THROW(list.Delete(1), EStringListError);
    EXPECT_THROW(list.Insert(2, "x"), EStringListError);
    EXPECT_THROW((void)list[1], EStringListError);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.Count(), 1u);
}

TEST(StringList, EveryChangeIsReported) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.SetText("a\nb");
    list.Add("c");
    list.Delete(0);
    list.Insert(0, "z");
    list.Clear();
    EXPECT_EQ(changes, 5);
}
