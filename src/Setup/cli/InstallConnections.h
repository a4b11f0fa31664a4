#pragma once

#include "Common/DBAccess.h"
#include "Setup/Installation.h"
#include "Setup/cli/CommandLine.h"

namespace velmora::cli {

// The tenant connection's log-on: with the connection's own values, and, when the server refuses
// the tenant on its local socket for the way it authenticates there (a peer or ident line, a
// reject), over TCP to localhost on the same port, where a password line usually serves. Failures
// pass to the caller; when both ways fail, the socket's refusal goes to the application's exception
// handler before the TCP failure is raised.
class TLocalSocketFallback : public TCustomConnectDialog {
public:
    bool Execute() override;
};

// Gives an administrator's connection the command line's TLS settings, application name,
// authentication policy, session's server options and connect timeout.
void PrepareAdministratorConnection(TUniConnection& connection, const TCommandLine& commandLine);

// Gives the administrative connection the command line's TLS settings and application name (the
// installation hands both on to the tenant connection) its authentication policy and its session's server
// options, both connections the connect timeout, and the tenant connection the fallback as its log-on; the
// fallback must outlive the installation.
void PrepareConnections(TInstallation& installation, const TCommandLine& commandLine,
                        TLocalSocketFallback& tenantLogOn);

} // namespace velmora::cli
