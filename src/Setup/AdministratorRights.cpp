#include "Setup/AdministratorRights.h"

#include "Common/Exceptions.h"

namespace velmora {
namespace {

// From version 16 on, a role with CREATEROLE grants only the roles it holds with ADMIN OPTION, and
// a role it creates comes back to it with ADMIN OPTION alone, without SET and INHERIT.
constexpr int kGrantNeedsAdminOption = 160000;

using TRow = std::vector<std::string>;

const std::string& Value(const TRow& row, std::size_t column) {
    if (column >= row.size())
        throw EDatabaseError("Unexpected server response");
    return row[column];
}

bool Flag(const TRow& row, std::size_t column) {
    return Value(row, column) == "t";
}

} // namespace

TAdministratorRights TAdministratorRights::Read(TUniConnection& connection) {
    TAdministratorRights rights;
    const std::vector<TRow> administrator = connection.SelectRows(
        "SELECT rolsuper, rolcreaterole, rolcreatedb, current_setting('server_version_num') "
        "FROM pg_catalog.pg_roles WHERE rolname = current_user");
    if (administrator.size() != 1)
        throw EDatabaseError("Unexpected server response");
    rights.superuser_ = Flag(administrator[0], 0);
    rights.createRole_ = Flag(administrator[0], 1);
    rights.createDb_ = Flag(administrator[0], 2);
    rights.serverVersion_ = std::stoi(Value(administrator[0], 3));

    // A tenant may join an application role only when that role has no right beyond its objects:
    // with SET ROLE the tenant would take on any attribute or membership of it.
    const std::vector<TRow> applicationRoles = connection.SelectRows(
        "SELECT r.rolname, r.rolsuper OR r.rolcreaterole OR r.rolcreatedb OR r.rolreplication OR "
        "r.rolbypassrls OR EXISTS (SELECT 1 FROM pg_catalog.pg_auth_members m WHERE m.member = r.oid), "
        "pg_catalog.pg_has_role(r.oid, 'MEMBER WITH ADMIN OPTION') "
        "FROM pg_catalog.pg_roles r WHERE r.rolname IN ('qz7k', 'trevix') ORDER BY r.rolname");
    for (const TRow& role : applicationRoles) {
        const bool privileged = Flag(role, 1);
        const bool adminOption = Flag(role, 2);
        const bool createRoleGrants = rights.createRole_ && rights.serverVersion_ < kGrantNeedsAdminOption;
        if (!privileged && (rights.superuser_ || adminOption || createRoleGrants))
            rights.grantableApplicationRoles_.push_back(Value(role, 0));
    }
    return rights;
}

TTenantRoleKind TAdministratorRights::TenantRoleKind(bool isolatedRequested) const {
    return superuser_ && !isolatedRequested ? TTenantRoleKind::Superuser : TTenantRoleKind::Isolated;
}

std::optional<std::string> TAdministratorRights::IsolatedTenantRefusal() const {
    if (superuser_ || (createRole_ && createDb_))
        return std::nullopt;
    const std::string missing = !createRole_ && !createDb_ ? "CREATEROLE und CREATEDB"
                                : !createRole_             ? "CREATEROLE"
                                                           : "CREATEDB";
    return "Der angemeldete Benutzer ist kein Superuser und hat nicht das Recht " + missing +
           ". Ohne Superuser-Rechte braucht die Installation die Rechte CREATEROLE und CREATEDB, "
           "um Rolle und Datenbank des Mandanten anzulegen. Es wurde nichts verändert";
}

std::optional<std::string> TAdministratorRights::MembershipInTenant(const std::string& role) const {
    if (superuser_)
        return std::nullopt;
    // Creating a database for another owner, and dropping it, need the owner's rights: SET ROLE
    // and inheritance, which version 16 no longer gives with the role's creation.
    if (serverVersion_ >= kGrantNeedsAdminOption)
        return "GRANT " + role + " TO CURRENT_USER WITH INHERIT TRUE, SET TRUE";
    return "GRANT " + role + " TO CURRENT_USER";
}

} // namespace velmora
