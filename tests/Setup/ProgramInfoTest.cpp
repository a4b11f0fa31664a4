// What the two programs say about themselves: the project's version, and the options of
// velmora-install's help, which its manual page must list as well.

#include "support/Process.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

using namespace velmora::test;
using testing::IsSupersetOf;

namespace {

TEST(ProgramInfoTest, BothProgramsPrintTheProjectVersionEvenWithoutADisplay) {
    struct Case {
        const char* program;
        std::string expected;
    };
    for (const Case& c : {Case{VELMORA_INSTALL, "velmora-install " VELMORA_PROJECT_VERSION "\n"},
                          Case{VELMORA_SETUP, "velmora-setup " VELMORA_PROJECT_VERSION "\n"}}) {
        // An empty environment: no display and no Qt platform for the window program.
        const ProcessResult result = RunProcess({c.program, "--version"}, {});
        EXPECT_EQ(result.exitCode, 0) << c.program << ": " << result.err;
        EXPECT_EQ(result.out, c.expected) << c.program;
    }
}

std::string FileText(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The manual page's text without comments, with roff's escaped hyphens as hyphens and without its
// font changes.
std::string ManualPageText() {
    std::istringstream roff(FileText(VELMORA_MANPAGE));
    std::string text;
    for (std::string line; std::getline(roff, line);) {
        if (!line.starts_with(".\\\"") && !line.starts_with("'\\\""))
            text += line + '\n';
    }
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
}

// The options a text names: "-x" or "--long-name" after a blank, a comma or a parenthesis.
std::set<std::string> Options(const std::string& text) {
    static const std::regex option(R"((?:^|[\s,(|])(--?[A-Za-z][A-Za-z-]*))");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        options.insert((*it)[1]);
    return options;
}

TEST(ProgramInfoTest, TheManualPageListsExactlyTheOptionsOfTheHelp) {
    const ProcessResult help = RunProcess({VELMORA_INSTALL, "--help"}, {});
    ASSERT_EQ(help.exitCode, 0) << help.err;
    const std::set<std::string> helpOptions = Options(help.out);
    ASSERT_THAT(helpOptions, IsSupersetOf({"-t", "--tenant", "--admin-password-file", "--version"}));

    EXPECT_EQ(Options(ManualPageText()), helpOptions);
}

} // namespace
