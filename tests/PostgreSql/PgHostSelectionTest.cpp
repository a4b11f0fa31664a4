// Several servers tried in turn: the sandbox as the server that works, small fake servers for the
// dead, silent and standby ones.
#include "PostgreSql/PgHostSelection.h"

#include "PostgreSql/FakeTcpServer.h"
#include "PostgreSql/PgClasses.h"
#include "scripted/ScriptedServer.h"
#include "support/ExpectFailure.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::backend;

namespace {

int SandboxPort() {
    return std::stoi(sandbox().port);
}

// The sandbox's superuser on the given hosts and ports (comma-separated lists).
std::unique_ptr<TPgSQLConnection> Connection(const std::string& hosts, const std::string& ports,
                                             TPgConnectionOptions options = {}) {
    auto connection = std::make_unique<TPgSQLConnection>();
    connection->SetServer(hosts);
    options.Ports = ports;
    if (options.ConnectionTimeout == TPgConnectionOptions().ConnectionTimeout)
        options.ConnectionTimeout = 10;
    connection->SetOptions(options);
    connection->SetDatabase("postgres");
    connection->SetUsername(sandbox().user);
    connection->SetPassword(sandbox().password);
    return connection;
}

TPgConnectionOptions Target(TPgTargetSession target, std::string startupOptions = {}) {
    TPgConnectionOptions options;
    options.TargetSession = target;
    options.StartupOptions = std::move(startupOptions);
    return options;
}

std::string RefusedLine(int port) {
    return "Server \"127.0.0.1\", Port " + std::to_string(port) +
           ": Cannot connect to server on host '127.0.0.1': Connection refused. Socket Error Code: 111($6F)";
}

// A scripted server that logs on anyone and reports the given parameters, as servers from version 14
// on report in_hot_standby and default_transaction_read_only; then answers the version query and
// each further query with the next of answers.
TServerScript ScriptedServer(const std::vector<std::pair<std::string, std::string>>& reported,
                             const std::vector<std::string>& answers = {}) {
    std::string logOn = AuthRequest(0);
    for (const auto& [name, value] : reported)
        logOn += ParameterStatus(name, value);
    TServerScript script;
    script.Then(logOn + BackendKeyData(1, 2) + ReadyForQuery()).Then(VersionAnswer());
    for (const std::string& answer : answers)
        script.Then(RowDescription({"value"}) + DataRow({answer}) + CommandComplete("SHOW") +
                    ReadyForQuery());
    return script;
}

const std::vector<std::pair<std::string, std::string>> kHotStandby{{"in_hot_standby", "on"},
                                                                   {"default_transaction_read_only", "off"}};

// Host "scripted" is played by the script, every other one is a real socket; no name is looked up.
TPgHostSelection Selection(TServerScript& script) {
    return TPgHostSelection(
        [factory = script.Factory()](const std::string& host, int port, int timeout) {
            return host == "scripted" ? factory(host, port, timeout) : TCRVioTcp::Open(host, port, timeout);
        },
        [](const std::string& host, int, int) { return std::vector<std::string>{host}; });
}

TPgConnectParams SandboxLogin() {
    TPgConnectParams params;
    params.Port = SandboxPort();
    params.ConnectionTimeout = 10;
    params.Database = "postgres";
    params.UserName = sandbox().user;
    params.Password = sandbox().password;
    return params;
}

TPgServerAddress Scripted() {
    return {"scripted", "", 5432};
}

TPgServerAddress Sandbox() {
    return {sandbox().host, "", SandboxPort()};
}

} // namespace

