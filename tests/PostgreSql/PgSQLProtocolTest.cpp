// The protocol against the sandbox server.
#include "PostgreSql/PgSQLProtocol.h"

#include "PostgreSql/PgAuth.h"
#include "PostgreSql/PgSqlState.h"
#include "support/ExpectFailure.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace velmora;
using velmora::test::ExpectFailure;
using velmora::test::sandbox;

namespace {

TPgConnectParams Login(const std::string& user, const std::string& password,
                       const std::string& database = "postgres") {
    TPgConnectParams params;
    params.Server = sandbox().host;
    params.Port = std::stoi(sandbox().port);
    params.ConnectionTimeout = 10;
    params.Database = database;
    params.UserName = user;
    params.Password = password;
    return params;
}

TPgConnectParams Superuser() {
    return Login(sandbox().user, sandbox().password);
}

// A protocol logged on as the superuser.
struct Session {
    explicit Session(const TPgConnectParams& params = Superuser()) { protocol.Connect(params); }
    ~Session() { protocol.Disconnect(); }
    std::string Value(const std::string& sql) {
        TPgSQLResult result = protocol.ExecuteStmt(sql);
        EXPECT_EQ(result.Rows.size(), 1u) << sql;
        return result.Rows.empty() || !result.Rows[0][0] ? "<null>" : *result.Rows[0][0];
    }
    TPgSQLProtocol30 protocol;
};

std::vector<TPgSQLRow> FetchAll(TPgSQLProtocol& protocol, TPgSQLStatement& stmt) {
    std::vector<TPgSQLRow> rows;
    while (auto row = protocol.FetchStmt(stmt))
        rows.push_back(std::move(*row));
    return rows;
}

// Waits until the server no longer lists the backend (or it runs a statement, when active is set).
void WaitForBackend(Session& observer, std::int32_t processId, bool active) {
    std::string sql = "SELECT count(*) FROM pg_stat_activity WHERE pid = " + std::to_string(processId) +
                      (active ? " AND state = 'active'" : "");
    for (int i = 0; i < 200 && observer.Value(sql) != (active ? "1" : "0"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

TEST(PgSQLProtocol, LogsOnWithEveryAuthenticationMethod) {
    const std::pair<std::string, std::string> logins[] = {
        {"auth_trust", ""},         {"auth_password", "pw-password"},     {"auth_md5", "pw-md5"},
        {"auth_scram", "pw-scram"}, {sandbox().user, sandbox().password},
    };
    for (const auto& [user, password] : logins) {
        Session session(Login(user, password));
        EXPECT_TRUE(session.protocol.IsConnected()) << user;
        EXPECT_EQ(session.Value("SELECT current_user"), user);
        EXPECT_EQ(session.protocol.MajorServerVersion(), 15);
        // "15.5" from the version query, "15.5 (Debian ...)" as the server reports it at log-on
        EXPECT_TRUE(session.protocol.GetServerParameter("server_version")
                        .starts_with(session.protocol.ServerVersion()));
        EXPECT_EQ(session.protocol.ServerVersion().substr(0, 3), "15.");
        EXPECT_TRUE(session.protocol.ServerVersionFull().starts_with("PostgreSQL 15."));
        EXPECT_EQ(session.protocol.GetServerParameter("client_encoding"), "UTF8");
    }
}

TEST(PgSQLProtocol, AWrongPasswordGivesTheServersMessage) {
    for (const char* user : {"auth_password", "auth_md5", "auth_scram"}) {
        TPgSQLProtocol30 protocol;
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Login(user, "wrong")); });
        EXPECT_EQ(error.Message(), std::string("password authentication failed for user \"") + user + "\"");
        EXPECT_EQ(error.SqlState(), PgSqlState::InvalidPassword);
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(protocol.IsConnected());
    }
}

// Without a password the client sends none: it tells its caller that the server wants one, in clear
// and over TLS alike, so that the caller can find one and connect again.
TEST(PgSQLProtocol, AServerThatAsksForAMissingPasswordRaisesPasswordRequired) {
    const std::pair<std::string, std::string> logins[] = {
        {"auth_password", "pw-password"}, {"auth_md5", "pw-md5"}, {"auth_scram", "pw-scram"}};
    for (const auto& [user, password] : logins) {
        for (TPgSSLMode mode : {TPgSSLMode::smDisable, TPgSSLMode::smAllow, TPgSSLMode::smRequire}) {
            SCOPED_TRACE(user + " in SSL mode " + std::to_string(static_cast<int>(mode)));
            TPgConnectParams params = Login(user, "");
            params.SSL.Mode = mode;
            TPgSQLProtocol30 protocol;
            try {
                protocol.Connect(params);
                ADD_FAILURE() << "logged on without a password";
            } catch (const EPgPasswordRequired& e) {
                EXPECT_EQ(e.Message(), "No password supplied for user \"" + user + "\"");
                EXPECT_TRUE(e.IsFatalError());
            }
            EXPECT_FALSE(protocol.IsConnected());
            // The same protocol logs on once it has the password.
            params.Password = password;
            protocol.Connect(params);
            EXPECT_TRUE(protocol.IsConnected());
            protocol.Disconnect();
        }
    }
    // A server that asks for nothing needs nothing.
    Session trusted(Login("auth_trust", ""));
    EXPECT_EQ(trusted.Value("SELECT current_user"), "auth_trust");
}

TEST(PgSQLProtocol, AnUnknownDatabaseGivesTheServersMessage) {
    TPgSQLProtocol30 protocol;
    EPgError error = ExpectFailure<EPgError>(
        [&] { protocol.Connect(Login(sandbox().user, sandbox().password, "no_such_database")); });
    EXPECT_EQ(error.Message(), "database \"no_such_database\" does not exist");
    EXPECT_EQ(error.SqlState(), PgSqlState::InvalidCatalogName);
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(protocol.IsConnected());
}

TEST(PgSQLProtocol, SendsTheApplicationNameOnlyWhenSet) {
    TPgConnectParams params = Superuser();
    params.ApplicationName = "velmora protocol test";
    Session named(params);
    EXPECT_EQ(named.protocol.GetServerParameter("application_name"), "velmora protocol test");
    Session unnamed;
    EXPECT_EQ(unnamed.protocol.GetServerParameter("application_name"), "");
}

TEST(PgSQLProtocol, ASyntaxErrorLeavesTheConnectionUsable) {
    Session session;
    EPgError simple = ExpectFailure<EPgError>([&] { session.protocol.ExecuteStmt("SELEC 1"); });
    EXPECT_EQ(simple.Message(), "syntax error at or near \"SELEC\"");
    EXPECT_EQ(simple.SqlState(), PgSqlState::SyntaxError);
    EXPECT_EQ(simple.Position(), 1);
    EXPECT_EQ(simple.Severity(), TPgSeverity::sError);

    TPgSQLStatement stmt;
    EPgError prepared = ExpectFailure<EPgError>([&] { session.protocol.PrepareStmt(stmt, "SELECT 1 FROM"); });
    EXPECT_EQ(prepared.SqlState(), PgSqlState::SyntaxError);
    EXPECT_FALSE(stmt.Prepared);
    EXPECT_TRUE(session.protocol.IsConnected());
    EXPECT_EQ(session.Value("SELECT count(*) FROM pg_prepared_statements"), "0");
    EXPECT_EQ(session.protocol.TransactionStatus(), TPgTransactionStatus::Idle);
}

TEST(PgSQLProtocol, AnEmptyStatementIsReported) {
    Session session;
    EXPECT_EQ(ExpectFailure<EPgError>([&] { session.protocol.ExecuteStmt(""); }).Message(),
              "No SQL statement provided");
    TPgSQLStatement stmt;
    session.protocol.PrepareStmt(stmt, "--");
    EXPECT_EQ(ExpectFailure<EPgError>([&] { session.protocol.BindExecutePreparedStmt(stmt, {}); }).Message(),
              "No SQL statement provided");
    session.protocol.UnPrepareStmt(stmt);
    EXPECT_EQ(session.Value("SELECT 'still here'"), "still here");
}

TEST(PgSQLProtocol, ADuplicateKeyIsAKeyViolation) {
    Session session;
    session.protocol.ExecuteStmt(
        "CREATE TEMP TABLE tenant (code character(4) PRIMARY KEY, name varchar(20))");
    TPgSQLStatement insert;
    session.protocol.PrepareStmt(insert, "INSERT INTO tenant (code, name) VALUES ($1, $2)");
    ASSERT_EQ(insert.Params.size(), 2u);
    EXPECT_EQ(insert.Params[0].TypeOid, 1042u); // character(n)
    EXPECT_EQ(insert.Params[1].TypeOid, 1043u); // character varying
    EXPECT_TRUE(insert.NoData);
    insert.Params[0].Format = pgBinaryFormat;

    EXPECT_FALSE(session.protocol.BindExecutePreparedStmt(insert, {"ABCD", std::nullopt}));
    EXPECT_EQ(insert.Completion.Command, "INSERT");
    EXPECT_EQ(insert.Completion.RowsAffected, 1);
    EXPECT_EQ(insert.Completion.LastInsertOID, 0u);

    EPgError duplicate = ExpectFailure<EPgError>([&] {
        session.protocol.BindExecutePreparedStmt(insert, {"ABCD", "again"});
    });
    EXPECT_TRUE(duplicate.IsKeyViolation());
    EXPECT_EQ(duplicate.SqlState(), PgSqlState::UniqueViolation);
    EXPECT_EQ(duplicate.EDAError::ErrorCode(), 23505);
    EXPECT_EQ(duplicate.DetailMsg(), "Key (code)=(ABCD) already exists.");
    EXPECT_FALSE(duplicate.IsFatalError());

    session.protocol.UnPrepareStmt(insert);
    EXPECT_EQ(session.Value("SELECT code || coalesce(name, '-') FROM tenant"), "ABCD-");
}

TEST(PgSQLProtocol, RunsTheExtendedCycleWithRowsAndCounts) {
    Session session;
    TPgSQLStatement select;
    session.protocol.PrepareStmt(select, "SELECT g, 'x' || g FROM generate_series(1, $1::int) g");
    ASSERT_EQ(select.Params.size(), 1u);
    EXPECT_EQ(select.Params[0].TypeOid, 23u);
    ASSERT_EQ(select.Fields.size(), 2u);
    EXPECT_EQ(select.Fields[0].Name, "g");
    EXPECT_EQ(select.Fields[0].TypeOid, 23u);
    EXPECT_FALSE(select.NoData);
    EXPECT_EQ(session.Value("SELECT name FROM pg_prepared_statements"), select.StatementName());

    ASSERT_TRUE(session.protocol.BindExecutePreparedStmt(select, {"1000"}));
    auto rows = FetchAll(session.protocol, select);
    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_EQ(rows[0], (TPgSQLRow{"1", "x1"}));
    EXPECT_EQ(rows[999], (TPgSQLRow{"1000", "x1000"}));
    EXPECT_EQ(select.Completion.Command, "SELECT");

    // Bound again without a new prepare, with binary results this time; rows left unread are skipped.
    ASSERT_TRUE(session.protocol.BindExecutePreparedStmt(select, {"3"}, {pgBinaryFormat}));
    EXPECT_EQ(session.protocol.FetchStmt(select), (TPgSQLRow{std::string("\0\0\0\1", 4), "x1"}));
    session.protocol.UnPrepareStmt(select);
    EXPECT_EQ(session.Value("SELECT count(*) FROM pg_prepared_statements"), "0");

    session.protocol.ExecuteStmt("CREATE TEMP TABLE counted AS SELECT generate_series(1, 5) AS n");
    TPgSQLStatement update;
    session.protocol.PrepareStmt(update, "UPDATE counted SET n = n + 10 WHERE n > $1");
    EXPECT_NE(update.Identifier, select.Identifier);
    EXPECT_TRUE(update.Identifier.starts_with("ST"));
    EXPECT_FALSE(session.protocol.BindExecutePreparedStmt(update, {"2"}));
    EXPECT_EQ(update.Completion.Command, "UPDATE");
    EXPECT_EQ(update.Completion.RowsAffected, 3);
    session.protocol.UnPrepareStmt(update);
    EXPECT_EQ(session.protocol.ExecuteStmt("DELETE FROM counted").Completion.RowsAffected, 5);
}

TEST(PgSQLProtocol, NoticesAreReadAndDropped) {
    Session session;
    const std::string sql = "DO $$BEGIN RAISE NOTICE 'first'; RAISE WARNING 'second'; END$$";
    EXPECT_EQ(session.protocol.ExecuteStmt(sql).Completion.Command, "DO");
    std::vector<std::string> heard;
    session.protocol.OnNotice = [&](const TPgErrorFields& notice) { heard.push_back(notice.Message); };
    session.protocol.ExecuteStmt(sql);
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second"}));
}

TEST(PgSQLProtocol, ATerminatedBackendGivesAFatalError) {
    Session victim, killer;
    killer.Value("SELECT pg_terminate_backend(" + std::to_string(victim.protocol.ProcessId()) + ")");
    WaitForBackend(killer, victim.protocol.ProcessId(), false);

    EPgError error = ExpectFailure<EPgError>([&] { victim.protocol.ExecuteStmt("SELECT 1"); });
    EXPECT_EQ(error.Message(), "terminating connection due to administrator command");
    EXPECT_EQ(error.SqlState(), PgSqlState::AdminShutdown);
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(victim.protocol.IsConnected());
}

TEST(PgSQLProtocol, RequestCancelStopsTheRunningStatement) {
    Session session, observer;
    std::thread canceller([&] {
        WaitForBackend(observer, session.protocol.ProcessId(), true);
        session.protocol.RequestCancel();
    });
    EPgError error = ExpectFailure<EPgError>([&] { session.protocol.ExecuteStmt("SELECT pg_sleep(30)"); });
    canceller.join();
    EXPECT_EQ(error.SqlState(), PgSqlState::QueryCanceled);
    EXPECT_EQ(error.Message(), "canceling statement due to user request");
    EXPECT_EQ(session.Value("SELECT 2"), "2");
}

// The server stores a SCRAM secret of the password after SASLprep; the client must derive its key
// from the same prepared text, or from the raw bytes where the server keeps them.
TEST(PgSQLProtocol, PasswordsTheServerNormalisesLogOnWithScram) {
    const std::string passwords[] = {
        "hoch\u00B2drei\u00B3", "5\u00B5m-Regel", "no\u00A0break",    "soft\u00ADhyphen",
        "\uFB01nale",           "tab\there",      "un\u0378assigned",
    };
    Session admin;
    for (const std::string& password : passwords) {
        const std::string role = velmora::test::uniqueName("sasl");
        admin.protocol.ExecuteStmt("CREATE ROLE " + role + " LOGIN PASSWORD '" + password + "'");
        {
            Session session(Login(role, password));
            EXPECT_EQ(session.Value("SELECT current_user"), role) << password;
        }
        admin.protocol.ExecuteStmt("DROP ROLE " + role);
    }
}

// channel_binding and require_auth refuse a server's request before the password leaves the client,
// and a log-on they allow goes through with the mechanism they ask for.
TEST(PgSQLProtocol, TheAuthenticationPolicyRefusesWhatItForbidsBeforeAnySecretIsSent) {
    struct Case {
        const char* user;
        const char* password;
        TPgSSLMode mode;
        TPgChannelBinding binding;
        const char* requireAuth;
        std::string refusal;   // empty: logs on
        std::string mechanism; // of a log-on
    };
    const std::string plus(TScramSha256Client::PlusMechanism);
    const std::string plain(TScramSha256Client::PlainMechanism);
    const Case cases[] = {
        {"auth_password", "pw-password", TPgSSLMode::smDisable, TPgChannelBinding::Prefer, "scram-sha-256",
         "authentication method requirement \"scram-sha-256\" failed: server requested a cleartext password",
         ""},
        {"auth_md5", "pw-md5", TPgSSLMode::smDisable, TPgChannelBinding::Prefer, "!md5,!password",
         "authentication method requirement \"!md5,!password\" failed: server requested a hashed password",
         ""},
        {"auth_trust", "", TPgSSLMode::smDisable, TPgChannelBinding::Prefer, "!none",
         "authentication method requirement \"!none\" failed: server did not complete authentication", ""},
        {"auth_scram", "pw-scram", TPgSSLMode::smDisable, TPgChannelBinding::Require, "",
         "channel binding required, but SSL not in use", ""},
        {"auth_md5", "pw-md5", TPgSSLMode::smRequire, TPgChannelBinding::Require, "",
         "channel binding required but not supported by server's authentication request", ""},
        {"auth_trust", "", TPgSSLMode::smRequire, TPgChannelBinding::Require, "",
         "channel binding required, but server authenticated client without channel binding", ""},
        {"auth_scram", "pw-scram", TPgSSLMode::smRequire, TPgChannelBinding::Require, "scram-sha-256", "",
         plus},
        {"auth_scram", "pw-scram", TPgSSLMode::smRequire, TPgChannelBinding::Disable, "", "", plain},
        {"auth_md5", "pw-md5", TPgSSLMode::smDisable, TPgChannelBinding::Prefer, "!password", "", ""},
        {"auth_trust", "", TPgSSLMode::smDisable, TPgChannelBinding::Prefer, "none", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.requireAuth);
        TPgConnectParams params = Login(c.user, c.password);
        params.SSL.Mode = c.mode;
        params.Auth = TPgAuthPolicy(c.binding, c.requireAuth);
        TPgSQLProtocol30 protocol;
        if (c.refusal.empty()) {
            protocol.Connect(params);
            EXPECT_EQ(protocol.SaslMechanism(), c.mechanism);
            protocol.Disconnect();
        } else {
            const EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
            EXPECT_EQ(error.Message(), c.refusal);
            EXPECT_TRUE(error.IsFatalError());
            EXPECT_FALSE(protocol.IsConnected());
        }
    }
}

TEST(PgSQLProtocol, TheStartupOptionsSetTheSession) {
    TPgConnectParams params = Superuser();
    params.StartupOptions = "-c work_mem=1234kB -c search_path=pg_catalog";
    Session session(params);
    EXPECT_EQ(session.Value("SHOW work_mem"), "1234kB");
    EXPECT_EQ(session.Value("SHOW search_path"), "pg_catalog");
}
