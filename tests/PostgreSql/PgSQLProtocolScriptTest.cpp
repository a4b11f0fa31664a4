// The protocol against scripted servers: exact server bytes for what a real server will not do on
// demand, and a small TCP server for a silent one.
#include "PostgreSql/FakeTcpServer.h"
#include "PostgreSql/PgAuth.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSqlState.h"
#include "scripted/ScriptedServer.h"
#include "support/ExpectFailure.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::backend;

namespace {

TPgConnectParams Params() {
    TPgConnectParams params;
    params.Server = "scripted";
    params.Database = "db";
    params.UserName = "alice";
    params.Password = "secret";
    return params;
}

TServerScript LoggedOnScript() {
    TServerScript script;
    script.Then(LoginAccepted()).Then(VersionAnswer());
    return script;
}

// A protocol connected to a trusting scripted server; the test adds the answers that follow.
struct ConnectedProtocol {
    explicit ConnectedProtocol(std::size_t chunkSize = 65536)
        : script(LoggedOnScript()), protocol(script.Factory(chunkSize)) {
        protocol.Connect(Params());
    }
    TServerScript script;
    TPgSQLProtocol30 protocol;
};

std::string SentMessage(char type, const std::string& body) {
    return Message(type, body);
}

} // namespace

class ChunkedReads : public testing::TestWithParam<std::size_t> {};

// Every read may deliver a single byte: the framing must not depend on how the bytes arrive.
TEST_P(ChunkedReads, ConnectsAndReadsNoticesInterleavedWithRows) {
    ConnectedProtocol connected(GetParam());
    TPgSQLProtocol30& protocol = connected.protocol;
    EXPECT_TRUE(protocol.IsConnected());
    EXPECT_EQ(protocol.ServerVersion(), "10.3");
    EXPECT_EQ(protocol.MajorServerVersion(), 10);
    EXPECT_EQ(protocol.MinorServerVersion(), 3);
    EXPECT_EQ(protocol.GetServerParameter("client_encoding"), "UTF8");
    EXPECT_EQ(protocol.ProcessId(), 4711);
    EXPECT_EQ(protocol.TransactionStatus(), TPgTransactionStatus::Idle);

    connected.script.Then(RowDescription({"a", "b"}) + NoticeResponse("first") +
                          DataRow({"1", std::nullopt}) + NoticeResponse("second") +
                          ParameterStatus("TimeZone", "UTC") + DataRow({"2", "x"}) +
                          CommandComplete("SELECT 2") + NoticeResponse("third") + ReadyForQuery());
    std::vector<std::string> notices;
    protocol.OnNotice = [&](const TPgErrorFields& notice) { notices.push_back(notice.Message); };
    TPgSQLResult result = protocol.ExecuteStmt("SELECT a, b FROM t");

    ASSERT_EQ(result.Fields.size(), 2u);
    EXPECT_EQ(result.Fields[1].Name, "b");
    ASSERT_EQ(result.Rows.size(), 2u);
    EXPECT_EQ(result.Rows[0], (TPgSQLRow{"1", std::nullopt}));
    EXPECT_EQ(result.Rows[1], (TPgSQLRow{"2", "x"}));
    EXPECT_EQ(result.Completion.Command, "SELECT");
    EXPECT_EQ(notices, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(protocol.GetServerParameter("TimeZone"), "UTC");
    EXPECT_TRUE(protocol.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(PgSQLProtocolScript, ChunkedReads, testing::Values(1, 65536));

TEST(PgSQLProtocolScript, SendsTheStartupMessageAndTerminate) {
    ConnectedProtocol connected;
    std::string startup = std::string("user\0alice\0database\0db\0\0", 24);
    EXPECT_EQ(connected.script.Sent().substr(0, 8 + startup.size()),
              Int32(static_cast<std::int32_t>(8 + startup.size())) + Int32(196608) + startup);
    EXPECT_EQ(connected.script.Sent().find("application_name"), std::string::npos);
    EXPECT_NE(connected.script.Sent().find(SentMessage('Q', std::string("SELECT VERSION()\0", 17))),
              std::string::npos);

    connected.protocol.Disconnect();
    EXPECT_TRUE(connected.script.Sent().ends_with(std::string("X\0\0\0\4", 5)));
    EXPECT_FALSE(connected.protocol.IsConnected());
}

TEST(PgSQLProtocolScript, RetriesWithoutApplicationNameTheServerDoesNotKnow) {
    TServerScript script;
    script
        .Then(AuthRequest(0) +
              ErrorResponse("FATAL", PgSqlState::UndefinedObject, "unrecognized configuration parameter"))
        .Then(LoginAccepted())
        .Then(VersionAnswer());
    TPgSQLProtocol30 protocol(script.Factory());
    TPgConnectParams params = Params();
    params.ApplicationName = "setup";
    protocol.Connect(params);

    EXPECT_TRUE(protocol.IsConnected());
    EXPECT_EQ(script.Opened(), 2);
    const std::string& sent = script.Sent();
    auto first = sent.find(std::string("application_name\0setup\0", 23));
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(sent.find("application_name", first + 1), std::string::npos);
}

TEST(PgSQLProtocolScript, AnswersPasswordRequests) {
    struct Case {
        std::string request;
        TPgConnectParams params;
        std::string password;
    };
    TPgConnectParams md5 = Params();
    md5.UserName = "auth_md5";
    md5.Password = "pw-md5";
    const Case cases[] = {
        {AuthRequest(3), Params(), std::string("secret\0", 7)},
        {AuthRequest(5, std::string("\x01\x00\xfe\x7f", 4)), md5,
         std::string("md5ab2a8a24c88f1c8b06361fcfa708e01d\0", 36)},
    };
    for (const Case& c : cases) {
        TServerScript script;
        script.Then(c.request).Then(LoginAccepted()).Then(VersionAnswer());
        TPgSQLProtocol30 protocol(script.Factory());
        protocol.Connect(c.params);
        EXPECT_NE(script.Sent().find(SentMessage('p', c.password)), std::string::npos) << c.password;
    }
}

TEST(PgSQLProtocolScript, RefusesUnsupportedAuthenticationMethods) {
    const std::string requests[] = {
        AuthRequest(4, "ab"),                                       // crypt
        AuthRequest(2),                                             // Kerberos 5
        AuthRequest(7),                                             // GSSAPI
        AuthRequest(9),                                             // SSPI
        AuthRequest(10, std::string("SCRAM-SHA-256-PLUS\0\0", 20)), // channel binding needs TLS
        AuthRequest(13),
    };
    for (const std::string& request : requests) {
        TServerScript script;
        script.Then(request);
        TPgSQLProtocol30 protocol(script.Factory());
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Params()); });
        EXPECT_EQ(error.Message(), "Unknown auth method");
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(protocol.IsConnected());
        EXPECT_EQ(script.Sent().find("secret"), std::string::npos);
    }
}

