// velmora-tenant remove against the sandbox.

#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "TenantCliRun.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace velmora;
using namespace velmora::test;
using nlohmann::json;
using testing::HasSubstr;

namespace {

bool DatabaseExists(const std::string& name) {
    return Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = '" + name + "'") == "1";
}

bool RoleExists(const std::string& name) {
    return Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = '" + name + "'") == "1";
}

class TenantRemoveTest : public testing::Test {
protected:
    ~TenantRemoveTest() override {
        for (const char* name : {"q7ra", "q7rb", "q7rn"}) {
            DropDatabase(name);
            psql("postgres", {"-c", std::string("DROP ROLE IF EXISTS ") + name});
        }
    }

    static void Install(const std::string& tenant) {
        const ProcessResult run = RunTenant({"install", "-t", tenant, "--licensee", "Bau AG", "--postal-code",
                                             "54321", "--city", "Köln", "--street", "Ring 2"},
                                            "Kennwort\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    ApplicationRoles roles;
};

// Nothing is dropped without consent, for a tenant that does not exist, for a database that is no
// tenant, or for a code that could name no tenant; each is refused with exit status 2.
TEST_F(TenantRemoveTest, RefusalsChangeNothing) {
    Install("q7ra");
    Superuser("postgres", "CREATE DATABASE q7rn");
    struct Case {
        std::vector<std::string> arguments;
        std::string result;
        std::string message;
    };
    for (const Case& c : {
             Case{{"remove", "q7ra", "--json"}, "declined", "Ohne Terminal wird nur mit --yes gelöscht"},
             Case{{"remove", "q7rx", "--yes", "--json"},
                  "refused",
                  "Den Mandanten q7rx gibt es auf diesem Server nicht"},
             Case{{"remove", "Q7RN", "--yes", "--json"}, "refused", "Die Datenbank q7rn ist kein Mandant"},
             Case{{"remove", "q7-r", "--yes", "--json"},
                  "refused",
                  "Der Mandant muss aus ein bis vier Buchstaben"},
         }) {
        const ProcessResult run = RunTenant(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        const json report = json::parse(run.out);
        EXPECT_EQ(report.at("result"), c.result) << c.arguments[1];
        EXPECT_EQ(report.at("database_dropped"), false);
        EXPECT_THAT(run.err, HasSubstr(c.message));
    }
    EXPECT_TRUE(DatabaseExists("q7ra"));
    EXPECT_TRUE(RoleExists("q7ra"));
    EXPECT_TRUE(DatabaseExists("q7rn"));

    // On a terminal the answer decides: no keeps the tenant, yes removes it.
    const auto onTerminal = [](const std::string& answer) {
        return RunProcess(
            {"script", "-qec", std::string(VELMORA_TENANT) + " remove q7ra", "/dev/null"},
            EnvironmentWith({"PGHOST=" + sandbox().host, "PGPORT=" + sandbox().port,
                             "PGUSER=" + sandbox().user, "PGPASSWORD=" + sandbox().password,
                             "PGDATABASE=postgres", "XDG_STATE_HOME=" + TenantStateHome().path()}),
            answer + "\n");
    };
    const ProcessResult no = onTerminal("n");
    EXPECT_EQ(no.exitCode, 2) << no.out;
    EXPECT_THAT(no.out,
                HasSubstr("Mandant Q7RA entfernen: die Datenbank q7ra mit allen Daten und die Rolle q7ra "
                          "löschen? [j/N]"));
    EXPECT_TRUE(DatabaseExists("q7ra"));
    const ProcessResult yes = onTerminal("j");
    EXPECT_EQ(yes.exitCode, 0) << yes.out;
    EXPECT_THAT(yes.out, HasSubstr("Mandant Q7RA: Datenbank q7ra gelöscht, Rolle q7ra gelöscht"));
    EXPECT_FALSE(DatabaseExists("q7ra"));
    EXPECT_FALSE(RoleExists("q7ra"));
}

// A connected session blocks the removal; --dry-run --force shows the statements and changes
// nothing; --force ends the session and removes the tenant, and the log says so.
TEST_F(TenantRemoveTest, ConnectedSessionsBlockTheRemovalUntilForced) {
    Install("q7rb");
    TPostgreSQLUniProvider provider;
    TUniConnection tenantSession;
    tenantSession.SetProviderName("PostgreSQL");
    tenantSession.SetServer(sandbox().host);
    tenantSession.SetPort(std::stoi(sandbox().port));
    tenantSession.SetDatabase("q7rb");
    tenantSession.SetUsername("q7rb");
    tenantSession.SetPassword("Kennwort");
    tenantSession.SetLoginPrompt(false);
    tenantSession.SetSpecificOption("ApplicationName", "buchhaltung");
    tenantSession.Connect();

    const ProcessResult blocked = RunTenant({"remove", "q7rb", "--yes"});
    EXPECT_EQ(blocked.exitCode, 2) << blocked.err;
    EXPECT_THAT(blocked.err, HasSubstr("1 Sitzung(en) sind mit dem Mandanten q7rb angemeldet: PID "));
    EXPECT_THAT(blocked.err, HasSubstr(" q7rb@q7rb (buchhaltung). Mit --force werden sie beendet"));

    const ProcessResult dryRun = RunTenant({"remove", "q7rb", "--force", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_THAT(dryRun.out, HasSubstr("\nDROP DATABASE q7rb WITH (FORCE);\nDROP ROLE q7rb;\n"));
    EXPECT_TRUE(DatabaseExists("q7rb"));
    EXPECT_EQ(tenantSession.SelectRows("SELECT 1").size(), 1u);

    const ProcessResult removed = RunTenant({"remove", "q7rb", "--force", "--yes", "--json"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    const json report = json::parse(removed.out);
    EXPECT_EQ(report.at("result"), "removed");
    EXPECT_EQ(report.at("sessions_ended"), 1);
    EXPECT_EQ(report.at("database_dropped"), true);
    EXPECT_EQ(report.at("role_dropped"), true);
    EXPECT_FALSE(DatabaseExists("q7rb"));
    EXPECT_FALSE(RoleExists("q7rb"));
    const std::string log = TenantStateHome().logText();
    EXPECT_THAT(log, HasSubstr("Mandant Q7RB: Entfernen beginnt"));
    EXPECT_THAT(log, HasSubstr("1 Sitzung(en) beendet"));
    EXPECT_THAT(log, HasSubstr("Ergebnis: Datenbank q7rb gelöscht, Rolle q7rb gelöscht"));
}

} // namespace
