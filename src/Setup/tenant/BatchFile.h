#pragma once

#include "Setup/TenantInput.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tenant {

// One tenant of a batch file, checked by the rules of the window and the command line.
struct TBatchTenant {
    std::size_t lineNumber = 0; // where its record begins
    std::string tenantCode;     // upper case
    TTenantMasterData masterData;
    std::optional<std::string> password; // none: the batch generates one
    std::optional<std::string> service;  // the connection service entry of its server
};

// A record of the file that is not installed, and why (German, for the user).
struct TBatchLineError {
    std::size_t lineNumber = 0;
    std::string tenantCode; // as written; empty when the record has none
    std::string message;
};

struct TBatchFile {
    std::vector<TBatchTenant> tenants;
    std::vector<TBatchLineError> errors;
};

// Why a service entry cannot be used (an unknown name, say), or nothing when it can.
using TServiceCheck = std::function<std::optional<std::string>(const std::string& service)>;

// The largest batch file read: far more than any fleet of tenants needs, and a bound on what a
// hostile file costs.
constexpr std::uintmax_t kMaxBatchFileBytes = 4 * 1024 * 1024;

// Reads the text of a batch file: UTF-8 CSV with a header naming the columns tenant, licensee,
// postal_code, city, street and optionally password and service, in any order; fields quoted as
// usual in CSV may hold commas, quotes (doubled) and line breaks. A record that cannot be
// installed (malformed, too many or too few fields, invalid UTF-8, a tenant or master data the
// installer refuses, a tenant named twice, an unusable service) becomes an error with the number
// of the line it begins on; the other records are installed. A file without a usable header is
// refused as a whole (EUsageError).
TBatchFile ParseBatchFile(std::string_view text, const TServiceCheck& serviceCheck);

// The same for a file; one that cannot be read or is larger than kMaxBatchFileBytes is refused.
TBatchFile ReadBatchFile(const std::filesystem::path& path, const TServiceCheck& serviceCheck);

} // namespace velmora::tenant