// The server's first SCRAM message, echoing the nonce the client sent last.
TServerScript::Reply ScramServerFirst(const std::string& iterations = "4096") {
    return [iterations](std::string_view sent) {
        std::string clientNonce(sent.substr(sent.rfind("r=") + 2));
        return AuthRequest(11, "r=" + clientNonce + "server,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=" + iterations);
    };
}

TEST(PgSQLProtocolScript, NeverAcceptsAuthenticationOkBeforeTheServerIsVerified) {
    const std::pair<std::string, std::string> endings[] = {
        {AuthRequest(0), "Missing SCRAM server signature"},
        {AuthRequest(12, "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=") + AuthRequest(0),
         "Invalid SCRAM server signature"},
        {AuthRequest(12, "e=invalid-proof"), "SCRAM authentication failed: invalid-proof"},
        {ErrorResponse("FATAL", PgSqlState::InvalidPassword,
                       "password authentication failed for user \"alice\""),
         "password authentication failed for user \"alice\""},
    };
    for (const auto& [ending, message] : endings) {
        TServerScript script;
        script.Then(AuthRequest(10, std::string("SCRAM-SHA-256-PLUS\0SCRAM-SHA-256\0\0", 34)))
            .Then(ScramServerFirst())
            .Then(ending + ParameterStatus("a", "b") + BackendKeyData(1, 2) + ReadyForQuery())
            .Then(VersionAnswer());
        TPgSQLProtocol30 protocol(script.Factory());
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Params()); });
        EXPECT_EQ(error.Message(), message);
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(protocol.IsConnected());
        // The client answered in SCRAM's form: no channel binding, the user from the startup message.
        EXPECT_NE(script.Sent().find(std::string("SCRAM-SHA-256\0", 14) + Int32(32) + "n,,n=,r="),
                  std::string::npos);
        EXPECT_NE(script.Sent().find("c=biws,r="), std::string::npos);
    }
}

