// End-to-end installations against the sandbox server, headless.

#include "Setup/Installation.h"

#include "Common/AsciiText.h"
#include "Dabrix/Uni.h"
#include "InstallationDoubles.h"
#include "Setup/TenantLock.h"
#include "schema/TenantDatabase.h"
#include "support/ExpectFailure.h"
#include "support/Pooler.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;
using testing::AllOf;
using testing::Contains;
using testing::ElementsAre;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

namespace {

bool Exists(const std::string& catalog, const std::string& column, const std::string& name) {
    return Superuser("postgres",
                     "SELECT count(*) FROM " + catalog + " WHERE " + column + " = '" + name + "'") == "1";
}

// Logs on to the tenant's database as the tenant role with password, through our own connection.
void LogOnAsTenant(const std::string& tenant, const std::string& password) {
    const TAdminLogin sandboxLogin = ScriptedLogin::sandboxLogin();
    TPostgreSQLUniProvider provider;
    TUniConnection connection;
    connection.SetProviderName("PostgreSQL");
    connection.SetServer(sandboxLogin.server);
    connection.SetPort(sandboxLogin.port);
    connection.SetDatabase(tenant);
    connection.SetUsername(tenant);
    connection.SetPassword(password);
    connection.SetLoginPrompt(false);
    connection.Connect();
}

// What the sandbox server logged for one session tag (user@database/application): the text of
// every statement it executed, and the parameters of each that had some. The server logs every
// statement; continuation lines of a message start with a tab, and line breaks stay as received. The
// parameters' line reads "parameters: ", and "Parameters: " from version 18 on.
struct LoggedSession {
    std::vector<std::string> statements;
    std::vector<std::string> parameters;
};

std::string SandboxDirectory() {
    std::ifstream env(std::getenv("VELMORA_SANDBOX_ENV"));
    for (std::string line; std::getline(env, line);) {
        if (line.starts_with("PGSANDBOX_DIR="))
            return line.substr(line.find('=') + 1);
    }
    throw std::runtime_error("no PGSANDBOX_DIR in the sandbox environment");
}

LoggedSession ServerLog(const std::string& sessionTag) {
    const std::string directory = SandboxDirectory();
    std::ifstream log(directory + "/server.log", std::ios::binary);
    if (!log)
        throw std::runtime_error("cannot read the server log in " + directory);
    const std::string execute = " " + sessionTag + " LOG:  execute ";
    const std::string detail = " " + sessionTag + " DETAIL:  ";
    const std::string parametersLabel = "parameters: ";
    LoggedSession session;
    std::string* message = nullptr; // the message that continuation lines belong to
    for (std::string line; std::getline(log, line);) {
        if (line.starts_with("\t")) {
            if (message != nullptr)
                *message += "\n" + line.substr(1);
            continue;
        }
        message = nullptr;
        if (const auto at = line.find(execute); at != std::string::npos) {
            session.statements.push_back(line.substr(line.find(": ", at + execute.size()) + 2));
            message = &session.statements.back();
        } else if (const auto detailAt = line.find(detail); detailAt != std::string::npos) {
            const std::string text = line.substr(detailAt + detail.size());
            if (EqualsIgnoringAsciiCase(text.substr(0, parametersLabel.size()), parametersLabel))
                session.parameters.push_back(text.substr(parametersLabel.size()));
        }
    }
    return session;
}

// Every installation test installs the structure script, which hands objects to the application
// roles, and starts on a server without the tenant; what a test installs is dropped after it. The
// installation log goes to a folder of the test's own.
class InstallationTest : public testing::Test {
protected:
    // Makes host install the tenant code, dropping what an aborted earlier run may have left.
    void Use(const std::string& code) {
        host.tenantCode = code;
        tenants.push_back(LowerTenantCode(code));
        Drop({tenants.back()});
    }

    ~InstallationTest() override { Drop(tenants); }

    // Drops the databases and then the roles of those names; a role cannot go while it owns one.
    static void Drop(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            DropDatabase(name);
        for (const std::string& name : names)
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + name});
    }

    std::string Tenant(const std::string& sql) const { return Superuser(tenants.front(), sql); }

    StateHome stateHome;
    std::optional<ApplicationRoles> roles{std::in_place};
    std::vector<std::string> tenants;
    RecordingHost host;
    ErrorRecorder recorder{host};
    ScriptedLogin login;
};

std::vector<int> ZeroToHundred() {
    std::vector<int> values;
    for (int v = 0; v <= 100; ++v)
        values.push_back(v);
    return values;
}

