#pragma once

#include "Setup/tenant/Subcommand.h"
#include "Setup/tenant/TenantList.h"

#include <nlohmann/json.hpp>

namespace velmora::tenant {

// velmora-tenant list: every tenant on the server.
TSubcommand ListSubcommand();

// The listing as a JSON object: tenants (code as tenant, licensee, city, database, owner,
// size_bytes, release, role_can_log_on; null where unknown) and unchecked (database, error).
nlohmann::json TenantListingJson(const TTenantListing& listing);

} // namespace velmora::tenant
