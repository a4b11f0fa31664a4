#pragma once

#include "Setup/tenant/Subcommand.h"
#include "Setup/tenant/TenantRemoval.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace velmora::tenant {

// velmora-tenant remove TENANT: drops a tenant's database and role.
TSubcommand RemoveSubcommand();

// The removal's outcome as a JSON object: tenant, database, result (removed, refused, declined,
// dry_run, stopped, incomplete), exit_status, database_dropped, role_dropped, sessions_ended,
// statements, log_file and error (null when nothing failed or was refused).
nlohmann::json RemovalReportJson(const TRemovalReport& report, const std::filesystem::path& logFile);

} // namespace velmora::tenant