TEST_F(InstallationTest, FirstInstallationCreatesTheWholeTenant) {
    Use("Q7FI");
    TInstallation installation(host, login);
    installation.Button1Click();

    // The drops of step 10 find nothing, as expected on a new server: no error box, no question.
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.at(0).message;
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(host.progress, ZeroToHundred());
    EXPECT_TRUE(host.warnings.empty());
    EXPECT_THAT(
        host.informations,
        ElementsAre(
            "Die Datenbank q7fi wurde erfolgreich installiert\nMandantenrolle q7fi: Superuser\nProtokoll: " +
            stateHome.logFile()));
    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    EXPECT_EQ(login.showings, 1);

    // Role and database carry the lower-case code, the rows the code as typed.
    EXPECT_EQ(Superuser("postgres", "SELECT rolsuper, rolcanlogin, rolcreatedb, rolcreaterole, rolinherit, "
                                    "rolreplication, rolconnlimit FROM pg_roles WHERE rolname = 'q7fi'"),
              "t|t|t|t|t|t|-1");
    EXPECT_EQ(Superuser("postgres",
                        "SELECT pg_get_userbyid(datdba), pg_encoding_to_char(encoding), datconnlimit, "
                        "has_database_privilege('q7fi', oid, 'CREATE, CONNECT, TEMP') "
                        "FROM pg_database WHERE datname = 'q7fi'"),
              "q7fi|UTF8|-1|t");
    EXPECT_EQ(Tenant("SELECT pg_get_userbyid(nspowner) FROM pg_namespace WHERE nspname = 'trevix'"), "q7fi");
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "68");
    EXPECT_EQ(Tenant("SELECT mandant, lizenznehmer, password, plz, ort, strasse, adress_id IS NULL "
                     "FROM trevix.mandant"),
              "Q7FI|Muster Bau GmbH|Kennwort-1|12345|Musterstadt|Hauptstraße 1|t");
    EXPECT_EQ(Tenant("SELECT mandant, trim(prefix), kdnr, aktiv FROM trevix.sys_cnt_kundennummer"),
              "Q7FI||00000001|t");
    EXPECT_EQ(Tenant("SELECT mandant, auftragstatus_id, auftragstatus_text, art FROM trevix.wl_auftragstatus "
                     "ORDER BY 2"),
              "Q7FI|52|Angebot|1\nQ7FI|53|Auftrag|2");
    EXPECT_NO_THROW(LogOnAsTenant("q7fi", "Kennwort-1"));
}

// The roles qz7k and trevix are plain roles here; the views they own still answer the tenant role.
TEST_F(InstallationTest, ViewsOwnedByTheApplicationRolesAnswerTheTenant) {
    Use("Q7OW");
    TInstallation installation(host, login);
    installation.Button1Click();
    ASSERT_EQ(host.informations.size(), 1u);

    const ViewReads reads = readEveryView("dbname=q7ow user=q7ow password=" + host.tenantPassword);
    EXPECT_EQ(reads.views, 38);
    for (const std::string& failure : reads.failures)
        ADD_FAILURE() << failure;
}

// An existing tenant is replaced only after a "Ja"; a "Nein" changes nothing and leaves the bar at 0.
TEST_F(InstallationTest, ReinstallationAsksAndReplacesOnlyAfterYes) {
    Use("Q7RE");
    {
        TInstallation first(host, login);
        first.Button1Click();
    }
    Tenant("CREATE TABLE public.left_over ()");
    recorder.errors.clear();
    host.informations.clear();
    host.progress.clear();

    ScriptedLogin declining;
    TInstallation declined(host, declining);
    declined.Button1Click();
    EXPECT_EQ(declined.Result(), TInstallationResult::Declined);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "Die Datenbank q7re ist bereits installiert. Soll sie ersetzt werden? Dabei "
                                 "werden alle Daten der Datenbank q7re gelöscht.");
    EXPECT_THAT(host.progress, ElementsAre(0));
    EXPECT_TRUE(host.informations.empty());
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'left_over'"), "1");

    host.confirm = true;
    ScriptedLogin secondLogin;
    TInstallation second(host, secondLogin);
    second.Button1Click();

    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.at(0).message;
    ASSERT_EQ(host.informations.size(), 1u);
    EXPECT_THAT(host.informations[0], StartsWith("Die Datenbank q7re wurde erfolgreich installiert\n"));
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'left_over'"), "0");
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
}

TEST_F(InstallationTest, RoleLeftFromAStoppedRunIsReplaced) {
    Use("Q7RL");
    Superuser("postgres", "CREATE ROLE q7rl LOGIN PASSWORD 'aelter'");
    host.confirm = true;
    TInstallation installation(host, login);
    installation.Button1Click();

    EXPECT_THAT(
        host.questions,
        ElementsAre("Die Rolle q7rl ist bereits vorhanden (ohne Datenbank). Soll sie ersetzt werden?"));
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(host.informations.size(), 1u);
    EXPECT_NO_THROW(LogOnAsTenant("q7rl", "Kennwort-1"));
}

// The login dialog is shown at the start, and again by the check whether the tenant exists while
// the administrative connection is closed. Giving up twice ends the run silently before anything
// has changed.
TEST_F(InstallationTest, CancelledLoginAsksAgainOnceBeforeAnythingChanges) {
    Use("Q7C1");
    ScriptedLogin cancellingOnce(1);
    TInstallation installation(host, cancellingOnce);
    installation.Button1Click();
    EXPECT_EQ(cancellingOnce.showings, 2);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);

    Use("Q7C2");
    host.progress.clear();
    ScriptedLogin givingUp(2);
    TInstallation givenUp(host, givingUp);
    EXPECT_THROW(givenUp.Button1Click(), EAbort);
    EXPECT_EQ(givingUp.showings, 2);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(givenUp.Result(), TInstallationResult::Stopped);
    EXPECT_FALSE(Exists("pg_roles", "rolname", "q7c2"));
    EXPECT_FALSE(Exists("pg_database", "datname", "q7c2"));
}

