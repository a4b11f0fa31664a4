// velmora-tenant as a program: its dispatch, and the install subcommand against the sandbox.

#include "TenantCliRun.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace velmora::test;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

TEST(TenantCliTest, AMissingOrUnknownSubcommandOrOptionIsAUsageError) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    for (const Case& c : {
             Case{{}, "velmora-tenant: der Unterbefehl fehlt\nHilfe: velmora-tenant --help\n"},
             Case{{"instal"},
                  "velmora-tenant: unbekannter Unterbefehl: instal\nHilfe: velmora-tenant --help\n"},
             Case{{"install", "--json"},
                  "velmora-tenant install: der Mandant fehlt (--tenant)\nHilfe: velmora-tenant install "
                  "--help\n"},
             Case{{"install", "-t", "q7xx", "--yes"},
                  "velmora-tenant install: unbekannte Option: --yes\nHilfe: velmora-tenant install --help\n"},
         }) {
        const ProcessResult run = RunTenant(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(c.arguments);
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST(TenantCliTest, TheOverviewNamesEverySubcommandAndEachHasItsHelp) {
    const ProcessResult overview = RunTenant({"--help"});
    ASSERT_EQ(overview.exitCode, 0) << overview.err;
    EXPECT_THAT(overview.out, StartsWith("Aufruf: velmora-tenant UNTERBEFEHL [Optionen]\n"));
    EXPECT_THAT(overview.out, HasSubstr("\n  install      "));
    const ProcessResult install = RunTenant({"install", "--help"});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_THAT(install.out, StartsWith("Aufruf: velmora-tenant install --tenant CODE [Optionen]\n"));
    EXPECT_THAT(install.out, HasSubstr("--json"));
}

class TenantInstallTest : public testing::Test {
protected:
    ~TenantInstallTest() override {
        DropDatabase(tenant);
        psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
    }

    ApplicationRoles roles;
    const std::string tenant = "q7ja";
};

// With --json the outcome is the only output on standard output, whether the run installed the
// tenant or refused to touch an existing one; the run's text goes to standard error.
TEST_F(TenantInstallTest, InstallWithJsonWritesTheOutcomeAsTheOnlyOutput) {
    const std::vector<std::string> arguments{"install",  "--json",        "-t",    tenant,   "--licensee",
                                             "Bau AG",   "--postal-code", "54321", "--city", "Köln",
                                             "--street", "Ring 2"};
    const ProcessResult installed = RunTenant(arguments, "Kennwort\n");
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    const nlohmann::json document = nlohmann::json::parse(installed.out);
    EXPECT_EQ(document, (nlohmann::json{{"tenant", "Q7JA"},
                                        {"database", tenant},
                                        {"result", "installed"},
                                        {"exit_status", 0},
                                        {"progress", 100},
                                        {"role_kind", "superuser"},
                                        {"log_file", TenantStateHome().logFile()},
                                        {"error", nullptr}}));
    EXPECT_THAT(installed.err, HasSubstr("100 %"));
    EXPECT_EQ(Superuser(tenant, "SELECT count(*) FROM trevix.mandant"), "1");
    // The release that installed the tenant is the comment on its database.
    EXPECT_EQ(Superuser("postgres", "SELECT shobj_description(oid, 'pg_database') FROM pg_database "
                                    "WHERE datname = '" +
                                        tenant + "'"),
              "velmora " VELMORA_PROJECT_VERSION);

    const ProcessResult declined = RunTenant(arguments, "Kennwort\n");
    EXPECT_EQ(declined.exitCode, 2) << declined.err;
    const nlohmann::json refusal = nlohmann::json::parse(declined.out);
    EXPECT_EQ(refusal["result"], "declined");
    EXPECT_EQ(refusal["exit_status"], 2);
    EXPECT_EQ(refusal["progress"], 0);
    EXPECT_EQ(Superuser(tenant, "SELECT count(*) FROM trevix.mandant"), "1");
}

// A dry run with --json: the statements go to standard error with the run's text, the document says
// it was a dry run, and nothing of the tenant is made.
TEST_F(TenantInstallTest, ADryRunWithJsonPrintsItsStatementsBesideTheDocument) {
    const ProcessResult run =
        RunTenant({"install", "--json", "--dry-run", "-t", tenant, "--licensee", "Bau AG", "--postal-code",
                   "54321", "--city", "Köln", "--street", "Ring 2"},
                  "Kennwort\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["result"], "dry_run");
    EXPECT_EQ(document["progress"], 100);
    EXPECT_THAT(run.err, HasSubstr("CREATE DATABASE\n" + tenant));
    EXPECT_THAT(run.err, HasSubstr("INSERT INTO trevix.mandant("));
    EXPECT_THAT(run.err, testing::Not(HasSubstr("Kennwort")));
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = '" + tenant + "'"),
              "0");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = '" + tenant + "'"), "0");
}

} // namespace
