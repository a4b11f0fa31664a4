#include "Setup/cli/InstallConnections.h"

#include "Common/ExceptionHandler.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSqlState.h"

namespace velmora::cli {
namespace {

// Whether the server refused the log-on for its authentication: the SQLSTATE class 28.
bool RefusedAuthentication(const EDAError& error) {
    return error.SqlState().starts_with(PgSqlState::InvalidAuthorizationClass);
}

void Report(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    }
}

} // namespace

bool TLocalSocketFallback::Execute() {
    TCustomDAConnection* connection = Connection();
    if (connection == nullptr)
        throw EDatabaseError("Connection is not defined");
    std::exception_ptr socketRefusal;
    try {
        connection->PerformConnect(false);
        return true;
    } catch (const EDAError& e) {
        if (!PgIsSocketDirectory(connection->Server()) || !RefusedAuthentication(e))
            throw;
        socketRefusal = std::current_exception();
    }
    connection->SetServer("localhost");
    try {
        connection->PerformConnect(true);
    } catch (...) {
        Report(socketRefusal);
        throw;
    }
    return true;
}

void PrepareAdministratorConnection(TUniConnection& connection, const TCommandLine& commandLine) {
    SetPgSSLOptions(connection, commandLine.tls);
    connection.SetSpecificOption("ApplicationName", commandLine.applicationName);
    if (commandLine.auth.Binding() != TPgChannelBinding::Prefer)
        connection.SetSpecificOption("ChannelBinding",
                                     std::string(PgChannelBindingName(commandLine.auth.Binding())));
    if (!commandLine.auth.RequireAuth().empty())
        connection.SetSpecificOption("RequireAuth", commandLine.auth.RequireAuth());
    const std::pair<const char*, std::string> servers[] = {
        {"HostAddr", commandLine.hostAddresses},
        {"Ports", commandLine.ports},
        {"TargetSessionAttrs", std::string(PgTargetSessionName(commandLine.targetSession))}};
    for (const auto& [option, value] : servers)
        connection.SetSpecificOption(option, value);
    if (!commandLine.startupOptions.empty())
        connection.SetSpecificOption("StartupOptions", commandLine.startupOptions);
    if (commandLine.connectTimeout)
        connection.SetSpecificOption("ConnectionTimeout", std::to_string(*commandLine.connectTimeout));
}

void PrepareConnections(TInstallation& installation, const TCommandLine& commandLine,
                        TLocalSocketFallback& tenantLogOn) {
    PrepareAdministratorConnection(installation.UniConnection1, commandLine);
    if (commandLine.connectTimeout)
        installation.UniConnection2.SetSpecificOption("ConnectionTimeout",
                                                      std::to_string(*commandLine.connectTimeout));
    // Nobody is prompted: the tenant connection's "dialog" is its log-on with the fallback.
    installation.UniConnection2.SetLoginPrompt(true);
    installation.UniConnection2.SetConnectDialog(&tenantLogOn);
}

} // namespace velmora::cli