TEST(PgSQLProtocolScript, ReadsTheOldTextFormOfAnError) {
    TServerScript script;
    script.Then(std::string("EFATAL:  database \"nope\" does not exist\n\0", 41));
    TPgSQLProtocol30 protocol(script.Factory());
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Params()); });
    EXPECT_EQ(error.Message(), "database \"nope\" does not exist");
    EXPECT_EQ(error.Severity(), TPgSeverity::sFatal);
}

TEST(PgSQLProtocolScript, AnUnexpectedMessageDuringLogOnIsFatal) {
    TServerScript script;
    script.Then(ReadyForQuery());
    TPgSQLProtocol30 protocol(script.Factory());
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Params()); });
    EXPECT_EQ(error.Message(), "Unexpected server response");
    EXPECT_TRUE(error.IsFatalError());
}

TEST(PgSQLProtocolScript, MalformedOrUnknownMessagesEndTheConnection) {
    const std::pair<std::string, std::string> answers[] = {
        {Message('W', Int16(0)), "Unexpected server response : W"},                  // unknown type
        {Message('D', Int16(2) + Int32(1) + "x"), "Unexpected server response : D"}, // fewer values
        {Message('D', Int16(1) + Int32(-2)), "Unexpected server response : D"},      // impossible length
        {Message('C', std::string("SELECT 1\0junk", 13)), "Unexpected server response : C"}, // longer
        {std::string("Z") + Int32(2), "Unexpected server response : Z"}, // a length below its own size
        {Message('1', ""), "Unexpected server response : 1"},            // out of step
        {Message('T', Int16(32767)), "Unexpected server response : T"},  // more columns than bytes
        // Rows that do not fit their description, or come without one.
        {RowDescription({"a"}) + DataRow({"1", "2"}), "Unexpected server response : D"},
        {DataRow({"1"}), "Unexpected server response : D"},
        // An error must be followed by ReadyForQuery; anything else leaves the stream out of step.
        {ErrorResponse("ERROR", PgSqlState::SyntaxError, "syntax error") + RowDescription({"a"}),
         "syntax error"},
    };
    for (const auto& [answer, message] : answers) {
        ConnectedProtocol connected;
        connected.script.Then(answer + ReadyForQuery());
        EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT 1"); });
        EXPECT_EQ(error.Message(), message);
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(connected.protocol.IsConnected());
        EXPECT_EQ(ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT 1"); }).Message(),
                  "Not connected");
    }
}

TEST(PgSQLProtocolScript, AConnectionDroppedMidMessageIsAFatalErrorThatSaysSo) {
    ConnectedProtocol connected;
    connected.script.Then(RowDescription({"a"}) + DataRow({"12345"}).substr(0, 7));
    EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT a FROM t"); });
    EXPECT_EQ(error.Message(),
              "Der Server hat die Verbindung unerwartet geschlossen (Host scripted, Port 5432)");
    EXPECT_EQ(error.EDAError::ErrorCode(), 0);
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(connected.protocol.IsConnected());
}

TEST(PgSQLProtocolScript, AnErrorBeforeTheServerHangsUpKeepsItsMessage) {
    // An old server with a translated severity word closes the connection after what reads as an
    // ERROR: its message must reach the user, not the empty text of the closed socket.
    ConnectedProtocol connected;
    connected.script.Then(ErrorResponse("FEHLER", PgSqlState::AdminShutdown, "Verbindung wird beendet"));
    EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT 1"); });
    EXPECT_EQ(error.Message(), "Verbindung wird beendet");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(connected.protocol.IsConnected());
}