// The statements the server receives for AB12: the stored template text with the patched lines,
// each patched line without the indentation or trailing blank of the line it replaced. (The
// statement command sends the keywords of its lexer's list in upper case.)
TEST_F(InstallationTest, ServerReceivesThePatchedTemplates) {
    Use("AB12");
    TInstallation installation(host, login);
    const std::string application = "install_test_" + std::to_string(getpid());
    installation.UniConnection1.SpecificOptions().push_back("PostgreSQL.ApplicationName=" + application);
    installation.UniConnection2.SpecificOptions().push_back("PostgreSQL.ApplicationName=" + application);
    installation.Button1Click();
    ASSERT_EQ(host.informations.size(), 1u);

    // The role's password goes as the verifier the server stores, with a salt of its own.
    // The tenant lock's session logs on as the administrator does and holds its lock in a
    // transaction: its BEGIN and ROLLBACK are not the administrative session's statements.
    std::vector<std::string> admin = ServerLog("postgres@postgres/" + application).statements;
    EXPECT_EQ(std::erase(admin, "BEGIN"), 1u);
    EXPECT_EQ(std::erase(admin, "ROLLBACK"), 1u);
    ASSERT_GE(admin.size(), 3u);
    const std::string createUser = "CREATE USER \r\nab12\r\nWITH\r\n\tLOGIN\r\n\tSUPERUSER\r\n\tCREATEDB\r\n"
                                   "\tCREATEROLE\r\n\tINHERIT\r\n\tREPLICATION\r\n\tCONNECTION LIMIT -1\r\n"
                                   "PASSWORD  'SCRAM-SHA-256$4096:";
    EXPECT_THAT(admin[2], StartsWith(createUser));
    EXPECT_EQ(
        admin[2].substr(createUser.size() - 20),
        Superuser("postgres", "SELECT quote_literal(rolpassword) FROM pg_authid WHERE rolname = 'ab12'"));
    EXPECT_THAT(
        admin, ElementsAre("drop database\r\nAB12", "drop user AB12", admin[2],
                           "CREATE DATABASE\r\nab12\r\n    WITH \r\nOWNER = ab12\r\n    ENCODING = 'UTF8'\r\n"
                           "    CONNECTION LIMIT = -1",
                           "GRANT ALL ON DATABASE \r\nab12\r\nTO \r\nab12",
                           "COMMENT ON DATABASE ab12 IS 'velmora " VELMORA_PROJECT_VERSION "'"));

    const LoggedSession tenant = ServerLog("ab12@ab12/" + application);
    ASSERT_GT(tenant.statements.size(), 5u);
    EXPECT_EQ(tenant.statements.front(), "CREATE SCHEMA\r\ntrevix\r\nAUTHORIZATION \r\nAB12");
    EXPECT_THAT(std::vector<std::string>(tenant.statements.end() - 4, tenant.statements.end()),
                ElementsAre("INSERT INTO trevix.mandant(\r\nmandant, \r\nlizenznehmer, \r\npassword, \r\n"
                            "plz, \r\nort, \r\nstrasse)\r\n\tVALUES (\r\n$1, \r\n$2, \r\n$3, \r\n$4, \r\n"
                            "$5, \r\n$6)",
                            "INSERT INTO\r\n  trevix.sys_cnt_kundennummer\r\n(\r\n  mandant,\r\n  prefix,\r\n"
                            "  kdnr,\r\n  aktiv\r\n)\r\nVALUES (\r\n'AB12',\r\n  '',\r\n  '00000001',\r\n"
                            "  TRUE\r\n)",
                            "DELETE FROM trevix.wl_auftragstatus",
                            "INSERT INTO trevix.wl_auftragstatus(\"mandant\", \"auftragstatus_id\", "
                            "\"auftragstatus_text\", \"art\")\r\nVALUES\r\n  (\r\n'AB12',\r\n  52, \r\n"
                            "  'Angebot', 1\r\n  ),\r\n  (\r\n'AB12',\r\n  53, 'Auftrag', 2\r\n  )"));
    EXPECT_THAT(tenant.parameters, ElementsAre("$1 = 'AB12', $2 = 'Muster Bau GmbH', $3 = 'Kennwort-1', "
                                               "$4 = '12345', $5 = 'Musterstadt', $6 = 'Hauptstraße 1'"));
}

// The tenant connection is made as the administrator's was: encrypted as chosen there although its
// own option said otherwise, and under the administrator's application name. Both sessions stay open.
TEST_F(InstallationTest, TheTenantConnectionFollowsTheAdministratorsTlsAndApplicationName) {
    Use("Q7FL");
    TInstallation installation(host, login);
    const std::string application = "follow_test_" + std::to_string(getpid());
    installation.UniConnection1.SetSpecificOption("SSLMode", "smRequire");
    installation.UniConnection1.SetSpecificOption("ApplicationName", application);
    installation.UniConnection2.SetSpecificOption("SSLMode", "smDisable");
    installation.UniConnection2.SetSpecificOption("ApplicationName", "tenant's own");
    installation.Button1Click();
    ASSERT_EQ(installation.Result(), TInstallationResult::Installed);

    EXPECT_EQ(
        Superuser("postgres", "SELECT string_agg(CASE WHEN a.usename = 'q7fl' THEN 'tenant' ELSE "
                              "'administrator' END || ' ssl=' || s.ssl, ', ' ORDER BY a.usename = 'q7fl') "
                              "FROM pg_stat_activity a JOIN pg_stat_ssl s USING (pid) "
                              "WHERE a.application_name = '" +
                                  application + "'"),
        "administrator ssl=true, tenant ssl=true");
}

// A second press in the same window behaves like the first: the drop is patched anew, and the
// window's own tenant session no longer keeps the database from being dropped.
TEST_F(InstallationTest, SecondPressInTheSameWindowReplacesTheTenant) {
    Use("Q7SR");
    TInstallation installation(host, login);
    installation.Button1Click();
    ASSERT_EQ(installation.Result(), TInstallationResult::Installed);
    ASSERT_TRUE(installation.UniConnection2.Connected());
    host.confirm = true;
    host.progress.clear();

    installation.Button1Click();

    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.at(0).message;
    EXPECT_EQ(host.progress, ZeroToHundred());
    EXPECT_EQ(host.informations.size(), 2u);
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.wl_auftragstatus"), "2");
}