TEST(HostSelection, ServersThatCannotBeReachedArePassedOverInTheirOrder) {
    const int refused = RefusingPort();
    auto connection = Connection("127.0.0.1,no-such-host.invalid," + sandbox().host,
                                 std::to_string(refused) + "," + sandbox().port + "," + sandbox().port,
                                 Target(TPgTargetSession::ReadWrite));
    connection->Connect();
    EXPECT_EQ(connection->SelectRows("SELECT 1"), (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_EQ(connection->ConnectedServer().Host, sandbox().host);
    EXPECT_EQ(connection->ConnectedServer().Port, SandboxPort());
}

TEST(HostSelection, WhenNoServerWorksTheMessageNamesEachAttemptAndOneServerKeepsItsOwn) {
    const int first = RefusingPort();
    const int second = RefusingPort();
    const EPgError several = ExpectFailure<EPgError>([&] {
        Connection("127.0.0.1,127.0.0.1", std::to_string(first) + "," + std::to_string(second))->Connect();
    });
    EXPECT_TRUE(several.IsFatalError());
    EXPECT_EQ(several.Message(), "Keine Anmeldung an einem der Server möglich:\n" + RefusedLine(first) +
                                     "\n" + RefusedLine(second));

    const EPgError one =
        ExpectFailure<EPgError>([&] { Connection("127.0.0.1", std::to_string(first))->Connect(); });
    EXPECT_EQ(one.Message(), "Cannot connect to server on host '127.0.0.1':\nConnection refused.\n"
                             "Socket Error Code: 111($6F)");

    const EPgError addresses = ExpectFailure<EPgError>([&] {
        auto connection = Connection("db1,db2", std::to_string(first));
        TPgConnectionOptions options = connection->Options();
        options.HostAddr = "127.0.0.1,127.0.0.1";
        connection->SetOptions(options);
        connection->Connect();
    });
    EXPECT_EQ(addresses.Message(),
              "Keine Anmeldung an einem der Server möglich:\nServer \"db1\" (127.0.0.1), Port " +
                  std::to_string(first) +
                  ": Cannot connect to server on host '127.0.0.1': Connection refused. "
                  "Socket Error Code: 111($6F)\nServer \"db2\" (127.0.0.1), Port " +
                  std::to_string(first) +
                  ": Cannot connect to server on host '127.0.0.1': Connection refused. "
                  "Socket Error Code: 111($6F)");
}

// A server that accepts and never answers costs one connect timeout, after which the next is tried.
TEST(HostSelection, ASilentServerIsLeftAfterTheConnectTimeout) {
    const TFakeTcpServer silent;
    TPgConnectionOptions options;
    options.ConnectionTimeout = 2;
    const auto start = std::chrono::steady_clock::now();
    auto connection = Connection("127.0.0.1," + sandbox().host,
                                 std::to_string(silent.Port()) + "," + sandbox().port, options);
    connection->Connect();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(connection->ConnectedServer().Port, SandboxPort());
    EXPECT_LT(elapsed, std::chrono::seconds(20))
        << "the silent server held the connection beyond its timeout";
}

// A real session made read-only through its options: read-write looks on, read-only takes it.
TEST(HostSelection, ReadWriteRefusesAReadOnlySessionAndReadOnlyTakesIt) {
    const std::string readOnly = "-c default_transaction_read_only=on";
    const EPgError refused = ExpectFailure<EPgError>([&] {
        Connection(sandbox().host, sandbox().port, Target(TPgTargetSession::ReadWrite, readOnly))->Connect();
    });
    EXPECT_EQ(refused.Message(), "Keine Anmeldung an einem der Server möglich:\nServer \"" + sandbox().host +
                                     "\", Port " + sandbox().port + ": die Sitzung ist schreibgeschützt");

    auto connection =
        Connection(sandbox().host, sandbox().port, Target(TPgTargetSession::ReadOnly, readOnly));
    connection->Connect();
    EXPECT_EQ(connection->SelectRows("SHOW transaction_read_only"),
              (std::vector<std::vector<std::string>>{{"on"}}));
    const EPgError writable = ExpectFailure<EPgError>(
        [&] { Connection(sandbox().host, sandbox().port, Target(TPgTargetSession::ReadOnly))->Connect(); });
    EXPECT_TRUE(writable.Message().ends_with(": die Sitzung ist nicht schreibgeschützt"))
        << writable.Message();
}

TEST(HostSelection, StandbysAreTakenOrPassedOverAsTheTargetSays) {
    struct Case {
        TPgTargetSession target;
        bool standbyFirst;
        const char* expectedHost; // "scripted" or the sandbox
    };
    const Case cases[] = {
        {TPgTargetSession::Primary, true, "sandbox"},    {TPgTargetSession::ReadWrite, true, "sandbox"},
        {TPgTargetSession::Standby, false, "scripted"},  {TPgTargetSession::PreferStandby, false, "scripted"},
        {TPgTargetSession::ReadOnly, false, "scripted"}, {TPgTargetSession::Any, true, "scripted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(PgTargetSessionName(c.target)));
        TServerScript standby = ScriptedServer(kHotStandby);
        const std::vector<TPgServerAddress> servers =
            c.standbyFirst ? std::vector{Scripted(), Sandbox()} : std::vector{Sandbox(), Scripted()};
        TPgSelectedSession session = Selection(standby).Connect(SandboxLogin(), servers, c.target);
        EXPECT_EQ(session.Server.Host,
                  std::string(c.expectedHost) == "scripted" ? "scripted" : sandbox().host);
        EXPECT_TRUE(session.Protocol->IsConnected());
    }
}

TEST(HostSelection, PreferStandbyTakesTheFirstServerWhenNoneIsAStandby) {
    TServerScript primary =
        ScriptedServer({{"in_hot_standby", "off"}, {"default_transaction_read_only", "off"}});
    TPgSelectedSession session =
        Selection(primary).Connect(SandboxLogin(), {Scripted(), Sandbox()}, TPgTargetSession::PreferStandby);
    EXPECT_EQ(session.Server.Host, "scripted");
    EXPECT_TRUE(session.Protocol->IsConnected());
}

// Servers before version 14 report neither setting: they are asked.
TEST(HostSelection, OlderServersAreAskedWhetherTheyAreReadOnlyOrInRecovery) {
    TServerScript readOnly = ScriptedServer({}, {"on"});
    EXPECT_EQ(Selection(readOnly)
                  .Connect(SandboxLogin(), {Scripted(), Sandbox()}, TPgTargetSession::ReadWrite)
                  .Server.Host,
              sandbox().host);
    EXPECT_NE(readOnly.Sent().find("SHOW transaction_read_only"), std::string::npos);

    TServerScript recovering = ScriptedServer({}, {"t"});
    EXPECT_EQ(Selection(recovering)
                  .Connect(SandboxLogin(), {Sandbox(), Scripted()}, TPgTargetSession::Standby)
                  .Server.Host,
              "scripted");
    EXPECT_NE(recovering.Sent().find("pg_is_in_recovery()"), std::string::npos);
}

// A server that refuses the log-on would be followed by servers that hear the same secret: the
// search ends there, as the server's own tools end it.
TEST(HostSelection, ARefusedLogOnEndsTheSearch) {
    TServerScript next = ScriptedServer({});
    TPgConnectParams wrongPassword = SandboxLogin();
    wrongPassword.Password = "falsch";
    const EPgError refused = ExpectFailure<EPgError>([&] {
        Selection(next).Connect(wrongPassword, {Sandbox(), Scripted()}, TPgTargetSession::Any);
    });
    EXPECT_EQ(refused.ErrorCode(), "28P01");
    EXPECT_EQ(next.Opened(), 0);
}
