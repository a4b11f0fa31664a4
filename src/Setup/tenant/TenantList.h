#pragma once

#include "Setup/tenant/AdminSession.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::tenant {

// One tenant on the server: a database that holds trevix.mandant.
struct TTenantEntry {
    std::string code; // trevix.mandant's first row; empty when the table is empty
    std::string licensee;
    std::string city;
    std::string database;
    std::string owner;
    std::optional<std::int64_t> sizeBytes; // none when the administrator may not connect
    std::optional<std::string> release;    // from the database's stamp; none without one
    std::optional<bool> roleCanLogOn;      // the role of the database's name; none when it is missing
};

// A database that could not be looked into, and why.
struct TUncheckedDatabase {
    std::string database;
    std::string reason;
};

struct TTenantListing {
    std::vector<TTenantEntry> tenants;         // by database name
    std::vector<TUncheckedDatabase> unchecked; // the listing may lack these
};

// Whether the connection's database is a tenant's: it holds the table trevix.mandant.
bool HoldsTenantTable(TUniConnection& connection);

// Every tenant on the administrator's server. Templates and databases that allow no connections
// are no tenants; every other database is looked into with a session of its own, and one that
// cannot be (refused, unreadable) is reported, not raised. The session's own failures are raised.
TTenantListing ListTenants(TAdminSession& session);

// The size as the server's size function writes it: bytes, kB, MB, GB, TB, PB (base 1024), switching
// to the next unit at 10240 of the current one, rounded half up.
std::string PrettySize(std::int64_t bytes);

// The listing as a table with a header line and aligned columns, for a terminal.
void WriteTenantTable(const TTenantListing& listing, std::ostream& out);

// The listing with one line per tenant and tab-separated fields (code, licensee, city, database,
// owner, size in bytes, release, whether the role can log on: ja, nein or -), for scripts.
void WriteTenantLines(const TTenantListing& listing, std::ostream& out);

} // namespace velmora::tenant
