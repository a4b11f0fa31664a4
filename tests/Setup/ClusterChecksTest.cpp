// What an installation needs of the server's cluster, on two clusters of these tests' own: one made
// with the encoding LATIN1, and one whose template1 the tests occupy and change.

#include "Common/ScopeExit.h"
#include "InstallationDoubles.h"
#include "Setup/Installation.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

TAdminLogin LoginTo(const SandboxEnv& cluster, const std::string& database = "postgres") {
    return {cluster.host, std::stoi(cluster.port), database, cluster.user, cluster.password};
}

std::string Query(const SandboxEnv& cluster, const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(cluster, database, {"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error(sql + ": " + result.err);
    return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
}

void DropTenant(const SandboxEnv& cluster, const std::string& tenant) {
    Query(cluster, "postgres", "DROP DATABASE IF EXISTS " + tenant);
    Query(cluster, "postgres", "DROP ROLE IF EXISTS " + tenant);
}

// The cluster made with LATIN1: template1 cannot be copied into a UTF-8 database, so the tenant's
// database is made from template0 with a UTF-8 locale of the server, and every text arrives intact.
TEST(Latin1Cluster, InstallsAUtf8Tenant) {
    const SandboxEnv cluster = sandboxAt(VELMORA_LATIN1_ENV);
    ASSERT_EQ(Query(cluster, "postgres",
                    "SELECT pg_encoding_to_char(encoding) FROM pg_database WHERE datname = 'template1'"),
              "LATIN1");
    DropTenant(cluster, "q7l1");
    StateHome stateHome;
    RecordingHost host;
    host.tenantCode = "Q7L1";
    host.masterData.city = "Köln-Mülheim";
    ErrorRecorder recorder(host);
    ScriptedLogin login(0, LoginTo(cluster));

    {
        TInstallation installation(host, login);
        installation.Button1Click();
        EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    }
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().message;
    ASSERT_EQ(host.informations.size(), 1u);
    EXPECT_THAT(host.informations[0], StartsWith("Die Datenbank q7l1 wurde erfolgreich installiert\n"));
    EXPECT_EQ(Query(cluster, "postgres",
                    "SELECT pg_encoding_to_char(encoding), datcollate, datctype FROM pg_database "
                    "WHERE datname = 'q7l1'"),
              "UTF8|C.utf8|C.utf8");
    // Letters beyond ASCII are letters in the tenant's database.
    EXPECT_EQ(Query(cluster, "q7l1", "SELECT upper('köln-mülheim')"), "KÖLN-MÜLHEIM");
    EXPECT_EQ(Query(cluster, "q7l1", "SELECT ort, lizenznehmer FROM trevix.mandant"),
              "Köln-Mülheim|Muster Bau GmbH");
    EXPECT_EQ(Query(cluster, "q7l1", "SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "68");
    EXPECT_THAT(stateHome.logText(), HasSubstr("aus template0 mit der Locale "));
    DropTenant(cluster, "q7l1");
}

// A template1 the tenant's database cannot be copied from is refused before anything changes: the
// tenant that exists already keeps its role and database, and nothing is asked.
class Template1Test : public testing::Test {
protected:
    Template1Test() {
        DropTenant(cluster, "q7t1");
        Query(cluster, "postgres", "CREATE ROLE q7t1 LOGIN PASSWORD 'aelter'");
        Query(cluster, "postgres", "CREATE DATABASE q7t1 OWNER q7t1");
        host.tenantCode = "Q7T1";
        host.confirm = true;
    }
    ~Template1Test() override { DropTenant(cluster, "q7t1"); }

    // Runs an installation that must be refused and returns its message.
    std::string RefusedRun(const std::string& adminDatabase = "postgres") {
        ScriptedLogin login(0, LoginTo(cluster, adminDatabase));
        TInstallation installation(host, login);
        try {
            installation.Button1Click();
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
            EXPECT_TRUE(host.progress.empty());
            EXPECT_TRUE(host.questions.empty());
            EXPECT_EQ(Query(cluster, "postgres",
                            "SELECT count(*) FROM pg_database WHERE datname = 'q7t1' AND "
                            "pg_get_userbyid(datdba) = 'q7t1'"),
                      "1");
            EXPECT_THAT(stateHome.logText(), HasSubstr("Ergebnis: Installation abgebrochen: " + e.Message()));
            return e.Message();
        }
        ADD_FAILURE() << "the run went through";
        return {};
    }

    const SandboxEnv cluster = sandboxAt(VELMORA_TEMPLATE_ENV);
    StateHome stateHome;
    RecordingHost host;
    ErrorRecorder recorder{host};
};

TEST_F(Template1Test, InUseIsRefused) {
    TPostgreSQLUniProvider provider;
    TUniConnection other;
    other.SetProviderName("PostgreSQL");
    other.SetServer(cluster.host);
    other.SetPort(std::stoi(cluster.port));
    other.SetDatabase("template1");
    other.SetUsername(cluster.user);
    other.SetPassword(cluster.password);
    other.SetLoginPrompt(false);
    other.Connect();

    EXPECT_EQ(RefusedRun(), "Mit der Vorlage template1 ist eine andere Sitzung verbunden; solange kann der "
                            "Server keine Datenbank aus ihr anlegen. Bitte diese Sitzungen beenden und die "
                            "Installation wiederholen. Es wurde nichts verändert");
}

TEST_F(Template1Test, AdministratorLoggedOnToItIsRefused) {
    EXPECT_THAT(RefusedRun("template1"), StartsWith("Die Anmeldung ist mit der Vorlage template1 verbunden"));
}

// A schema trevix that template1 holds shows in the copy that CREATE DATABASE makes of it: the run
// drops the database and the role it made and stops there. A tenant that existed before was
// replaced by then, and the message says so.
TEST_F(Template1Test, SchemaTrevixInItIsRefusedAfterTheCopy) {
    Query(cluster, "template1", "CREATE SCHEMA trevix");
    const TScopeExit drop([this]() noexcept { psql(cluster, "template1", {"-c", "DROP SCHEMA trevix"}); });
    const std::string refusal = "Die Vorlage template1 enthält ein Schema trevix, das jede neue Datenbank "
                                "erbt; die Struktur des Mandanten ließe sich darin nicht anlegen. Bitte das "
                                "Schema trevix aus template1 entfernen. ";
    const struct {
        bool existed;
        std::string outcome;
    } cases[] = {{true, "Der bisherige Mandant q7t1 war zu diesem Zeitpunkt schon gelöscht"},
                 {false, "Es wurde nichts verändert"}};
    for (const auto& [existed, outcome] : cases) {
        SCOPED_TRACE(existed);
        if (!existed)
            DropTenant(cluster, "q7t1");
        ScriptedLogin login(0, LoginTo(cluster));
        TInstallation installation(host, login);
        try {
            installation.Button1Click();
            ADD_FAILURE() << "the run went through";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), refusal + outcome);
        }
        EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
        EXPECT_EQ(host.lastProgress(), 30);
        EXPECT_EQ(Query(cluster, "postgres",
                        "SELECT (SELECT count(*) FROM pg_database WHERE datname = 'q7t1') + "
                        "(SELECT count(*) FROM pg_roles WHERE rolname = 'q7t1')"),
                  "0");
    }
}

} // namespace
