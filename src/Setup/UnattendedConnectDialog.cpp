#include "Setup/UnattendedConnectDialog.h"

#include "Common/ExceptionHandler.h"
#include "Dabrix/Uni.h"
#include "PostgreSql/PgError.h"

namespace velmora {

bool TUnattendedConnectDialog::Execute() {
    auto* connection = dynamic_cast<TUniConnection*>(Connection());
    if (connection == nullptr)
        throw EDatabaseError("Connection is not defined");
    if (gaveUp_)
        return false;

    // A login that is given up leaves the connection as it was before.
    const std::string username = connection->Username();
    const std::string password = connection->Password();
    const std::string server = connection->Server();
    connection->SetServer(login_.server);
    connection->SetPort(login_.port);
    connection->SetDatabase(login_.database);
    connection->SetUsername(login_.username);
    connection->SetPassword(login_.password);
    try {
        LogOn(*connection);
        return true;
    } catch (const EDAError& e) {
        HandleApplicationException(e);
    }
    gaveUp_ = true;
    connection->SetUsername(username);
    connection->SetPassword(password);
    connection->SetServer(server);
    return false;
}

void TUnattendedConnectDialog::LogOn(TCustomDAConnection& connection) {
    try {
        connection.PerformConnect(false);
        return;
    } catch (const EDAError& e) {
        if (!passwordWhenAsked_ || !WrappedException<EPgPasswordRequired>(e))
            throw;
    }
    // The server wants a password the login lacks: ask for it only now, and keep it for reconnects.
    login_.password = passwordWhenAsked_(login_);
    connection.SetPassword(login_.password);
    connection.PerformConnect(true);
}

} // namespace velmora