TEST(PgSQLProtocolScript, AServerThatHungUpIsHeardOutBeforeItsRefusedWriteCounts) {
    // A server that ends the session stops reading, so a statement sent ahead fails to leave; the
    // answer and the error the server sent before it are still on their way and say what happened.
    const std::string insertAnswered = Message('1', "") + Message('t', Int16(0)) + Message('n', "") +
                                       Message('2', "") + CommandComplete("INSERT 0 1") + ReadyForQuery();
    ConnectedProtocol connected;
    connected.script
        .Then(insertAnswered + ErrorResponse("FATAL", PgSqlState::AdminShutdown,
                                             "terminating connection due to administrator command"))
        .Then([](std::string_view) -> std::string {
            throw ESocketError("Error on data writing to the connection: Broken pipe", EPIPE);
        });
    TPgSQLStatement first;
    TPgSQLStatement second;
    connected.protocol.SendPipelinedStmt(first, "INSERT INTO t VALUES (1)");
    connected.protocol.SendPipelinedStmt(second, "INSERT INTO t VALUES (2)");
    connected.protocol.ReadPipelinedStmt(first);
    EXPECT_EQ(first.Completion.RowsAffected, 1);
    EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ReadPipelinedStmt(second); });
    EXPECT_EQ(error.Message(), "terminating connection due to administrator command");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(connected.protocol.IsConnected());
}

TEST(PgSQLProtocolScript, ASimpleQueryKeepsNoMoreRowsThanItsCeiling) {
    // One-letter rows cost the client far more to keep than to receive: a server must not fill the
    // memory with them. A long catalogue list still fits.
    for (const auto& [rows, fits] : {std::pair{200000, true}, std::pair{300000, false}}) {
        std::string answer = RowDescription({"name"});
        for (int i = 0; i < rows; ++i)
            answer += DataRow({"x"});
        ConnectedProtocol connected;
        connected.script.Then(answer + CommandComplete("SELECT") + ReadyForQuery());
        if (fits) {
            EXPECT_EQ(connected.protocol.ExecuteStmt("SELECT name FROM t").Rows.size(), 200000u);
            continue;
        }
        EPgError error =
            ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT name FROM t"); });
        EXPECT_EQ(error.Message(), "Server answer too long for a simple query");
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(connected.protocol.IsConnected());
    }
}

TEST(PgSQLProtocolScript, AFloodOfServerParametersKeepsTheFirstOnesAndTheirUpdates) {
    std::string login = AuthRequest(0) + ParameterStatus("server_version", "15.5");
    for (int i = 0; i < 5000; ++i)
        login += ParameterStatus("p" + std::to_string(i), "v");
    login += ParameterStatus("server_version", "16.1") + BackendKeyData(4711, 42) + ReadyForQuery();
    TServerScript script;
    script.Then(login).Then(VersionAnswer());
    TPgSQLProtocol30 protocol(script.Factory());
    protocol.Connect(Params());
    EXPECT_EQ(protocol.GetServerParameter("server_version"), "16.1");
    EXPECT_EQ(protocol.GetServerParameter("p0"), "v");
    EXPECT_EQ(protocol.GetServerParameter("p4999"), "");
}

TEST(PgSQLProtocolScript, AnErrorIsRaisedAfterReadyForQueryAndTheConnectionStays) {
    ConnectedProtocol connected;
    connected.script
        .Then(ErrorResponse("ERROR", PgSqlState::SyntaxError, "syntax error") + NoticeResponse("late") +
              ReadyForQuery())
        .Then(CommandComplete("SET") + ReadyForQuery());
    EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELEC 1"); });
    EXPECT_EQ(error.Message(), "syntax error");
    EXPECT_EQ(error.SqlState(), PgSqlState::SyntaxError);
    EXPECT_TRUE(connected.protocol.IsConnected());
    EXPECT_EQ(connected.protocol.ExecuteStmt("SET x = 1").Completion.Command, "SET");
}

