#pragma once

#include "Common/DBAccess.h"

#include <string>

namespace velmora {

// An administrative login given in advance, from command-line options, the environment or a test.
struct TAdminLogin {
    std::string server;
    int port = 0;
    std::string database;
    std::string username;
    std::string password;
};

// A login dialog without a form: Execute logs its connection (a TUniConnection) on with the login
// given in advance. A failed attempt goes to the application's exception handler, as a login form
// shows it in the error box, and the dialog gives up; nobody can type other values, so every later
// showing gives up at once.
class TUnattendedConnectDialog : public TCustomConnectDialog {
public:
    explicit TUnattendedConnectDialog(TAdminLogin login) : login_(std::move(login)) {}

    bool Execute() override;

private:
    TAdminLogin login_;
    bool gaveUp_ = false;
};

} // namespace velmora
