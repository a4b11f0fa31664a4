// Plays arbitrary bytes as the server of a session, through the scripted transport of the tests: to
// the log-on, to the session's set-up and to the statements that follow, simple queries as well as
// prepared ones. Whatever the server sends, every failure must be one of our exceptions, a fatal one
// must leave the session closed, and a session that still counts as open must be ready for the next
// statement. libFuzzer's memory limits catch a server that makes the client allocate what it claims.
//
// The input: from its end, the steps to take, how many bytes each read hands out and whether the
// statement has a parameter; from its front, the server's answers, one per flush of the client. An answer may
// write "%nonce%" where the client's random SCRAM nonce belongs, so that the log-on gets past the nonce
// check.

#include "Common/Exceptions.h"
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSQLCommand.h"
#include "scripted/ScriptedServer.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

namespace {

using namespace velmora;
using velmora::test::TServerScript;

constexpr int MaxSteps = 12;
constexpr std::string_view NoncePlaceholder = "%nonce%";

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The client's nonce is the last attribute of its first SCRAM message.
std::string WithClientNonce(std::string answer, std::string_view sent) {
    const std::size_t at = sent.rfind("r=");
    if (at == std::string_view::npos)
        return answer;
    const std::string nonce(sent.substr(at + 2));
    for (std::size_t pos = answer.find(NoncePlaceholder); pos != std::string::npos;
         pos = answer.find(NoncePlaceholder, pos + nonce.size()))
        answer.replace(pos, NoncePlaceholder.size(), nonce);
    return answer;
}

enum class TStep { Query, Command, DatabaseNames, Listen };

// One step on the session: opens it when it is closed, otherwise runs what step says.
void Run(TPgSQLConnection& connection, TPgSQLCommand& command, TStep step) {
    if (!connection.IsConnected()) {
        connection.Connect();
        return;
    }
    TPgSQLProtocol& protocol = connection.Protocol();
    switch (step) {
    case TStep::Query:
        protocol.ExecuteStmt("SELECT 1");
        break;
    case TStep::Command:
        command.Execute(connection);
        break;
    case TStep::DatabaseNames:
        connection.GetDatabaseNames();
        break;
    case TStep::Listen:
        // With a listener the notices are kept and handed on, without one they are dropped unread.
        protocol.OnNotice = [](const TPgErrorFields&) {};
        protocol.ExecuteStmt("SELECT 2");
        break;
    }
}

// After any step: a fatal error has closed the session, and an open session is in step.
void CheckState(const TPgSQLConnection& connection, const EPgError* failure) {
    if (failure != nullptr && failure->IsFatalError())
        Check(!connection.IsConnected());
    if (connection.IsConnected())
        Check(connection.Protocol().State() == TProtocolState::psIsReadyForQuery);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto steps = input.ConsumeIntegral<std::uint32_t>();
    const auto chunkSize = input.ConsumeIntegralInRange<std::size_t>(1, 256);
    const bool withParameter = input.ConsumeBool();

    TServerScript script;
    while (input.remaining_bytes() > 0) {
        script.Then([answer = input.ConsumeRandomLengthString()](std::string_view sent) {
            return WithClientNonce(answer, sent);
        });
    }

    TPgSQLConnection connection(script.Factory(chunkSize));
    connection.SetServer("scripted");
    connection.SetDatabase("db");
    connection.SetUsername("alice");
    connection.SetPassword("Pa\xC2\xB2\xC2\xB5\xC2\xA0x");
    TPgConnectionOptions options;
    options.ConnectionTimeout = 1; // bounds a SCRAM iteration count of the server's choosing
    connection.SetOptions(options);
    TPgSQLCommand command;
    command.SetSQL(PgParseSQL(withParameter ? "SELECT :a" : "DELETE FROM t"));

    for (int i = 0; i < MaxSteps; ++i) {
        const auto step = static_cast<TStep>((steps >> (2 * i)) & 3);
        try {
            Run(connection, command, step);
            CheckState(connection, nullptr);
        } catch (const EPgError& e) {
            CheckState(connection, &e);
        } catch (const Exception&) {
            // The command's own refusals (a parameter count the server does not agree with).
            CheckState(connection, nullptr);
        }
    }
    return 0;
}
