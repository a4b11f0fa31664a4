#pragma once

#include "PostgreSql/PgConnectionKeywords.h"
#include "PostgreSql/PgConnectionOptions.h"
#include "Setup/TenantInput.h"
#include "Setup/UnattendedConnectDialog.h"
#include "Setup/cli/PgPassFile.h"

#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::cli {

// A command line the installer cannot run with; the message says why.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An option by its long name, with its short letter if it has one.
struct TOptionName {
    std::string_view name;
    char letter;
    bool takesValue;
};

// Options by long name; an option without a value maps to "".
using TNamedValues = std::map<std::string, std::string, std::less<>>;

// What a command line holds besides the administrator's log-on: velmora-install's tenant options
// (--tenant, which it requires, the master data, the tenant's password file, --replace,
// --isolated-tenant, --dry-run and --echo) or none of them, a program's own options, and up to operands plain
// arguments.
struct TCommandSyntax {
    bool tenantOptions = true;
    std::span<const TOptionName> ownOptions;
    std::size_t operands = 0;
    std::string_view applicationName = "velmora-install"; // application_name unless one is given
};

// What the command line and the environment ask for. Passwords are never taken from the command
// line: the administrative one may come from PGPASSWORD, and each may name a file.
struct TCommandLine {
    bool help = false;
    bool version = false;
    std::string tenantCode; // upper case, as the window's field holds it
    TTenantMasterData masterData;
    TAdminLogin adminLogin;    // without the password; its server may be several hosts, comma-separated
    std::string hostAddresses; // hostaddr: numeric addresses, one per host, comma-separated
    std::string ports;         // one port per host, comma-separated, when there is more than one
    TPgTargetSession targetSession = TPgTargetSession::Any;
    TPgSSLOptions tls; // of both connections, prefer unless asked otherwise; empty files take the defaults
    std::string applicationName = "velmora-install"; // application_name (PGAPPNAME) when given
    TPgAuthPolicy auth;                // channel_binding and require_auth of the administrator's log-on
    std::string startupOptions;        // options: the administrator's session's server options
    std::optional<int> connectTimeout; // seconds for each log-on; 0: no limit
    std::optional<std::string> adminPassword; // from the connection string, a service or PGPASSWORD
    std::optional<std::string> adminPasswordFile;
    std::filesystem::path passwordFile; // passfile (PGPASSFILE), else ~/.pgpass; empty without a home
    std::optional<std::string> tenantPasswordFile;
    bool replace = false;             // an existing tenant may be dropped and installed anew
    bool noPasswordPrompt = false;    // -w: nobody is asked for the administrator's password
    bool passwordPromptFirst = false; // -W: the administrator's password is asked for before the log-on
    bool isolatedTenant = false;      // a tenant role without superuser rights, also for a superuser
    bool dryRun = false;              // --dry-run: statements that would change something are printed
    bool echo = false;                // -e: every statement is printed just before it is sent
    TNamedValues ownOptions;          // the syntax's own options given
    std::vector<std::string> operands;
    // The options given that are not the syntax's own, each as --name or --name=value, for a
    // program that hands them on to an installation of its own.
    std::vector<std::string> handedOn;

    bool Has(std::string_view option) const { return ownOptions.contains(option); }
    std::optional<std::string> Value(std::string_view option) const;
};

// Reads the arguments (without the program name) and the environment. The administrator's log-on
// and the TLS settings come from the options, over a connection string or URI given as --dbname,
// over a service entry (service= or PGSERVICE), over the PostgreSQL variables (PGHOST, PGPORT,
// PGUSER, PGDATABASE, PGPASSWORD, PGPASSFILE, PGSSLMODE, ...); HOME says where ~/.pgpass is. A
// value that cannot work (an unknown SSL mode, a port out of range, a certificate or key file that
// cannot be read, a malformed connection string) is refused here, before anything connects.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments, const TPgEnvironment& environment,
                              const TCommandSyntax& syntax = {});

// The process's environment as the command line reads it: the user defaults to the login name, as
// for the server's own tools.
TPgEnvironment UserPgEnvironment();

// The server when none is named: the socket directory when it exists, else localhost.
std::string DefaultHost(const std::filesystem::path& socketDirectory = kDefaultSocketDirectory);

// The help of an installing command: velmora-install's, or that of another program's subcommand
// (command as the user types it) with its own options' lines.
std::string Usage(std::string_view command = "velmora-install", std::string_view ownOptions = "");

// The help's sections on the administrator's log-on and the encryption, for every command that logs
// the administrator on.
std::string ConnectionUsage();

} // namespace velmora::cli
