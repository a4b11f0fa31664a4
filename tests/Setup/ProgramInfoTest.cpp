// What the programs say about themselves: the project's version, and the options of the command-line
// programs' helps, which their manual pages must list as well.

#include "support/Process.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

using namespace velmora::test;
using testing::HasSubstr;
using testing::IsSupersetOf;

namespace {

TEST(ProgramInfoTest, EveryProgramPrintsTheProjectVersionEvenWithoutADisplay) {
    struct Case {
        const char* program;
        std::string expected;
    };
    for (const Case& c : {Case{VELMORA_INSTALL, "velmora-install " VELMORA_PROJECT_VERSION "\n"},
                          Case{VELMORA_TENANT, "velmora-tenant " VELMORA_PROJECT_VERSION "\n"},
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
std::string ManualPageText(const char* path) {
    std::istringstream roff(FileText(path));
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

    EXPECT_EQ(Options(ManualPageText(VELMORA_MANPAGE)), helpOptions);
}

// The subcommands the overview of velmora-tenant lists, by the first word of each line under
// "Unterbefehle:".
std::vector<std::string> Subcommands(const std::string& overview) {
    std::istringstream lines(overview.substr(overview.find("Unterbefehle:\n") + 14));
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line) && !line.empty();)
        names.push_back(line.substr(2, line.find(' ', 2) - 2));
    return names;
}

// velmora-tenant's manual page has a section for every subcommand, names every option that
// velmora-tenant adds to velmora-install's, and no option that the program lacks.
TEST(ProgramInfoTest, TheTenantManualPageCoversEverySubcommandAndTheOptionsItAdds) {
    const ProcessResult overview = RunProcess({VELMORA_TENANT, "--help"}, {});
    ASSERT_EQ(overview.exitCode, 0) << overview.err;
    const std::vector<std::string> subcommands = Subcommands(overview.out);
    ASSERT_THAT(subcommands, IsSupersetOf({"install", "list", "remove"}));
    std::set<std::string> tenantOptions = Options(overview.out);
    for (const std::string& subcommand : subcommands) {
        const ProcessResult help = RunProcess({VELMORA_TENANT, subcommand, "--help"}, {});
        ASSERT_EQ(help.exitCode, 0) << subcommand << ": " << help.err;
        tenantOptions.merge(Options(help.out));
    }
    const std::set<std::string> installOptions = Options(RunProcess({VELMORA_INSTALL, "--help"}, {}).out);
    std::set<std::string> added;
    std::ranges::set_difference(tenantOptions, installOptions, std::inserter(added, added.end()));
    ASSERT_THAT(added, IsSupersetOf({"--json", "--yes", "--force"}));

    const std::string page = ManualPageText(VELMORA_TENANT_MANPAGE);
    const std::set<std::string> pageOptions = Options(page);
    EXPECT_THAT(pageOptions, IsSupersetOf(added));
    EXPECT_THAT(tenantOptions, IsSupersetOf(pageOptions));
    for (const std::string& subcommand : subcommands)
        EXPECT_THAT(page, HasSubstr("\n.SS " + subcommand + "\n"));
}

} // namespace