// A drop that fails for another reason than "does not exist" stops the run at step 10 with one
// message, and the tenant keeps every row.
TEST_F(InstallationTest, TenantInUseIsNeitherDroppedNorTouched) {
    Use("Q7IU");
    {
        TInstallation first(host, login);
        first.Button1Click();
    }
    const std::string rowsBefore = Tenant("SELECT count(*) FROM trevix.wl_auftragstatus");
    ASSERT_EQ(rowsBefore, "2");
    recorder.errors.clear();
    host.confirm = true;

    // Another session of the tenant, as an office still working with it.
    TPostgreSQLUniProvider provider;
    TUniConnection other;
    other.SetProviderName("PostgreSQL");
    other.SetServer(ScriptedLogin::sandboxLogin().server);
    other.SetPort(ScriptedLogin::sandboxLogin().port);
    other.SetDatabase("q7iu");
    other.SetUsername("q7iu");
    other.SetPassword(host.tenantPassword);
    other.SetLoginPrompt(false);
    other.Connect();

    ScriptedLogin secondLogin;
    TInstallation second(host, secondLogin);
    const EDatabaseError e =
        ExpectFailure<EDatabaseError>([&] { second.Button1Click(); }, "the run went through");
    EXPECT_EQ(e.Message(), "Die Datenbank q7iu kann nicht gelöscht werden, weil andere Sitzungen mit ihr "
                           "verbunden sind. Die Installation wurde abgebrochen");
    EXPECT_EQ(host.lastProgress(), 10);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.wl_auftragstatus"), rowsBefore);
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
    EXPECT_THAT(stateHome.logText(), HasSubstr("Fehler [55006]"));
}

// Logged on to the very database that would be replaced: refused before anything is asked.
TEST_F(InstallationTest, AdministratorLoggedOnToTheTenantIsRefused) {
    Use("Q7AD");
    {
        TInstallation first(host, login);
        first.Button1Click();
    }
    host.confirm = true;
    TAdminLogin onTenant = ScriptedLogin::sandboxLogin();
    onTenant.database = "q7ad";
    ScriptedLogin tenantLogin(0, onTenant);
    TInstallation second(host, tenantLogin);
    EXPECT_THROW(second.Button1Click(), EDatabaseError);
    EXPECT_EQ(host.questions.size(), 0u);
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
}

// The tenant connection of step 30 logs on with the new password; a role whose password changed
// after step 20 stops the run there.
TEST_F(InstallationTest, TenantConnectionThatCannotLogOnStopsAtThirty) {
    Use("Q7LO");
    host.onProgress = [&](int progress) {
        if (progress == 25)
            Superuser("postgres", "ALTER ROLE q7lo PASSWORD 'anders'");
    };
    TInstallation installation(host, login);
    const EUniError e =
        ExpectFailure<EUniError>([&] { installation.Button1Click(); }, "the run went through");
    EXPECT_THAT(e.Message(), HasSubstr("password authentication failed for user \"q7lo\""));
    EXPECT_EQ(host.lastProgress(), 30);
    EXPECT_TRUE(host.informations.empty());
    EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
}

// A role that cannot be dropped (it owns another database) stops the run at step 10.
TEST_F(InstallationTest, RoleThatCannotBeDroppedStopsAtTen) {
    Use("Q7RD");
    tenants.push_back("q7rd_kept");
    Superuser("postgres", "CREATE ROLE q7rd LOGIN PASSWORD 'aelter'");
    Superuser("postgres", "CREATE DATABASE q7rd_kept OWNER q7rd");
    host.confirm = true;
    TInstallation installation(host, login);
    const EDatabaseError e =
        ExpectFailure<EDatabaseError>([&] { installation.Button1Click(); }, "the run went through");
    EXPECT_THAT(e.Message(), StartsWith("Die Rolle q7rd kann nicht gelöscht werden: "));
    EXPECT_EQ(host.lastProgress(), 10);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_TRUE(Exists("pg_database", "datname", "q7rd_kept"));
}

// A step with a guard that fails shows its warning, and the run goes on to its final message.
TEST_F(InstallationTest, FailingValueListStepsWarnAndTheRunGoesOn) {
    Use("Q7WA");
    TInstallation installation(host, login);
    // The tenant connection cannot log on for steps 70 and 90, but can for 80.
    host.onProgress = [&](int progress) {
        if (progress == 60 || progress == 85)
            installation.UniConnection2.SetPassword("falsch");
        if (progress == 75)
            installation.UniConnection2.SetPassword(host.tenantPassword);
    };
    installation.Button1Click();

    ASSERT_EQ(host.warnings.size(), 3u);
    EXPECT_EQ(host.warnings[0], "Wertliste nicht installiert");
    EXPECT_EQ(host.warnings[1], "Mandatn nicht installiert");
    // The run is not reported as a success.
    EXPECT_THAT(host.warnings[2],
                StartsWith("Die Installation der Datenbank q7wa wurde mit Fehlern beendet: 2 "
                           "Schritte wurden nicht ausgeführt."));
    EXPECT_TRUE(host.informations.empty());
    EXPECT_EQ(installation.Result(), TInstallationResult::Incomplete);
    EXPECT_TRUE(recorder.errors.empty()); // the guards show no error box
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.wl_auftragstatus"), "0");
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.sys_cnt_kundennummer"), "0");
}

