#include "Setup/tenant/AdminSession.h"

#include "Setup/cli/AdminPassword.h"
#include "Setup/cli/InstallConnections.h"

namespace velmora::tenant {
namespace {

const std::vector<std::string> kSessionOptions{"PostgreSQL.UseUnicode=True", "PostgreSQL.Charset=utf8"};

TAdminLogin LoginOf(const cli::TCommandLine& commandLine, cli::TPasswordInput& input) {
    TAdminLogin login = commandLine.adminLogin;
    if (commandLine.passwordPromptFirst)
        login.password = input.Read(cli::AdminPasswordPrompt(login));
    return login;
}

} // namespace

TAdminSession::TAdminSession(const cli::TCommandLine& commandLine, std::ostream& warnings)
    : dialog_(LoginOf(commandLine, input_), cli::TAdminPasswordSource(commandLine, input_, warnings)) {
    connection_.SetProviderName(provider_.ProviderName());
    connection_.SpecificOptions() = kSessionOptions;
    cli::PrepareAdministratorConnection(connection_, commandLine);
    connection_.SetLoginPrompt(true);
    connection_.SetConnectDialog(&dialog_);
    connection_.Connect();
}

std::unique_ptr<TUniConnection> TAdminSession::ConnectTo(const std::string& database) const {
    auto connection = std::make_unique<TUniConnection>();
    connection->SetProviderName(connection_.ProviderName());
    connection->SpecificOptions() = connection_.SpecificOptions();
    connection->SetServer(connection_.Server());
    connection->SetPort(connection_.Port());
    connection->SetUsername(connection_.Username());
    connection->SetPassword(connection_.Password());
    connection->SetDatabase(database);
    connection->SetLoginPrompt(false);
    connection->Connect();
    return connection;
}

} // namespace velmora::tenant
