#pragma once

#include "Common/CRVioTcp.h"
#include "PostgreSql/PgConnectionSources.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

// The numeric addresses of a host name, looked up within timeoutSeconds; throws ESocketError.
using TPgAddressResolver =
    std::function<std::vector<std::string>(const std::string& host, int port, int timeoutSeconds)>;

// A session logged on to the first of a connection's servers that works and gives the session its
// target asks for, with where it runs.
struct TPgSelectedSession {
    std::unique_ptr<TPgSQLProtocol30> Protocol;
    TPgServerAddress Server; // the host as given, the address connected to (when looked up), the port
};

// Logs on to one of several servers, in their order, and each address of a name in the order the
// lookup gives them; every attempt has the whole connection timeout. A server that cannot be reached
// (refused, unknown, silent, closed the connection before the log-on ended) or whose session does not
// suit the target is passed over for the next. A server that answers the log-on with a refusal (a
// wrong password, an unknown database, an authentication method the policy forbids, no password at
// hand) ends the search: the other servers would hear the same secret and say the same.
class TPgHostSelection {
public:
    explicit TPgHostSelection(TCRVioFactory openSocket, TPgAddressResolver resolve = ResolveHostAddresses);

    // params says how to log on; its Server and HostAddr are set for each attempt from servers.
    // When every attempt fails, raises the one failure as it is, or for several one fatal EPgError
    // whose message names each host, address and port tried with its reason.
    TPgSelectedSession Connect(const TPgConnectParams& params, const std::vector<TPgServerAddress>& servers,
                               TPgTargetSession target) const;

private:
    TCRVioFactory openSocket_;
    TPgAddressResolver resolve_;
};

} // namespace velmora