// Any password is stored exactly as typed, also when the administrative session reads backslashes
// in plain literals as escapes.
TEST_F(InstallationTest, PasswordWithQuotesAndBackslashesLogsOnAfterwards) {
    const std::string password = R"(it's \'a\\ "test'' \)";
    const std::string legacyDatabase = uniqueName("legacy_strings");
    Superuser("postgres", "CREATE DATABASE " + legacyDatabase);
    Superuser("postgres", "ALTER DATABASE " + legacyDatabase + " SET standard_conforming_strings = off");
    struct Case {
        std::string code;
        std::string adminDatabase;
    };
    const Case cases[] = {{"Q7P1", "postgres"}, {"Q7P2", legacyDatabase}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adminDatabase);
        Use(c.code);
        recorder.errors.clear();
        host.informations.clear();
        host.tenantPassword = password;
        TAdminLogin adminLogin = ScriptedLogin::sandboxLogin();
        adminLogin.database = c.adminDatabase;
        ScriptedLogin legacyLogin(0, adminLogin);
        {
            TInstallation installation(host, legacyLogin);
            installation.Button1Click();
        }
        EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.back().message;
        EXPECT_EQ(host.informations.size(), 1u);
        EXPECT_NO_THROW(LogOnAsTenant(LowerTenantCode(c.code), password));
        EXPECT_EQ(Superuser(LowerTenantCode(c.code), "SELECT password FROM trevix.mandant"), password);
    }
    Superuser("postgres", "DROP DATABASE " + legacyDatabase);
}

// The server stores the SCRAM secret of a password after SASLprep ("²" becomes "2", the micro sign a
// Greek mu, the no-break space a space); the tenant connection of step 30 and every later log-on
// must derive their key from the same prepared text, while the tenant row keeps the password as typed.
TEST_F(InstallationTest, PasswordTheServerNormalisesLogsOnAfterwards) {
    const std::string password = "Pa\u00B2\u00B5\u00A0x";
    Use("Q7SP");
    host.tenantPassword = password;
    {
        TInstallation installation(host, login);
        installation.Button1Click();
    }
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.back().message;
    EXPECT_EQ(host.lastProgress(), 100);
    ASSERT_EQ(host.informations.size(), 1u);
    EXPECT_THAT(host.informations[0], StartsWith("Die Datenbank q7sp wurde erfolgreich installiert\n"));
    EXPECT_EQ(Superuser("postgres", "SELECT left(rolpassword, 14) FROM pg_authid WHERE rolname = 'q7sp'"),
              "SCRAM-SHA-256$");
    EXPECT_NO_THROW(LogOnAsTenant("q7sp", password));
    EXPECT_EQ(Tenant("SELECT password FROM trevix.mandant"), password);
}

// An audited server logs every DDL statement: the tenant's password reaches it only as a verifier.
// The admin logs on to a database that logs DDL only, as such servers do. The tenant's session
// still logs every statement here, and the password may stand only in the parameters of the tenant
// row (a DML statement, which such a server does not log): the tenant row keeps it as typed.
TEST_F(InstallationTest, ServerLogOfDdlNeverHoldsThePassword) {
    const std::string password = "Geheim-" + std::to_string(getpid()) + "-x";
    const std::string ddlDatabase = uniqueName("ddl_logged");
    Superuser("postgres", "CREATE DATABASE " + ddlDatabase);
    Superuser("postgres", "ALTER DATABASE " + ddlDatabase + " SET log_statement = 'ddl'");
    Use("Q7DL");
    host.tenantPassword = password;
    TAdminLogin adminLogin = ScriptedLogin::sandboxLogin();
    adminLogin.database = ddlDatabase;
    ScriptedLogin ddlLogin(0, adminLogin);
    const std::string application = "ddl_test_" + std::to_string(getpid());
    {
        TInstallation installation(host, ddlLogin);
        for (TUniConnection* connection : {&installation.UniConnection1, &installation.UniConnection2})
            connection->SpecificOptions().push_back("PostgreSQL.ApplicationName=" + application);
        installation.Button1Click();
        ASSERT_EQ(host.informations.size(), 1u);
    }
    EXPECT_THAT(ServerLog("postgres@" + ddlDatabase + "/" + application).statements,
                Contains(AllOf(HasSubstr("CREATE USER"), HasSubstr("PASSWORD  'SCRAM-SHA-256$4096:"))));
    std::ifstream log(SandboxDirectory() + "/server.log", std::ios::binary);
    for (std::string line; std::getline(log, line);) {
        if (line.find(password) != std::string::npos) {
            // Servers from 17 on write "Parameters", earlier ones "parameters".
            EXPECT_THAT(line, AllOf(HasSubstr(" q7dl@q7dl/" + application + " DETAIL:  "),
                                    HasSubstr("arameters: $1 = 'Q7DL', $2 = 'Muster Bau GmbH', $3 = '" +
                                              password + "'")));
        }
    }
    EXPECT_NO_THROW(LogOnAsTenant("q7dl", password));
    DropDatabase(ddlDatabase);
}

