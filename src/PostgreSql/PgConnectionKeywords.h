#pragma once

#include "Common/Exceptions.h"

#include <map>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// Connection parameters by the keywords every PostgreSQL tool knows ("host", "sslmode", ...), each
// with its value as written. Several hosts, addresses and ports are comma-separated lists.
using TPgConnectionValues = std::map<std::string, std::string, std::less<>>;

// Environment variables by name; a test passes its own, a program the process's.
using TPgEnvironment = std::map<std::string, std::string, std::less<>>;

// A keyword a connection string, a service entry or the environment may set.
struct TPgConnectionKeyword {
    std::string_view name;
    std::string_view variable; // the environment variable that supplies it; empty: none
    // Kept in service files and strings for other programs (TCP keep-alive, GSSAPI, ...): accepted,
    // and without effect on our connections.
    bool ignored = false;
};

// A keyword or value in double quotes, as the server tools' messages about them quote it.
std::string PgQuoted(std::string_view text);

// Every keyword a connection accepts: those it acts upon, then those it ignores.
std::span<const TPgConnectionKeyword> PgConnectionKeywords();
// The keyword of that name (exact case, as the server's tools want it); none for an unknown name.
const TPgConnectionKeyword* FindPgConnectionKeyword(std::string_view name);

// A connection string, service file or connection value that cannot be used; the message names
// the offending part in the server tools' wording, so that an administrator recognises it.
class EPgConnectionValueError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The process's environment: the variables of every keyword, and those that say where service
// and password files are (PGSERVICEFILE, PGSYSCONFDIR, HOME).
TPgEnvironment PgProcessEnvironment();

} // namespace velmora
