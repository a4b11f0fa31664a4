#include "Setup/UnattendedConnectDialog.h"

#include "Common/ExceptionHandler.h"
#include "Dabrix/Uni.h"

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
        connection->PerformConnect(false);
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

} // namespace velmora
