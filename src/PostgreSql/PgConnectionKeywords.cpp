#include "PostgreSql/PgConnectionKeywords.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace velmora {
namespace {

constexpr TPgConnectionKeyword kKeywords[] = {
    {"host", "PGHOST"},
    {"hostaddr", "PGHOSTADDR"},
    {"port", "PGPORT"},
    {"dbname", "PGDATABASE"},
    {"user", "PGUSER"},
    {"password", "PGPASSWORD"},
    {"passfile", "PGPASSFILE"},
    {"connect_timeout", "PGCONNECT_TIMEOUT"},
    {"application_name", "PGAPPNAME"},
    {"options", "PGOPTIONS"},
    {"sslmode", "PGSSLMODE"},
    {"sslrootcert", "PGSSLROOTCERT"},
    {"sslcert", "PGSSLCERT"},
    {"sslkey", "PGSSLKEY"},
    {"channel_binding", "PGCHANNELBINDING"},
    {"require_auth", "PGREQUIREAUTH"},
    {"target_session_attrs", "PGTARGETSESSIONATTRS"},
    {"service", "PGSERVICE"},
    // Settings that only tune the transport or serve methods we never use: whoever keeps them for
    // psql gets the same connection from us without them. gssencmode=require is refused where the
    // values are resolved, as GSSAPI encryption is something we cannot give.
    {"keepalives", "", true},
    {"keepalives_idle", "", true},
    {"keepalives_interval", "", true},
    {"keepalives_count", "", true},
    {"tcp_user_timeout", "", true},
    {"sslcompression", "", true},
    {"sslsni", "", true},
    {"gssencmode", "", true},
    {"krbsrvname", "", true},
    {"gsslib", "", true},
    {"fallback_application_name", "", true},
    {"client_encoding", "", true},
};

} // namespace

std::span<const TPgConnectionKeyword> PgConnectionKeywords() {
    return kKeywords;
}

const TPgConnectionKeyword* FindPgConnectionKeyword(std::string_view name) {
    const auto found = std::ranges::find(kKeywords, name, &TPgConnectionKeyword::name);
    return found == std::end(kKeywords) ? nullptr : found;
}

TPgEnvironment PgProcessEnvironment() {
    TPgEnvironment environment;
    const auto take = [&](std::string_view name) {
        const std::string variable(name);
        if (const char* value = std::getenv(variable.c_str()))
            environment[variable] = value;
    };
    for (const TPgConnectionKeyword& keyword : kKeywords) {
        if (!keyword.variable.empty())
            take(keyword.variable);
    }
    for (const char* name : {"PGSERVICEFILE", "PGSYSCONFDIR", "HOME"})
        take(name);
    // Without HOME the home directory of the account, where the user's files are looked for.
    if (const passwd* user = getpwuid(geteuid()); user != nullptr)
        environment.try_emplace("HOME", user->pw_dir);
    return environment;
}

std::string PgQuoted(std::string_view text) {
    // Appended rather than written as "\"" + ...: GCC 12 at -O3 reports a false overlap there.
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    return quoted;
}

} // namespace velmora