TEST(PgSQLProtocolScript, ASilentServerEndsInTheReceiveTimeout) {
    const std::string timedOut =
        "Error on data reading from the connection:\nConnection timed out.\nSocket Error Code: 110($6E)";
    {
        TFakeTcpServer silent;
        TPgSQLProtocol30 protocol;
        TPgConnectParams params = Params();
        params.Server = "127.0.0.1";
        params.Port = silent.Port();
        params.ConnectionTimeout = 1;
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
        EXPECT_EQ(error.Message(), timedOut);
        EXPECT_EQ(error.ErrorCode(), "110");
        EXPECT_TRUE(error.IsFatalError());
    }
    {
        TFakeTcpServer server({LoginAccepted(), VersionAnswer()});
        TPgSQLProtocol30 protocol;
        TPgConnectParams params = Params();
        params.Server = "127.0.0.1";
        params.Port = server.Port();
        protocol.Connect(params);
        protocol.SetTimeout(1);
        EXPECT_EQ(ExpectFailure<EPgError>([&] { protocol.ExecuteStmt("SELECT 1"); }).Message(), timedOut);
        EXPECT_FALSE(protocol.IsConnected());
    }
}

TEST(PgSQLProtocolScript, SocketFailuresOfTheConnectCarryTheSocketLayersText) {
    TPgSQLProtocol30 protocol;
    TPgConnectParams params = Params();
    params.Server = "127.0.0.1";
    params.Port = RefusingPort();
    EPgError refused = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_EQ(refused.Message(), "Cannot connect to server on host '127.0.0.1':\nConnection refused.\n"
                                 "Socket Error Code: 111($6F)");
    EXPECT_EQ(refused.EDAError::ErrorCode(), 111);
    EXPECT_TRUE(refused.IsFatalError());

    TFullListener full;
    params.Port = full.Port();
    params.ConnectionTimeout = 1;
    EXPECT_EQ(ExpectFailure<EPgError>([&] { protocol.Connect(params); }).Message(),
              "Cannot connect to server on host '127.0.0.1': Connection timed out");

    params.Server = "no-such-host.invalid";
    EPgError unknown = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_TRUE(unknown.Message().starts_with("Unknown host 'no-such-host.invalid'\nSocket Error Code: "))
        << unknown.Message();
}

// A server claims any length it likes: beyond the ceiling of the message type the connection ends
// before a byte of the body is waited for, and within it the body is read as it arrives.
TEST(PgSQLProtocolScript, LengthsBeyondTheirTypesCeilingEndTheConnectionWhichOpensAgain) {
    const std::pair<std::string, std::string> answers[] = {
        {std::string("Z") + Int32(1 << 30), "Server message too long : Z"},
        {std::string("C") + Int32(40000), "Server message too long : C"},
        {std::string("T") + Int32(2 << 20), "Server message too long : T"},
        {std::string("E") + Int32(64 << 20), "Server message too long : E"},
        {std::string("D") + Int32(0x7FFFFFFF), "Server message too long : D"},
        // Within its ceiling a huge row costs what arrives; then the server hangs up.
        {std::string("D") + Int32(1 << 29) + Int16(1) + Int32((1 << 29) - 10) + "abc",
         "Der Server hat die Verbindung unerwartet geschlossen (Host scripted, Port 5432)"},
    };
    for (const auto& [answer, message] : answers) {
        ConnectedProtocol connected;
        connected.script.Then(answer)
            .Then(LoginAccepted())
            .Then(VersionAnswer())
            .Then(CommandComplete("SET") + ReadyForQuery());
        EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SELECT 1"); });
        EXPECT_EQ(error.Message(), message);
        EXPECT_TRUE(error.IsFatalError());
        EXPECT_FALSE(connected.protocol.IsConnected());
        connected.protocol.Connect(Params());
        EXPECT_EQ(connected.script.Opened(), 2);
        EXPECT_EQ(connected.protocol.ExecuteStmt("SET x = 1").Completion.Command, "SET");
    }
}

TEST(PgSQLProtocolScript, AnEndlessErrorInTheOldTextFormIsCutOff) {
    TServerScript script;
    script.Then("EFATAL:  " + std::string(100000, 'x'));
    TPgSQLProtocol30 protocol(script.Factory(4096));
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Params()); });
    EXPECT_EQ(error.Message(), "Server message too long : E");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(protocol.IsConnected());
}

