#pragma once

#include "Setup/TenantInput.h"
#include "Setup/UnattendedConnectDialog.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::cli {

// A command line the installer cannot run with; the message says why.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the command line and the environment ask for. Passwords are never taken from the command
// line: the administrative one may come from PGPASSWORD, and each may name a file.
struct TCommandLine {
    bool help = false;
    bool version = false;
    std::string tenantCode; // upper case, as the window's field holds it
    TTenantMasterData masterData;
    TAdminLogin adminLogin;                   // without the password
    std::optional<std::string> adminPassword; // from PGPASSWORD
    std::optional<std::string> adminPasswordFile;
    std::optional<std::string> tenantPasswordFile;
};

// Reads the arguments (without the program name) and the PostgreSQL environment variables PGHOST,
// PGPORT, PGUSER, PGDATABASE and PGPASSWORD; options win over the environment.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment);

// The help text.
std::string Usage();

} // namespace velmora::cli
