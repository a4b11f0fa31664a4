#pragma once

#include "Setup/tenant/Subcommand.h"
#include "Setup/tenant/TenantVerification.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace velmora::tenant {

// velmora-tenant verify TENANT: compares the tenant with what the installation makes; exit status 0
// when equal, 4 when not.
TSubcommand VerifySubcommand();

// The verification's outcome as a JSON object: command, tenant, database, release (null when the
// database carries no stamp), result (equal or drift), exit_status and differences, an array of
// the German lines.
nlohmann::json VerificationJson(const TTenantVerificationResult& result);

// The verification's outcome for a person: the release stamp, each difference, and a last line
// that sums them up.
void PrintVerification(const TTenantVerificationResult& result, std::ostream& out);

} // namespace velmora::tenant
