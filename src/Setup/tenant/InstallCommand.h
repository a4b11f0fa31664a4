#pragma once

#include "Setup/cli/InstallRun.h"
#include "Setup/tenant/Subcommand.h"

#include <nlohmann/json.hpp>

namespace velmora::tenant {

// velmora-tenant install: velmora-install's installation with the same options, and --json.
TSubcommand InstallSubcommand();

// An installation run's outcome as a JSON object: tenant, database, result, exit_status, progress,
// role_kind (superuser, isolated or null), log_file and error (null when nothing failed).
nlohmann::json InstallReportJson(const cli::TInstallReport& report);

} // namespace velmora::tenant
