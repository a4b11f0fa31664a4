#pragma once

#include "Dabrix/Uni.h"
#include "Setup/TenantRoleKind.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// What the logged-on administrator may do, read from the catalogue after the login and before
// anything changes; nothing here changes the server.
class TAdministratorRights {
public:
    // Reads the rights of the connection's user, connecting it first (with its login prompt) when
    // it is closed.
    static TAdministratorRights Read(TUniConnection& connection);

    bool Superuser() const { return superuser_; }
    // The server's version as a number, 150004 for 15.4.
    int ServerVersion() const { return serverVersion_; }

    // The tenant role the administrator gets: as the template says only for a superuser, and then
    // only unless the user asked for an isolated one.
    TTenantRoleKind TenantRoleKind(bool isolatedRequested) const;
    // Why the administrator cannot create an isolated tenant, in one German message; none when it can.
    std::optional<std::string> IsolatedTenantRefusal() const;

    // What the administrator runs before it creates the database of an isolated tenant role: the
    // membership in that role that lets it hand the new database to the role and drop it later on.
    // None for a superuser, who needs no membership.
    std::optional<std::string> MembershipInTenant(const std::string& role) const;
    // The application roles qz7k and trevix that exist and that the administrator may make the
    // tenant a member of, so that the structure script can hand objects to them.
    const std::vector<std::string>& GrantableApplicationRoles() const { return grantableApplicationRoles_; }

private:
    bool superuser_ = false;
    bool createRole_ = false;
    bool createDb_ = false;
    int serverVersion_ = 0;
    std::vector<std::string> grantableApplicationRoles_;
};

} // namespace velmora
