// End-to-end installations against the sandbox server, headless.

#include "Setup/Installation.h"

#include "Common/AsciiText.h"
#include "Dabrix/Uni.h"
#include "InstallationDoubles.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <cstdlib>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

std::string Superuser(const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(database, {"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error(sql + ": " + result.err);
    return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
}

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

LoggedSession ServerLog(const std::string& sessionTag) {
    std::string directory;
    std::ifstream env(std::getenv("VELMORA_SANDBOX_ENV"));
    for (std::string line; std::getline(env, line);) {
        if (line.starts_with("PGSANDBOX_DIR="))
            directory = line.substr(line.find('=') + 1);
    }
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
// roles, and starts on a server without the tenant; what a test installs is dropped after it.
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

    ApplicationRoles roles;
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

    // Only the drops of step 10 find nothing; every other statement succeeds.
    EXPECT_THAT(recorder.at(10),
                ElementsAre("database \"q7fi\" does not exist.", "role \"q7fi\" does not exist."));
    EXPECT_EQ(recorder.errors.size(), 2u);
    EXPECT_EQ(host.progress, ZeroToHundred());
    EXPECT_TRUE(host.warnings.empty());
    EXPECT_THAT(host.informations, ElementsAre("Die Datenbank q7fi wurde erfolgreich installiert"));
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

TEST_F(InstallationTest, ReinstallationAfterANewStartReplacesTheTenant) {
    Use("Q7RE");
    {
        TInstallation first(host, login);
        first.Button1Click();
    }
    Tenant("CREATE TABLE public.left_over ()");
    recorder.errors.clear();
    host.informations.clear();

    ScriptedLogin secondLogin;
    TInstallation second(host, secondLogin);
    second.Button1Click();

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.at(0).message;
    EXPECT_THAT(host.informations, ElementsAre("Die Datenbank q7re wurde erfolgreich installiert"));
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'left_over'"), "0");
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
}

TEST_F(InstallationTest, RoleLeftFromAStoppedRunIsReplaced) {
    Use("Q7RL");
    Superuser("postgres", "CREATE ROLE q7rl LOGIN PASSWORD 'aelter'");
    TInstallation installation(host, login);
    installation.Button1Click();

    EXPECT_THAT(recorder.at(10), ElementsAre("database \"q7rl\" does not exist."));
    EXPECT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(host.informations.size(), 1u);
    EXPECT_NO_THROW(LogOnAsTenant("q7rl", "Kennwort-1"));
}

// The login dialog is shown at the start, and again by the scripts of steps 10 and 20 while the
// administrative connection is closed. Giving up all three times ends the run silently at 20.
TEST_F(InstallationTest, CancelledLoginsAskAgainUntilStepTwenty) {
    struct Case {
        std::string code;
        int cancels;
        std::vector<std::string> errorsAt10;
    };
    const Case cases[] = {
        {"Q7C1", 1, {"database \"q7c1\" does not exist.", "role \"q7c1\" does not exist."}},
        {"Q7C2", 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Use(c.code);
        recorder.errors.clear();
        host.informations.clear();
        ScriptedLogin cancelling(c.cancels);
        TInstallation installation(host, cancelling);
        installation.Button1Click();
        EXPECT_EQ(cancelling.showings, c.cancels + 1);
        EXPECT_EQ(recorder.at(10), c.errorsAt10);
        EXPECT_EQ(recorder.errors.size(), c.errorsAt10.size());
        EXPECT_EQ(host.informations.size(), 1u);
    }

    Use("Q7C3");
    recorder.errors.clear();
    host.informations.clear();
    ScriptedLogin givingUp(3);
    TInstallation installation(host, givingUp);
    EXPECT_THROW(installation.Button1Click(), EAbort);
    EXPECT_EQ(givingUp.showings, 3);
    EXPECT_EQ(host.lastProgress(), 20);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_TRUE(host.informations.empty());
    EXPECT_FALSE(Exists("pg_roles", "rolname", "q7c3"));
    EXPECT_FALSE(Exists("pg_database", "datname", "q7c3"));
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

    EXPECT_THAT(
        ServerLog("postgres@postgres/" + application).statements,
        ElementsAre("drop database\r\nAB12", "drop user AB12",
                    "CREATE USER \r\nab12\r\nWITH\r\n\tLOGIN\r\n\tSUPERUSER\r\n\tCREATEDB\r\n"
                    "\tCREATEROLE\r\n\tINHERIT\r\n\tREPLICATION\r\n\tCONNECTION LIMIT -1\r\n"
                    "PASSWORD  'Kennwort-1'",
                    "CREATE DATABASE\r\nab12\r\n    WITH \r\nOWNER = ab12\r\n    ENCODING = 'UTF8'\r\n"
                    "    CONNECTION LIMIT = -1",
                    "GRANT ALL ON DATABASE \r\nab12\r\nTO \r\nab12"));

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

// The drop template keeps the role drop as its text, so a second run in the same window drops
// nothing, finds everything in place and stops at the existing tenant row.
TEST_F(InstallationTest, SecondRunInTheSameWindowStopsAtTheTenantRow) {
    Use("Q7SR");
    TInstallation installation(host, login);
    installation.Button1Click();
    ASSERT_EQ(host.informations.size(), 1u);
    ASSERT_EQ(installation.UniScriptDropDatabase.SQL().Count(), 1u);
    EXPECT_EQ(installation.UniScriptDropDatabase.SQL()[0], "drop user Q7SR");
    recorder.errors.clear();
    host.progress.clear();

    try {
        installation.Button1Click();
        FAIL() << "the second run went through";
    } catch (const EUniError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("pk_mandant"));
    }
    EXPECT_EQ(host.lastProgress(), 80);
    EXPECT_EQ(host.informations.size(), 1u);
    EXPECT_TRUE(recorder.at(10).empty());
    EXPECT_THAT(recorder.at(20), ElementsAre("role \"q7sr\" already exists."));
    EXPECT_THAT(recorder.at(30),
                ElementsAre("database \"q7sr\" already exists.", "schema \"trevix\" already exists."));
    // Each of the 179 objects exists already, and so do the keys the ALTER statements would add.
    EXPECT_GE(recorder.at(50).size(), 179u);
    for (const std::string& message : recorder.at(50))
        EXPECT_THAT(message, testing::ContainsRegex("already exists|multiple primary keys"));
    EXPECT_TRUE(host.warnings.empty());
    EXPECT_EQ(Tenant("SELECT count(*) FROM trevix.mandant"), "1");
}

// The tenant connection of step 30 logs on with the new password; a role that outlived step 10
// with another password stops the run there.
TEST_F(InstallationTest, TenantConnectionThatCannotLogOnStopsAtThirty) {
    Use("Q7LO");
    tenants.push_back("q7lo_kept");
    Superuser("postgres", "CREATE ROLE q7lo LOGIN PASSWORD 'aelter'");
    Superuser("postgres", "CREATE DATABASE q7lo_kept OWNER q7lo"); // keeps step 10 from dropping the role
    TInstallation installation(host, login);
    try {
        installation.Button1Click();
        FAIL() << "the run went through";
    } catch (const EUniError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("password authentication failed for user \"q7lo\""));
    }
    EXPECT_EQ(host.lastProgress(), 30);
    EXPECT_THAT(recorder.at(20), ElementsAre("role \"q7lo\" already exists."));
    EXPECT_TRUE(host.informations.empty());
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

    EXPECT_THAT(host.warnings, ElementsAre("Wertliste nicht installiert", "Mandatn nicht installiert"));
    EXPECT_THAT(host.informations, ElementsAre("Die Datenbank q7wa wurde erfolgreich installiert"));
    EXPECT_EQ(recorder.errors.size(), 2u); // the drops of step 10; the guards show no error box
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
        EXPECT_EQ(recorder.errors.size(), 2u) << recorder.errors.back().message;
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
    EXPECT_EQ(recorder.errors.size(), 2u) << recorder.errors.back().message;
    EXPECT_EQ(host.lastProgress(), 100);
    EXPECT_THAT(host.informations, ElementsAre("Die Datenbank q7sp wurde erfolgreich installiert"));
    EXPECT_EQ(Superuser("postgres", "SELECT left(rolpassword, 14) FROM pg_authid WHERE rolname = 'q7sp'"),
              "SCRAM-SHA-256$");
    EXPECT_NO_THROW(LogOnAsTenant("q7sp", password));
    EXPECT_EQ(Tenant("SELECT password FROM trevix.mandant"), password);
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
        const bool refused = InputRefusal(word, "geheim", {}).has_value();
        EXPECT_EQ(refused, category == 'R' || category == 'T' || word == "NONE") << row;
    }
    EXPECT_GT(checked, 90);
}

} // namespace
