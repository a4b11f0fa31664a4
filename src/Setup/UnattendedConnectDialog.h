#pragma once

#include "Common/DBAccess.h"

#include <functional>
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

// Where a password comes from when the server asks for one that the login does not hold.
using TPasswordWhenAsked = std::function<std::string(const TAdminLogin& login)>;

// A login dialog without a form: Execute logs its connection (a TUniConnection) on with the login
// given in advance. A failed attempt goes to the application's exception handler, as a login form
// shows it in the error box, and the dialog gives up; nobody can type other values, so every later
// showing gives up at once.
class TUnattendedConnectDialog : public TCustomConnectDialog {
public:
    // When the server asks for a password and the login has none, passwordWhenAsked (if set) is
    // asked once for it and the log-on tried again; the login keeps that password from then on.
    explicit TUnattendedConnectDialog(TAdminLogin login, TPasswordWhenAsked passwordWhenAsked = {})
        : login_(std::move(login)), passwordWhenAsked_(std::move(passwordWhenAsked)) {}

    bool Execute() override;

private:
    void LogOn(TCustomDAConnection& connection);

    TAdminLogin login_;
    TPasswordWhenAsked passwordWhenAsked_;
    bool gaveUp_ = false;
};

} // namespace velmora
