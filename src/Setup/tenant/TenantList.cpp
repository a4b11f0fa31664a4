#include "Setup/tenant/TenantList.h"

#include "Common/Exceptions.h"
#include "PostgreSql/PgSqlState.h"
#include "Setup/ReleaseStamp.h"
#include "Setup/tenant/ScratchDatabase.h"

#include <algorithm>
#include <array>

namespace velmora::tenant {
namespace {

using TRow = std::vector<std::string>;

// NULL comes back as an empty value. A verification's scratch database holds trevix.mandant too,
// while it runs or when a crash left it behind: it is no tenant.
std::string DatabasesSql() {
    std::string sql =
        "SELECT d.datname, pg_catalog.pg_get_userbyid(d.datdba), "
        "CASE WHEN pg_catalog.has_database_privilege(d.oid, 'CONNECT') THEN "
        "pg_catalog.pg_database_size(d.oid) "
        "END, "
        "pg_catalog.shobj_description(d.oid, 'pg_database'), "
        "(SELECT r.rolcanlogin AND (r.rolvaliduntil IS NULL OR r.rolvaliduntil > pg_catalog.now()) "
        "FROM pg_catalog.pg_roles r WHERE r.rolname = d.datname) "
        "FROM pg_catalog.pg_database d WHERE d.datallowconn AND NOT d.datistemplate "
        "AND NOT pg_catalog.starts_with(d.datname, '";
    sql += kScratchDatabasePrefix;
    sql += "') ORDER BY d.datname";
    return sql;
}

constexpr const char* kHoldsTenantTableSql =
    "SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
    "c.relnamespace "
    "WHERE n.nspname = 'trevix' AND c.relname = 'mandant' AND c.relkind IN ('r', 'p'))";

constexpr const char* kTenantRowSql =
    "SELECT mandant, lizenznehmer, ort FROM trevix.mandant ORDER BY mandant LIMIT 1";

const std::string& Column(const TRow& row, std::size_t column) {
    if (column >= row.size())
        throw EDatabaseError("Unexpected server response");
    return row[column];
}

std::optional<bool> Flag(const std::string& value) {
    if (value.empty())
        return std::nullopt;
    return value == "t";
}

// Trailing blanks of the code's character(4) column are padding.
std::string Trimmed(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Fills the entry from the database's own tenant row; false when the database is no tenant.
bool ReadTenantRow(TAdminSession& session, TTenantEntry& entry) {
    const std::unique_ptr<TUniConnection> connection = session.ConnectTo(entry.database);
    if (!HoldsTenantTable(*connection))
        return false;
    if (const std::vector<TRow> rows = connection->SelectRows(kTenantRowSql); !rows.empty()) {
        entry.code = Trimmed(Column(rows.front(), 0));
        entry.licensee = Column(rows.front(), 1);
        entry.city = Column(rows.front(), 2);
    }
    return true;
}

// A database dropped while the listing ran is simply gone.
bool DatabaseVanished(const EDAError& error) {
    return error.SqlState() == PgSqlState::InvalidCatalogName;
}

// Control characters would break the table's and the lines' layout.
std::string Printable(std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, ' ');
    return text;
}

std::string LogOnText(const std::optional<bool>& canLogOn) {
    if (!canLogOn)
        return "-";
    return *canLogOn ? "ja" : "nein";
}

// The characters of UTF-8 text: every byte but the continuation bytes.
std::size_t Width(const std::string& text) {
    return std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

constexpr std::size_t kColumns = 8;
using TTableRow = std::array<std::string, kColumns>;

TTableRow Fields(const TTenantEntry& tenant, std::string size) {
    return {Printable(tenant.code),
            Printable(tenant.licensee),
            Printable(tenant.city),
            Printable(tenant.database),
            Printable(tenant.owner),
            std::move(size),
            Printable(tenant.release.value_or("-")),
            LogOnText(tenant.roleCanLogOn)};
}

} // namespace

bool HoldsTenantTable(TUniConnection& connection) {
    const std::vector<TRow> holds = connection.SelectRows(kHoldsTenantTableSql);
    return !holds.empty() && Column(holds.front(), 0) == "t";
}

TTenantListing ListTenants(TAdminSession& session) {
    TTenantListing listing;
    for (const TRow& row : session.Connection().SelectRows(DatabasesSql())) {
        TTenantEntry entry;
        entry.database = Column(row, 0);
        entry.owner = Column(row, 1);
        if (const std::string& size = Column(row, 2); !size.empty())
            entry.sizeBytes = std::stoll(size);
        entry.release = StampedRelease(Column(row, 3));
        entry.roleCanLogOn = Flag(Column(row, 4));
        try {
            if (ReadTenantRow(session, entry))
                listing.tenants.push_back(std::move(entry));
        } catch (const EDAError& e) {
            if (!DatabaseVanished(e))
                listing.unchecked.push_back({entry.database, e.what()});
        }
    }
    return listing;
}

std::string PrettySize(std::int64_t bytes) {
    constexpr std::array<const char*, 5> kUnits{"kB", "MB", "GB", "TB", "PB"};
    constexpr std::int64_t kLimit = 10 * 1024;
    if (bytes < kLimit)
        return std::to_string(bytes) + " bytes";
    // Halves of the unit keep one bit for rounding, and each unit comes from the bytes themselves,
    // never from a rounded smaller unit.
    std::int64_t halves = bytes >> 9;
    for (std::size_t unit = 0;; ++unit) {
        if (halves < 2 * kLimit - 1 || unit + 1 == kUnits.size())
            return std::to_string((halves + 1) / 2) + " " + kUnits[unit];
        halves >>= 10;
    }
}

void WriteTenantTable(const TTenantListing& listing, std::ostream& out) {
    std::vector<TTableRow> rows{
        {"Mandant", "Lizenznehmer", "Ort", "Datenbank", "Besitzer", "Größe", "Release", "Anmeldung"}};
    for (const TTenantEntry& tenant : listing.tenants)
        rows.push_back(Fields(tenant, tenant.sizeBytes ? PrettySize(*tenant.sizeBytes) : "-"));
    std::array<std::size_t, kColumns> widths{};
    for (const TTableRow& row : rows) {
        for (std::size_t column = 0; column < kColumns; ++column)
            widths[column] = std::max(widths[column], Width(row[column]));
    }
    for (const TTableRow& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < kColumns; ++column) {
            line += row[column];
            if (column + 1 < kColumns)
                line += std::string(widths[column] - Width(row[column]) + 2, ' ');
        }
        out << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
    }
    out.flush();
}

void WriteTenantLines(const TTenantListing& listing, std::ostream& out) {
    for (const TTenantEntry& tenant : listing.tenants) {
        const TTableRow fields =
            Fields(tenant, tenant.sizeBytes ? std::to_string(*tenant.sizeBytes) : std::string("-"));
        std::string line = fields.front();
        for (std::size_t column = 1; column < kColumns; ++column)
            line += '\t' + fields[column];
        out << line << '\n';
    }
    out.flush();
}

} // namespace velmora::tenant