// A login database in LATIN1 converts a clear-text password before the server hashes it; the
// verifier is made from the UTF-8 text the tenant logs on with. The server's password_encryption
// decides its kind: SCRAM-SHA-256, or MD5 where the login database asks for it (the sandbox lets
// the tenant Q7M5 log on with MD5).
TEST_F(InstallationTest, NonAsciiPasswordFromALatin1LoginLogsOnWithScramAndMd5) {
    const std::string password = "Passw\u00F6rt";
    const std::string latin1Database = uniqueName("latin1_login");
    Superuser("postgres", "CREATE DATABASE " + latin1Database +
                              " ENCODING 'LATIN1' TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'");
    struct Case {
        std::string code;
        std::string passwordEncryption;
        std::string storedPrefix;
    };
    const Case cases[] = {{"Q7L1", "scram-sha-256", "SCRAM-SHA-256$4096:"}, {"Q7M5", "md5", "md5"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Use(c.code);
        Superuser("postgres", "ALTER DATABASE " + latin1Database + " SET password_encryption = '" +
                                  c.passwordEncryption + "'");
        recorder.errors.clear();
        host.informations.clear();
        host.tenantPassword = password;
        TAdminLogin adminLogin = ScriptedLogin::sandboxLogin();
        adminLogin.database = latin1Database;
        ScriptedLogin latin1Login(0, adminLogin);
        {
            TInstallation installation(host, latin1Login);
            installation.Button1Click();
        }
        const std::string tenant = LowerTenantCode(c.code);
        EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.back().message;
        EXPECT_EQ(host.informations.size(), 1u);
        EXPECT_THAT(
            Superuser("postgres", "SELECT rolpassword FROM pg_authid WHERE rolname = '" + tenant + "'"),
            StartsWith(c.storedPrefix));
        EXPECT_NO_THROW(LogOnAsTenant(tenant, password));
        EXPECT_EQ(Superuser(tenant, "SELECT password FROM trevix.mandant"), password);
    }
    DropDatabase(latin1Database);
}

// Nothing in the installation log is masked: a password that occurs inside other words ("st" in
// "Installation", the database's own name) leaves them whole, since no password is ever written.
// A failed CREATE USER is logged without the password or its verifier.
TEST_F(InstallationTest, InstallationLogHoldsNoPasswordAndHidesNothing) {
    struct Case {
        std::string code;
        std::string password;
    };
    const Case cases[] = {{"Q7ST", "st"}, {"Q7DM", "q7dm"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Use(c.code);
        host.tenantPassword = c.password;
        TInstallation installation(host, login);
        installation.Button1Click();
        EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    }
    const std::string log = stateHome.logText();
    EXPECT_THAT(log, HasSubstr("  Mandant Q7ST: Installation beginnt\n"));
    EXPECT_THAT(log, HasSubstr(", Benutzer postgres, Datenbank postgres\n"));
    EXPECT_THAT(log, HasSubstr("  Ergebnis: Die Datenbank q7dm wurde erfolgreich installiert | "));
    EXPECT_THAT(log, Not(HasSubstr("***")));

    // The role appears between the drop of step 10 and CREATE USER, which then fails.
    const std::string password = "Unverkennbar-" + std::to_string(getpid());
    Use("Q7RX");
    host.tenantPassword = password;
    host.onProgress = [](int progress) {
        if (progress == 15)
            Superuser("postgres", "CREATE ROLE q7rx LOGIN");
    };
    {
        TInstallation installation(host, login);
        EXPECT_ANY_THROW(installation.Button1Click());
    }
    const std::string failedRun = stateHome.logText().substr(log.size());
    EXPECT_THAT(failedRun, HasSubstr("[42710] role \"q7rx\" already exists | Anweisung: CREATE USER"));
    EXPECT_THAT(failedRun, Not(HasSubstr(password)));
    EXPECT_THAT(failedRun, Not(HasSubstr("SCRAM-SHA-256")));
    EXPECT_THAT(failedRun, Not(HasSubstr("PASSWORD")));
}

// Without the roles qz7k and trevix the ownership statements fail by design: no error box, one
// line that says what was skipped, and the run is a success.
TEST_F(InstallationTest, MissingOwnerRolesAreSkippedWithoutErrors) {
    roles.reset();
    Use("Q7NR");
    TInstallation installation(host, login);
    installation.Button1Click();

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.at(0).message;
    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    ASSERT_EQ(host.informations.size(), 1u);
    EXPECT_THAT(host.informations[0],
                HasSubstr("\n22 Besitzerwechsel übersprungen: die Rollen qz7k, trevix gibt es auf dem Server "
                          "nicht, die Objekte gehören dem Mandanten.\n"));
    // The objects stay with the tenant role and serve it.
    const ViewReads reads = readEveryView("dbname=q7nr user=q7nr password=" + host.tenantPassword);
    EXPECT_EQ(reads.views, 38);
    EXPECT_TRUE(reads.failures.empty()) << reads.failures.front();
}

// The server ends the tenant's session under a CREATE TABLE of the structure script: the runner
// goes on on a new connection, the lost statement is reported once as such, and the run ends as
// incomplete, never as a success. The log names the lost statement and never the password.
TEST_F(InstallationTest, LostConnectionMakesTheRunIncomplete) {
    Use("Q7LC");
    TInstallation installation(host, login);
    installation.UniScriptStruktur.BeforeExecute = [](TDAScript&, const std::string& sql, bool&) {
        if (sql.find("CREATE TABLE trevix.auftrag20 ") != std::string::npos)
            Superuser("postgres",
                      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'q7lc'");
    };
    installation.Button1Click();

    EXPECT_EQ(installation.Result(), TInstallationResult::Incomplete);
    EXPECT_TRUE(host.informations.empty());
    ASSERT_EQ(host.warnings.size(), 1u);
    EXPECT_THAT(host.warnings[0],
                StartsWith("Die Installation der Datenbank q7lc wurde mit Fehlern beendet: "));
    ASSERT_FALSE(recorder.errors.empty());
    EXPECT_EQ(recorder.errors[0].progress, 50);
    EXPECT_THAT(recorder.errors[0].message, StartsWith("Die Verbindung zum Server wurde unterbrochen ("));
    EXPECT_THAT(recorder.errors[0].message,
                HasSubstr("\"CREATE TABLE trevix.auftrag20 (\" ist dabei verloren"));
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'auftrag20'"), "0");
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "67");

    const std::string log = stateHome.logText();
    EXPECT_THAT(log, HasSubstr("Verbindung verloren ["));
    EXPECT_THAT(log, HasSubstr("Anweisung: CREATE TABLE trevix.auftrag20 ("));
    EXPECT_THAT(log, HasSubstr("Ergebnis: Die Installation der Datenbank q7lc wurde mit Fehlern beendet"));
    EXPECT_THAT(log, Not(HasSubstr(host.tenantPassword)));
    EXPECT_EQ(std::filesystem::status(stateHome.logFile()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// A tenant row the server refuses ends the run at step 80; nothing reports success.
TEST_F(InstallationTest, RefusedTenantRowStopsTheRun) {
    Use("Q7TR");
    host.onProgress = [&](int progress) {
        if (progress == 75)
            Tenant("CREATE FUNCTION trevix.refuse() RETURNS trigger LANGUAGE plpgsql AS "
                   "$$BEGIN RAISE EXCEPTION 'Mandant gesperrt'; END$$; "
                   "CREATE TRIGGER refuse BEFORE INSERT ON trevix.mandant FOR EACH ROW EXECUTE FUNCTION "
                   "trevix.refuse()");
    };
    TInstallation installation(host, login);
    EXPECT_THROW(installation.Button1Click(), EUniError);
    EXPECT_EQ(host.lastProgress(), 80);
    EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
    EXPECT_TRUE(host.informations.empty());
    EXPECT_THAT(stateHome.logText(), HasSubstr("Ergebnis: Installation abgebrochen: Mandant gesperrt"));
}

// Another session of the sandbox's superuser, as a second installation holds it.
struct OtherSession {
    OtherSession() {
        const TAdminLogin sandboxLogin = ScriptedLogin::sandboxLogin();
        connection.SetProviderName("PostgreSQL");
        connection.SetServer(sandboxLogin.server);
        connection.SetPort(sandboxLogin.port);
        connection.SetDatabase("postgres");
        connection.SetUsername(sandboxLogin.username);
        connection.SetPassword(sandboxLogin.password);
        connection.SetLoginPrompt(false);
    }
    TPostgreSQLUniProvider provider;
    TUniConnection connection;
};

// A run of the same tenant holds its lock: this one stops before it asks or changes anything. The
// lock is given back when a run ends, although the window keeps its session open.
TEST_F(InstallationTest, TenantLockedByAnotherRunIsLeftAlone) {
    Use("Q7LK");
    Superuser("postgres", "CREATE ROLE q7lk LOGIN PASSWORD 'aelter'");
    host.confirm = true;
    OtherSession other;
    TInstallation installation(host, login);
    {
        const TTenantLock otherRun(other.connection, "q7lk");
        const EDatabaseError e =
            ExpectFailure<EDatabaseError>([&] { installation.Button1Click(); }, "the run went through");
        EXPECT_EQ(e.Message(),
                  "Der Mandant q7lk wird gerade von einer anderen Installation auf diesem Server "
                  "installiert. Diese Installation wurde beendet, ohne etwas zu verändern");
        EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
        EXPECT_TRUE(host.questions.empty());
        EXPECT_TRUE(host.progress.empty());
        EXPECT_TRUE(Exists("pg_roles", "rolname", "q7lk"));
        EXPECT_FALSE(Exists("pg_database", "datname", "q7lk"));
    }

    installation.Button1Click();
    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
    ASSERT_TRUE(installation.UniConnection1.Connected());
    EXPECT_NO_THROW(TTenantLock nextRun(other.connection, "q7lk"));
}

// Ends the server session that holds the tenant's lock, as a lost connection would.
void EndLockSession(const std::string& tenant) {
    // The lock's second key is the tenant's hash, which pg_locks shows as an unsigned number.
    Superuser("postgres", "SELECT pg_terminate_backend(pid) FROM pg_locks WHERE locktype = 'advisory' "
                          "AND classid = 1986358381 AND objsubid = 2 AND objid::text::bigint = "
                          "(hashtext('" +
                              tenant + "')::bigint + 4294967296) % 4294967296");
}

// The lock lives in a session of its own: the administrative connection may close without giving it
// back; it goes when the lock ends or its session is lost.
TEST(TenantLock, LivesAndEndsWithItsOwnSession) {
    OtherSession administrator;
    OtherSession other;
    {
        TTenantLock lock(administrator.connection, "q7gb");
        administrator.connection.Connect();
        administrator.connection.Disconnect();
        EXPECT_THROW(TTenantLock(other.connection, "q7gb"), EDatabaseError);
    }
    EXPECT_NO_THROW(TTenantLock(other.connection, "q7gb"));
    {
        TTenantLock lock(administrator.connection, "q7gb");
        EndLockSession("q7gb");
        EXPECT_NO_THROW(TTenantLock(other.connection, "q7gb"));
    }
}

// Through a pooler in transaction mode, where each transaction of a client may run on another
// server session, the lock keeps other runs out for as long as it lives, and nothing of it stays
// behind on the pooled server sessions once it ends.
TEST(TenantLock, HoldsThroughAPoolerInTransactionMode) {
    TPooler pooler;
    OtherSession first;
    OtherSession second;
    for (OtherSession* session : {&first, &second}) {
        session->connection.SetServer(pooler.Host());
        session->connection.SetPort(std::stoi(pooler.Port()));
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        {
            TTenantLock lock(first.connection, "q7pl");
            for (int attempt = 0; attempt < 3; ++attempt) {
                EXPECT_THROW(TTenantLock(second.connection, "q7pl"), EDatabaseError);
                EXPECT_NO_THROW(lock.Hold());
            }
        }
        EXPECT_NO_THROW(TTenantLock(second.connection, "q7pl"));
    }
}

// A lost session of the lock is replaced before the next change: the lock is taken again, and
// when another run has taken it meanwhile, the run stops there.
TEST_F(InstallationTest, LockIsTakenAgainOnANewSession) {
    Use("Q7LA");
    OtherSession other;
    std::optional<TTenantLock> otherRun;
    TInstallation installation(host, login);
    host.onProgress = [&](int progress) {
        if (progress == 15) {
            EndLockSession("q7la");
            otherRun.emplace(other.connection, "q7la");
        }
    };
    const EDatabaseError e =
        ExpectFailure<EDatabaseError>([&] { installation.Button1Click(); }, "the run went through");
    EXPECT_EQ(e.Message(),
              "Die Verbindung zum Server war unterbrochen, und inzwischen installiert eine andere "
              "Installation den Mandanten q7la. Die Installation wurde abgebrochen");
    EXPECT_EQ(host.lastProgress(), 20);
    EXPECT_FALSE(Exists("pg_roles", "rolname", "q7la"));

    otherRun.reset();
    host.onProgress = [&](int progress) {
        if (progress == 15)
            EndLockSession("q7la");
        if (progress == 25) {
            EXPECT_THROW(TTenantLock(other.connection, "q7la"), EDatabaseError);
        }
    };
    installation.Button1Click();
    EXPECT_EQ(installation.Result(), TInstallationResult::Installed);
}

// CREATE USER or CREATE DATABASE that fails stops the run there: nothing is built into a role or a
// database the run did not make (here another session makes it first, or the session is lost).
TEST_F(InstallationTest, FailedCreationStopsTheRun) {
    struct Case {
        std::string code;
        int at; // the progress value before the step at which the other session acts
        std::function<void(TInstallation&, const std::string& tenant)> act;
        std::string message;
    };
    const auto create = [](const std::string& what) {
        return [what](TInstallation&, const std::string& tenant) {
            Superuser("postgres", "CREATE " + what + " " + tenant);
        };
    };
    const auto endAdministrativeSession = [](TInstallation& installation, const std::string&) {
        const std::string pid = installation.UniConnection1.SelectRows("SELECT pg_backend_pid()").at(0).at(0);
        Superuser("postgres", "SELECT pg_terminate_backend(" + pid + ")");
    };
    const Case cases[] = {
        {"Q7CU", 15, create("ROLE"),
         "Die Rolle q7cu kann nicht angelegt werden: role \"q7cu\" already exists"},
        {"Q7CD", 25, create("DATABASE"),
         "Die Datenbank q7cd kann nicht angelegt werden: database \"q7cd\" already exists"},
        {"Q7CL", 15, endAdministrativeSession, "Die Rolle q7cl kann nicht angelegt werden: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Use(c.code);
        host.progress.clear();
        const std::string tenant = LowerTenantCode(c.code);
        TInstallation installation(host, login);
        host.onProgress = [&](int progress) {
            if (progress == c.at)
                c.act(installation, tenant);
        };
        try {
            installation.Button1Click();
            ADD_FAILURE() << "the run went through";
        } catch (const EDatabaseError& e) {
            EXPECT_THAT(e.Message(), StartsWith(c.message));
            EXPECT_THAT(e.Message(),
                        EndsWith(". Die Installation wurde abgebrochen, damit nichts in eine Rolle "
                                 "oder Datenbank installiert wird, die sie nicht angelegt hat"));
        }
        EXPECT_EQ(host.lastProgress(), c.at + 5);
        EXPECT_EQ(installation.Result(), TInstallationResult::Stopped);
        EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().message;
        // The other session's database is neither granted to the tenant nor given a structure.
        if (Exists("pg_database", "datname", tenant)) {
            EXPECT_EQ(Superuser(tenant, "SELECT count(*) FROM pg_namespace WHERE nspname = 'trevix'"), "0");
            EXPECT_EQ(Superuser("postgres",
                                "SELECT datacl IS NULL FROM pg_database WHERE datname = '" + tenant + "'"),
                      "t");
        }
    }
}

// The installation names role and database with the unquoted code, so a code must not be one of the
// server's keywords that cannot stand there: the reserved ones and those only allowed as type or
// function names (catalogue codes R and T). Every other keyword is a fine name.
TEST(TenantCode, RefusesExactlyTheKeywordsTheServerCannotTakeAsName) {
    const PsqlResult keywords = psql(
        "postgres", {"-c", "SELECT upper(word), catcode FROM pg_get_keywords() WHERE length(word) <= 4"});
    ASSERT_EQ(keywords.exitCode, 0) << keywords.err;
    std::istringstream rows(keywords.out);
    int checked = 0;
    for (std::string row; std::getline(rows, row); ++checked) {
        const std::string word = row.substr(0, row.find('|'));
        const char category = row.back();
        const bool refused =
            InputRefusal(word, "geheim", {"Muster Bau GmbH", "12345", "Musterstadt", "Hauptstraße 1"})
                .has_value();
        EXPECT_EQ(refused, category == 'R' || category == 'T' || word == "NONE") << row;
    }
    EXPECT_GT(checked, 90);
}

} // namespace
