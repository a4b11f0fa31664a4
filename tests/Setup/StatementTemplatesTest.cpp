#include "Setup/StatementTemplates.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

TEST(StatementTemplates, PatchingALineKeepsEveryOtherLineAtItsIndex) {
    TStringList lines;
    LoadTemplate(lines, kDatabaseTemplate);
    PatchLine(lines, 3, "OWNER = ab12");
    PatchLine(lines, 11, "ab12");
    ASSERT_EQ(lines.Count(), kDatabaseTemplate.size());
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string expected = i == 3    ? "OWNER = ab12"
                                     : i == 11 ? "ab12"
                                               : std::string(kDatabaseTemplate[i]);
        EXPECT_EQ(lines[i], expected) << i;
    }
}

TEST(StatementTemplates, PatchingALineTheListDoesNotHoldFailsAndChangesNothing) {
    TStringList lines;
    lines.SetText("drop user AB12");
    EXPECT_THROW(PatchLine(lines, 1, "AB12"), EStringListError);
    ASSERT_EQ(lines.Count(), 1u);
    EXPECT_EQ(lines[0], "drop user AB12");
}

} // namespace
