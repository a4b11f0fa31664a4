#pragma once

#include "Setup/Installation.h"
#include "Setup/TenantRoleKind.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/ExitStatus.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace velmora::cli {

// What one installation run came to: the exit status and what a script reading the outcome needs.
struct TInstallReport {
    std::string tenant; // the code as given, upper case
    TInstallationResult result = TInstallationResult::NotRun;
    int exitStatus = kStopped; // a TExitStatus, or 128 + the signal that ended the run
    int progress = 0;
    std::optional<TTenantRoleKind> roleKind; // once the run has chosen it
    std::filesystem::path logFile;
    std::string error;   // the failure that ended the run, if one did
    bool dryRun = false; // nothing was meant to change (--dry-run)
};

// Installs the command line's tenant as velmora-install does: the administrator logs on, the
// tenant's password is read, the installation runs with its progress and final message on out, its
// warnings and errors on err.
TInstallReport RunInstall(const TCommandLine& commandLine, std::ostream& out, std::ostream& err);

// The same on standard output and standard error; returns the exit status.
int RunInstall(const TCommandLine& commandLine);

} // namespace velmora::cli
