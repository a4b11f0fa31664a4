#include "PostgreSql/PgHostSelection.h"

#include "PostgreSql/PgConnectionKeywords.h"

#include <algorithm>
#include <optional>

namespace velmora {
namespace {

// An attempt that failed, for the message when none succeeds.
struct TFailedAttempt {
    TPgServerAddress Server;
    EPgError Error;
};

// "Server "db1" (10.0.0.1), Port 5432", or the local socket's path.
std::string AttemptName(const TPgServerAddress& server) {
    if (PgIsSocketDirectory(server.Host))
        return "Socket " + PgSocketPath(server.Host, server.Port);
    std::string name = "Server " + PgQuoted(server.Host.empty() ? server.HostAddr : server.Host);
    if (!server.Host.empty() && !server.HostAddr.empty() && server.HostAddr != server.Host)
        name += " (" + server.HostAddr + ")";
    return name + ", Port " + std::to_string(server.Port);
}

// A message of several lines on one: the socket layer's headline, cause and code line.
std::string OneLine(std::string text) {
    std::ranges::replace(text, '\n', ' ');
    return text;
}

EPgError AllFailed(const std::vector<TFailedAttempt>& failures) {
    std::string message = "Keine Anmeldung an einem der Server möglich:";
    for (const TFailedAttempt& failure : failures)
        message += "\n" + AttemptName(failure.Server) + ": " + OneLine(failure.Error.Message());
    return EPgError(TPgSeverity::sFatal, message);
}

// The first answer of a show or select query of one value.
std::string Answer(TPgSQLProtocol& protocol, const std::string& sql) {
    const TPgSQLResult result = protocol.ExecuteStmt(sql);
    if (result.Rows.empty() || result.Rows.front().empty() || !result.Rows.front().front())
        return {};
    return *result.Rows.front().front();
}

// Servers from version 14 on report both settings at the log-on; older ones are asked.
bool IsReadOnly(TPgSQLProtocol& protocol) {
    const std::string readOnly = protocol.GetServerParameter("default_transaction_read_only");
    const std::string standby = protocol.GetServerParameter("in_hot_standby");
    if (!readOnly.empty() && !standby.empty())
        return readOnly == "on" || standby == "on";
    return Answer(protocol, "SHOW transaction_read_only") == "on";
}

bool IsStandby(TPgSQLProtocol& protocol) {
    const std::string standby = protocol.GetServerParameter("in_hot_standby");
    if (!standby.empty())
        return standby == "on";
    return Answer(protocol, "SELECT pg_catalog.pg_is_in_recovery()") == "t";
}

// Why the session does not suit the target; none when it does.
std::optional<std::string> Mismatch(TPgSQLProtocol& protocol, TPgTargetSession target) {
    switch (target) {
    case TPgTargetSession::Any:
        return std::nullopt;
    case TPgTargetSession::ReadWrite:
        return IsReadOnly(protocol) ? std::optional<std::string>("die Sitzung ist schreibgeschützt")
                                    : std::nullopt;
    case TPgTargetSession::ReadOnly:
        return IsReadOnly(protocol) ? std::nullopt
                                    : std::optional<std::string>("die Sitzung ist nicht schreibgeschützt");
    case TPgTargetSession::Primary:
        return IsStandby(protocol) ? std::optional<std::string>("der Server ist ein Standby") : std::nullopt;
    case TPgTargetSession::Standby:
    case TPgTargetSession::PreferStandby:
        return IsStandby(protocol) ? std::nullopt : std::optional<std::string>("der Server ist kein Standby");
    }
    return std::nullopt;
}

// The attempts one server stands for: each address of its name, else the server as it is (a socket
// directory, a given address, a name the lookup does not know, which the socket then reports).
std::vector<TPgServerAddress> Attempts(TPgServerAddress server, const TPgConnectParams& params,
                                       const TPgAddressResolver& resolve) {
    if (server.Port == 0)
        server.Port = params.Port;
    if (server.Host.empty() && server.HostAddr.empty())
        server.Host = kPgDefaultServer;
    if (PgIsSocketDirectory(server.Host) || !server.HostAddr.empty())
        return {server};
    std::vector<std::string> addresses;
    try {
        addresses = resolve(server.Host, server.Port, params.ConnectionTimeout);
    } catch (const ESocketError&) {
    }
    // One address: the socket connects to the name itself, so that its messages name the host.
    if (addresses.size() <= 1)
        return {server};
    std::vector<TPgServerAddress> attempts;
    for (std::string& address : addresses)
        attempts.push_back({server.Host, std::move(address), server.Port});
    return attempts;
}

} // namespace

TPgHostSelection::TPgHostSelection(TCRVioFactory openSocket, TPgAddressResolver resolve)
    : openSocket_(std::move(openSocket)), resolve_(std::move(resolve)) {}

TPgSelectedSession TPgHostSelection::Connect(const TPgConnectParams& params,
                                             const std::vector<TPgServerAddress>& servers,
                                             TPgTargetSession target) const {
    std::vector<TFailedAttempt> failures;
    // prefer-standby: the first session that is no standby, taken when no server is one.
    std::optional<TPgSelectedSession> fallback;
    for (const TPgServerAddress& server : servers) {
        for (const TPgServerAddress& attempt : Attempts(server, params, resolve_)) {
            TPgConnectParams attemptParams = params;
            attemptParams.Server = attempt.Host.empty() ? attempt.HostAddr : attempt.Host;
            attemptParams.HostAddr = attempt.HostAddr;
            attemptParams.Port = attempt.Port;
            TPgSelectedSession session{std::make_unique<TPgSQLProtocol30>(openSocket_), attempt};
            std::optional<std::string> mismatch;
            try {
                session.Protocol->Connect(attemptParams);
                mismatch = Mismatch(*session.Protocol, target);
            } catch (const EPgError& e) {
                if (!e.IsConnectionFailure())
                    throw;
                failures.push_back({attempt, e});
                continue;
            }
            if (!mismatch)
                return session;
            if (target == TPgTargetSession::PreferStandby && !fallback) {
                fallback = std::move(session);
                continue;
            }
            session.Protocol->Disconnect();
            failures.push_back({attempt, EPgError(TPgSeverity::sFatal, *mismatch)});
        }
    }
    if (fallback)
        return std::move(*fallback);
    // One server that could not be reached: its own failure, as a single connection reports it.
    if (failures.size() == 1 && failures.front().Error.IsConnectionFailure())
        throw failures.front().Error;
    throw AllFailed(failures);
}

} // namespace velmora
