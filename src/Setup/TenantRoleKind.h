#pragma once

#include <string>

namespace velmora {

// What the tenant role may do on the server.
enum class TTenantRoleKind {
    // A superuser that may log in, create databases and roles and replicate, as the role template
    // makes it: it reaches every database and role of the server.
    Superuser,
    // A role that may log in and nothing else: it owns its database and its schema, and no other
    // role but the administrator's may connect to that database.
    Isolated,
};

// One line that names the tenant role's kind, for the final message and the log.
inline std::string TenantRoleNote(TTenantRoleKind kind, const std::string& role) {
    if (kind == TTenantRoleKind::Superuser)
        return "Mandantenrolle " + role + ": Superuser";
    return "Mandantenrolle " + role + ": ohne Superuser-Rechte, nur für die eigene Datenbank";
}

} // namespace velmora