TEST(PgSQLProtocolScript, NoticesReachAListenerInOrderAlsoInAFlood) {
    std::string flood;
    for (int i = 0; i < 250; ++i)
        flood += NoticeResponse("notice " + std::to_string(i));
    ConnectedProtocol connected;
    connected.script.Then(flood + CommandComplete("SET") + ReadyForQuery())
        .Then(flood + CommandComplete("SET") + ReadyForQuery());
    EXPECT_EQ(connected.protocol.ExecuteStmt("SET x = 1").Completion.Command, "SET"); // nobody listens
    std::vector<std::string> heard;
    connected.protocol.OnNotice = [&](const TPgErrorFields& notice) { heard.push_back(notice.Message); };
    EXPECT_EQ(connected.protocol.ExecuteStmt("SET x = 1").Completion.Command, "SET");
    ASSERT_EQ(heard.size(), 250U);
    EXPECT_EQ(heard.front(), "notice 0");
    EXPECT_EQ(heard.back(), "notice 249");
}

TEST(PgSQLProtocolScript, AFailureOutsideTheProtocolMidExchangeEndsTheConnection) {
    ConnectedProtocol connected;
    connected.script.Then(NoticeResponse("hello") + CommandComplete("SET") + ReadyForQuery());
    connected.protocol.OnNotice = [](const TPgErrorFields&) { throw std::runtime_error("listener failed"); };
    EPgError error = ExpectFailure<EPgError>([&] { connected.protocol.ExecuteStmt("SET x = 1"); });
    EXPECT_EQ(error.Message(), "listener failed; the connection was closed");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(connected.protocol.IsConnected());
}

TEST(PgSQLProtocolScript, AHugeScramIterationCountEndsInTheConnectionTimeout) {
    TServerScript script;
    script.Then(AuthRequest(10, std::string("SCRAM-SHA-256\0\0", 15))).Then(ScramServerFirst("2147483647"));
    TPgSQLProtocol30 protocol(script.Factory());
    TPgConnectParams params = Params();
    params.ConnectionTimeout = 1;
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_EQ(error.Message(), "Connection timed out while deriving the SCRAM key (2147483647 iterations)");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(protocol.IsConnected());
}

TEST(PgSQLProtocolScript, AServerThatStopsReadingEndsInTheTimeout) {
    TFakeTcpServer deaf({LoginAccepted(), VersionAnswer()}, TFakeTcpServer::TAfterAnswers::StopReading);
    TPgSQLProtocol30 protocol;
    TPgConnectParams params = Params();
    params.Server = "127.0.0.1";
    params.Port = deaf.Port();
    protocol.Connect(params);
    protocol.SetTimeout(1);
    // More than the socket buffers of both sides hold.
    const std::string statement = "SELECT '" + std::string(64 << 20, 'x') + "'";
    EPgError error = ExpectFailure<EPgError>([&] { protocol.ExecuteStmt(statement); });
    EXPECT_EQ(error.Message(),
              "Error on data writing to the connection:\nConnection timed out.\nSocket Error Code: 110($6E)");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_FALSE(protocol.IsConnected());
}

// An SSLRequest is answered with one byte, S or N. A server that cannot serve the connection sends
// an ErrorResponse instead, whose message is the reason; anything else is no answer at all. Neither
// lets the log-on go on in clear, whatever the mode.
TEST(PgSQLProtocolScript, AnAnswerToTheSslRequestOtherThanYesOrNoIsRefusedWithWhatTheServerSent) {
    const std::pair<std::string, std::string> answers[] = {
        {ErrorResponse("FATAL", "53300", "sorry, too many clients already"),
         "sorry, too many clients already"},
        {std::string("EFATAL:  the old text form") + '\0', "the old text form"},
        {"X", "Ungültige Antwort des Servers auf die SSL-Anfrage: 'X'"},
        {std::string(1, '\x01'), "Ungültige Antwort des Servers auf die SSL-Anfrage: 0x01"},
    };
    for (TPgSSLMode mode : {TPgSSLMode::smPrefer, TPgSSLMode::smRequire}) {
        for (const auto& [answer, message] : answers) {
            SCOPED_TRACE(message);
            TServerScript script;
            script.Then(answer).Then(LoginAccepted()).Then(VersionAnswer());
            TPgSQLProtocol30 protocol(script.Factory());
            TPgConnectParams params = Params();
            params.SSL.Mode = mode;
            EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
            EXPECT_EQ(error.Message(), message);
            EXPECT_TRUE(error.IsFatalError());
            EXPECT_FALSE(protocol.IsConnected());
            EXPECT_EQ(script.Opened(), 1);
            EXPECT_EQ(script.Sent().size(), 8U); // the SSLRequest, nothing after it
        }
    }
}

