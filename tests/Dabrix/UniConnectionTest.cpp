#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSqlState.h"
#include "support/ExpectFailure.h"
#include "support/Sandbox.h"
#include "support/ScriptedDialog.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace velmora;
using namespace velmora::test;
using testing::Contains;
using testing::ElementsAreArray;
using testing::HasSubstr;

namespace {

// The statements the sandbox server logged for one application name, in the order it received
// them. The server logs every statement, each line prefixed with user@database/application.
std::vector<std::string> LoggedStatements(const std::string& applicationName,
                                          const std::string& userAndDatabase = {}) {
    const char* envFile = std::getenv("VELMORA_SANDBOX_ENV");
    if (envFile == nullptr)
        throw std::runtime_error("VELMORA_SANDBOX_ENV is not set");
    std::string directory;
    std::ifstream env(envFile);
    for (std::string line; std::getline(env, line);) {
        if (line.starts_with("PGSANDBOX_DIR="))
            directory = line.substr(line.find('=') + 1);
    }
    std::ifstream log(directory + "/server.log");
    if (!log)
        throw std::runtime_error("cannot read the server log in " + directory);
    const std::string tag = userAndDatabase + "/" + applicationName + " LOG:  statement: ";
    std::vector<std::string> statements;
    for (std::string line; std::getline(log, line);) {
        if (auto at = line.find(tag); at != std::string::npos)
            statements.push_back(line.substr(at + tag.size()));
    }
    return statements;
}

std::string Sql(const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(database, {"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error(sql + ": " + result.err);
    return result.out;
}

// How many server sessions carry the application name; a closed session may take a moment to go.
int SessionsOf(const std::string& applicationName) {
    int count = -1;
    for (int attempt = 0; attempt < 50; ++attempt) {
        count = std::stoi(Sql("postgres", "SELECT count(*) FROM pg_stat_activity WHERE application_name = '" +
                                              applicationName + "'"));
        if (count == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return count;
}

// A scratch database of one test, dropped with it.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const std::string& options = {}) : name_(uniqueName("conn_db")) {
        Sql("postgres", "CREATE DATABASE " + name_ + " " + options);
    }
    ~ScratchDatabase() { DropDatabase(name_); }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

class UniConnectionTest : public testing::Test {
protected:
    // A connection configured like the setup's tenant connection, logging on as the sandbox's
    // superuser; its application name tells its statements in the server log from others'.
    void Configure(TUniConnection& subject, const std::string& database = "postgres") {
        subject.SetProviderName("PostgreSQL");
        subject.SetLoginPrompt(false);
        subject.SetServer(sandbox().host);
        subject.SetPort(std::stoi(sandbox().port));
        subject.SetDatabase(database);
        subject.SetUsername(sandbox().user);
        subject.SetPassword(sandbox().password);
        subject.SpecificOptions() = {"PostgreSQL.Charset=utf8", "PostgreSQL.Schema=trevix",
                                     "PostgreSQL.UseUnicode=True",
                                     "PostgreSQL.ApplicationName=" + applicationName};
    }

    TPostgreSQLUniProvider provider;
    const std::string applicationName = uniqueName("conn_test");
    TUniConnection connection;
};

struct SetUpCase {
    const char* name;
    std::vector<std::string> options;
    std::string databaseOptions; // of the database connected to
    std::vector<std::string> expected;
};

TEST_F(UniConnectionTest, SetsTheSessionUpInItsOrder) {
    const std::vector<SetUpCase> cases{
        {"the setup's options on a UTF8 database",
         {"PostgreSQL.Charset=utf8", "PostgreSQL.Schema=trevix", "PostgreSQL.UseUnicode=True"},
         "",
         {"SELECT VERSION()", "SET statement_timeout = 0", "SET lock_timeout = 0",
          "SET idle_in_transaction_session_timeout = 0", "show integer_datetimes", "show bytea_output",
          "SET search_path TO trevix"}},
        {"the setup's options on a LATIN1 database",
         {"PostgreSQL.Charset=utf8", "PostgreSQL.Schema=trevix", "PostgreSQL.UseUnicode=True"},
         "ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0",
         {"SELECT VERSION()", "SET statement_timeout = 0", "SET lock_timeout = 0",
          "SET idle_in_transaction_session_timeout = 0", "SET client_encoding='UTF8'",
          "show integer_datetimes", "show bytea_output", "SET search_path TO trevix"}},
        {"a charset without unicode",
         {"PostgreSQL.Charset=latin1"},
         "",
         {"SELECT VERSION()", "SET statement_timeout = 0", "SET lock_timeout = 0",
          "SET idle_in_transaction_session_timeout = 0", "SET client_encoding='latin1'",
          "show integer_datetimes", "show bytea_output"}},
        {"schema names that need quoting",
         {"PostgreSQL.Schema=Trevix, user,public"},
         "",
         {"SELECT VERSION()", "SET statement_timeout = 0", "SET lock_timeout = 0",
          "SET idle_in_transaction_session_timeout = 0", "show integer_datetimes", "show bytea_output",
          "SET search_path TO \"Trevix\",\"user\",public"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDatabase database(c.databaseOptions);
        const std::string name = uniqueName("conn_setup");
        TUniConnection subject;
        Configure(subject, database.Name());
        subject.SpecificOptions() = c.options;
        subject.SpecificOptions().push_back("PostgreSQL.ApplicationName=" + name);
        subject.Connect();
        EXPECT_TRUE(subject.Connected());
        EXPECT_THAT(LoggedStatements(name), ElementsAreArray(c.expected));
        subject.Disconnect();
    }
}

TEST_F(UniConnectionTest, AnEmptyServerMeansThisMachine) {
    Configure(connection);
    connection.SetServer("");
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(UniConnectionTest, ChangingAConnectValueClosesTheSessionAndTheNextConnectUsesIt) {
    ScratchDatabase other;
    Configure(connection);
    connection.Connect();
    connection.SetPort(connection.Port());
    connection.SetDatabase(" postgres ");
    EXPECT_TRUE(connection.Connected()) << "setting the values it has must not close the connection";

    connection.SetDatabase(other.Name());
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(SessionsOf(applicationName), 0) << "the server session outlived the change";
    connection.Connect();
    EXPECT_THAT(LoggedStatements(applicationName, "@" + other.Name()), Contains("SET search_path TO trevix"));
}

TEST_F(UniConnectionTest, AWrongPasswordGivesTheServersMessageAndStaysClosed) {
    Configure(connection);
    connection.SetPassword("wrong");
    const EUniError e =
        ExpectFailure<EUniError>([&] { connection.Connect(); }, "logged on with a wrong password");
    EXPECT_EQ(e.Message(), "password authentication failed for user \"" + sandbox().user + "\"");
    EXPECT_TRUE(e.IsFatalError());
    EXPECT_EQ(e.SqlState(), PgSqlState::InvalidPassword);
    EXPECT_FALSE(connection.Connected());
}

TEST_F(UniConnectionTest, AnUnknownDatabaseGivesTheServersMessage) {
    Configure(connection, "no_such_database");
    const EUniError e = ExpectFailure<EUniError>([&] { connection.Connect(); },
                                                 "logged on to a database that does not exist");
    EXPECT_EQ(e.Message(), "database \"no_such_database\" does not exist");
    EXPECT_EQ(e.SqlState(), PgSqlState::InvalidCatalogName);
    EXPECT_FALSE(connection.Connected());
}

TEST_F(UniConnectionTest, AFailingSetUpStatementClosesTheSessionAgain) {
    Configure(connection);
    connection.SpecificOptions() = {"PostgreSQL.Charset=no_such_charset",
                                    "PostgreSQL.ApplicationName=" + applicationName};
    const EUniError e = ExpectFailure<EUniError>([&] { connection.Connect(); },
                                                 "connected although the client encoding was refused");
    EXPECT_THAT(e.Message(), HasSubstr("no_such_charset"));
    EXPECT_FALSE(e.IsFatalError());
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(SessionsOf(applicationName), 0);
}

TEST_F(UniConnectionTest, ALostSessionClosesTheConnectionAndTheNextUseReopensItWithoutPrompt) {
    Configure(connection);
    connection.SetLoginPrompt(true);
    connection.SetPassword("");
    ScriptedDialog dialog(true, sandbox().password);
    connection.SetConnectDialog(&dialog);
    EXPECT_THAT(connection.GetDatabaseNames(), Contains("postgres")); // prompts once
    ASSERT_EQ(dialog.executions, 1);

    Sql("postgres", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" +
                        applicationName + "'");
    const EUniError e =
        ExpectFailure<EUniError>([&] { connection.GetDatabaseNames(); }, "a terminated session answered");
    EXPECT_TRUE(e.IsFatalError());
    EXPECT_EQ(e.Message(), "terminating connection due to administrator command");
    EXPECT_FALSE(connection.Connected());

    EXPECT_THAT(connection.GetDatabaseNames(), Contains("postgres"));
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(dialog.executions, 1);
}

TEST_F(UniConnectionTest, GetDatabaseNamesListsTheServersDatabasesInOrder) {
    ScratchDatabase first, second;
    Configure(connection);
    const std::vector<std::string> names = connection.GetDatabaseNames();
    EXPECT_THAT(names, Contains(first.Name()));
    EXPECT_THAT(names, Contains(second.Name()));
    EXPECT_THAT(names, Contains("template1"));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_TRUE(connection.Connected()) << "the list opens the connection and leaves it open";
}

TEST_F(UniConnectionTest, TheLoginPromptConnectsOrRaisesTheSilentCancel) {
    Configure(connection);
    connection.SetLoginPrompt(true);
    connection.SetPassword("");

    ScriptedDialog cancel(false, "");
    connection.SetConnectDialog(&cancel);
    EXPECT_THROW(connection.Connect(), EAbort);
    EXPECT_FALSE(connection.Connected());

    ScriptedDialog accept(true, sandbox().password);
    connection.SetConnectDialog(&accept);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(cancel.Connection(), nullptr);
    EXPECT_EQ(accept.Connection(), &connection);
}

// A role of the sandbox with time limits in its settings, as production servers often give their
// administrators; dropped with the object.
class GuardedRole {
public:
    GuardedRole() : name_(uniqueName("guarded")) {
        Sql("postgres", "CREATE ROLE " + name_ + " LOGIN PASSWORD 'pw-guarded'");
        for (const char* setting :
             {"statement_timeout", "lock_timeout", "idle_in_transaction_session_timeout"})
            Sql("postgres", "ALTER ROLE " + name_ + " SET " + setting + " = '5ms'");
    }
    ~GuardedRole() { Sql("postgres", "DROP ROLE " + name_); }
    GuardedRole(const GuardedRole&) = delete;
    GuardedRole& operator=(const GuardedRole&) = delete;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

TPgSQLProtocol& ProtocolOf(TUniConnection& connection) {
    return dynamic_cast<TPgSQLConnection&>(*connection.IConnection()).Protocol();
}

TEST_F(UniConnectionTest, TimeLimitsInTheRolesSettingsDoNotBreakOffOurStatements) {
    ScratchDatabase database;
    Sql(database.Name(), "CREATE TABLE held (n integer); GRANT ALL ON held TO PUBLIC");
    GuardedRole role;
    Configure(connection, database.Name());
    connection.SetUsername(role.Name());
    connection.SetPassword("pw-guarded");
    TUniSQL sleep;
    sleep.SetConnection(&connection);
    sleep.SQL().SetText("SELECT pg_sleep(0.1)");
    sleep.Execute();

    // A lock another session holds for a moment is waited for.
    TUniConnection holder;
    Configure(holder, database.Name());
    holder.Connect();
    ProtocolOf(holder).ExecuteStmt("BEGIN; LOCK TABLE public.held");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ProtocolOf(holder).ExecuteStmt("COMMIT");
    });
    TUniSQL insert;
    insert.SetConnection(&connection);
    insert.SQL().SetText("INSERT INTO public.held VALUES (1)");
    EXPECT_NO_THROW(insert.Execute());
    release.join();
    EXPECT_EQ(Sql(database.Name(), "SELECT count(*) FROM held"), "1\n");
    // An open transaction may idle longer than the role's limit.
    ProtocolOf(connection).ExecuteStmt("BEGIN");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NO_THROW(ProtocolOf(connection).ExecuteStmt("COMMIT"));
}

// Another thread, as an interrupt handler's, stops a statement the connection's thread waits for.
TEST_F(UniConnectionTest, CancelFromAnotherThreadStopsTheRunningStatement) {
    for (const char* sslMode : {"smDisable", "smRequire"}) {
        SCOPED_TRACE(sslMode);
        TUniConnection subject;
        Configure(subject);
        subject.SpecificOptions().push_back(std::string("PostgreSQL.SSLMode=") + sslMode);
        subject.SpecificOptions().push_back("PostgreSQL.SSLCACert=" + sandbox().sslRootCert);
        subject.Connect();
        subject.Cancel(); // nothing runs: nothing happens
        TUniSQL sleep;
        sleep.SetConnection(&subject);
        sleep.SQL().SetText("SELECT pg_sleep(30)");
        std::thread canceller([&] {
            for (int attempt = 0; attempt < 100; ++attempt) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (Sql("postgres", "SELECT count(*) FROM pg_stat_activity WHERE application_name = '" +
                                        applicationName + "' AND query LIKE 'SELECT pg_sleep%'") == "1\n")
                    break;
            }
            subject.Cancel();
        });
        const auto start = std::chrono::steady_clock::now();
        try {
            sleep.Execute();
            ADD_FAILURE() << "the statement ran to its end";
        } catch (const EUniError& e) {
            EXPECT_EQ(e.ErrorCode(), 57014);
            EXPECT_FALSE(e.IsFatalError());
        }
        canceller.join();
        // Thirty seconds uncancelled; well under ten cancelled, however slow the machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(subject.Connected());
        subject.Disconnect();
        subject.Cancel(); // closed: nothing happens
    }
}

// The session flags that decide how rows are decoded, and the defaults of server and port, seen
// from the provider connection, whose socket the test opens towards the sandbox.
class PgSQLConnectionTest : public testing::Test {
protected:
    std::unique_ptr<TPgSQLConnection> MakeConnection() {
        auto connection =
            std::make_unique<TPgSQLConnection>([this](const std::string& host, int port, int timeout) {
                opened.emplace_back(host, port);
                return TCRVioTcp::Open(sandbox().host, std::stoi(sandbox().port), timeout);
            });
        connection->SetDatabase("postgres");
        connection->SetUsername(sandbox().user);
        connection->SetPassword(sandbox().password);
        return connection;
    }

    std::vector<std::pair<std::string, int>> opened;
};

TEST_F(PgSQLConnectionTest, AnEmptyServerAndPortZeroMeanLocalhostAnd5432) {
    MakeConnection()->Connect();
    auto connection = MakeConnection();
    connection->SetServer("db.example");
    connection->SetPort(6543);
    connection->Connect();
    EXPECT_THAT(opened, ElementsAreArray(std::vector<std::pair<std::string, int>>{{"localhost", 5432},
                                                                                  {"db.example", 6543}}));
}

TEST_F(PgSQLConnectionTest, RemembersHowTheServerSendsDateTimesAndByteStrings) {
    auto connection = MakeConnection();
    connection->Connect();
    EXPECT_TRUE(connection->IntegerDateTimes());
    EXPECT_TRUE(connection->ByteaOutputHex());
    connection->Disconnect();

    ScratchDatabase escaped;
    Sql("postgres", "ALTER DATABASE " + escaped.Name() + " SET bytea_output = 'escape'");
    connection->SetDatabase(escaped.Name());
    connection->Connect();
    EXPECT_FALSE(connection->ByteaOutputHex());
    connection->Disconnect();
}

} // namespace
