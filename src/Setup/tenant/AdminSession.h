#pragma once

#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Setup/UnattendedConnectDialog.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/PasswordInput.h"

#include <memory>
#include <ostream>
#include <string>

namespace velmora::tenant {

// The administrator's session of a velmora-tenant subcommand, logged on as velmora-install logs its
// administrator on: the same options, environment, service entries and password rules, and the same
// session settings. A log-on that fails is reported through the application's exception handler
// and raises EAbort.
class TAdminSession {
public:
    // Warnings about an ignored password file go to warnings. The command line must outlive the
    // session.
    TAdminSession(const cli::TCommandLine& commandLine, std::ostream& warnings);
    TAdminSession(const TAdminSession&) = delete;
    TAdminSession& operator=(const TAdminSession&) = delete;

    TUniConnection& Connection() { return connection_; }

    // Another session of the same administrator, to another database of the server (a tenant's,
    // a scratch one), with the password the first log-on used; raises EDAError when it fails.
    std::unique_ptr<TUniConnection> ConnectTo(const std::string& database) const;

private:
    TPostgreSQLUniProvider provider_;
    cli::TPasswordInput input_;
    TUnattendedConnectDialog dialog_;
    TUniConnection connection_;
};

} // namespace velmora::tenant