// A handshake whose bytes trickle in, each well within the receive timeout, still ends with the
// log-on's time.
TEST(PgSQLProtocolScript, ATlsHandshakeThatTricklesInEndsWithTheConnectionTimeout) {
    // The head of a TLS record that announces a long server hello, then its body a byte at a time.
    const std::string record = std::string("\x16\x03\x03\x40\x00", 5) + std::string(40, '\x02');
    TTricklingServer server("S", record, std::chrono::milliseconds(200));
    TPgSQLProtocol30 protocol;
    TPgConnectParams params = Params();
    params.Server = "127.0.0.1";
    params.Port = server.Port();
    params.ConnectionTimeout = 1;
    params.SSL.Mode = TPgSSLMode::smRequire;
    const auto start = std::chrono::steady_clock::now();
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(
        error.Message(),
        "Error on data reading from the connection:\nConnection timed out.\nSocket Error Code: 110($6E)");
    EXPECT_TRUE(error.IsFatalError());
    // The trickle lasts over eight seconds; the log-on's time is one.
    EXPECT_LT(elapsed, std::chrono::seconds(4));
}

// Statement names begin with a random token of their session, so that sessions of other processes
// never prepare a statement of the same name on a backend a pooler shares between them.
TEST(PgSQLProtocolScript, NamedStatementsAreUniqueAcrossSessionsAndClosedWhenTheirExecutionFailed) {
    const std::string described =
        Message('1', "") + Message('t', Int16(0)) + Message('n', "") + ReadyForQuery();
    std::vector<std::string> names;
    for (int session = 0; session < 2; ++session) {
        ConnectedProtocol connected;
        connected.script.Then(described).Then(described);
        for (int i = 0; i < 2; ++i) {
            TPgSQLStatement stmt;
            connected.protocol.PrepareStmt(stmt, "SELECT 1");
            ASSERT_TRUE(stmt.StatementName().starts_with("PRSTMTST"));
            names.push_back(stmt.StatementName());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());

    // The server skips the closes sent with a failed execution; they go once more on their own.
    ConnectedProtocol connected;
    std::string afterFailure;
    connected.script.Then(described)
        .Then(Message('3', "") + ErrorResponse("ERROR", PgSqlState::UniqueViolation, "duplicate key") +
              ReadyForQuery())
        .Then([&](std::string_view sent) {
            afterFailure = sent;
            return Message('3', "") + ReadyForQuery();
        });
    TPgSQLStatement stmt;
    connected.protocol.PrepareStmt(stmt, "INSERT INTO t VALUES (1)");
    EXPECT_EQ(ExpectFailure<EPgError>([&] {
                  connected.protocol.BindExecutePreparedStmt(stmt, {}, {}, true);
              }).SqlState(),
              PgSqlState::UniqueViolation);
    EXPECT_FALSE(stmt.Prepared);
    EXPECT_EQ(afterFailure,
              Message('C', "S" + stmt.StatementName() + std::string(1, '\0')) + Message('S', ""));
    EXPECT_TRUE(connected.protocol.IsConnected());
}

// The cancel request goes on a connection of its own with the session's key, and waits until the
// server has closed that connection.
TEST(PgSQLProtocolScript, TheCancelRequestCarriesTheSessionsKeyOnAConnectionOfItsOwn) {
    ConnectedProtocol connected;
    const std::size_t sessionBytes = connected.script.Sent().size();
    connected.protocol.RequestCancel();
    EXPECT_EQ(connected.script.Opened(), 2);
    EXPECT_EQ(connected.script.Sent().substr(sessionBytes),
              Int32(16) + Int32(80877102) + Int32(4711) + Int32(42));
    EXPECT_TRUE(connected.protocol.IsConnected());

    connected.protocol.Disconnect();
    connected.protocol.RequestCancel(); // no session, nothing to cancel
    EXPECT_EQ(connected.script.Opened(), 2);
}
