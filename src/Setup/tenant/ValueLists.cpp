#include "Setup/tenant/ValueLists.h"

#include "Common/Exceptions.h"
#include "Setup/TenantInput.h"

#include <algorithm>
#include <array>

namespace velmora::tenant {
namespace {

// Tables the installation writes the tenant's own rows into, which the tenant changes as it works.
constexpr std::array<std::string_view, 2> kTenantOwnTables{"mandant", "sys_cnt_kundennummer"};

std::string Identifier(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string RowText(const std::vector<std::string>& columns) {
    std::string text;
    for (const std::string& column : columns)
        text += (text.empty() ? "" : ", ") + std::string("x.") + Identifier(column);
    return "ROW(" + text + ")::text";
}

std::string Source(const std::string& table) {
    return "trevix." + Identifier(table) + " x";
}

} // namespace

TValueLists TValueLists::Read(TUniConnection& reference, const TCatalogue& referenceCatalogue,
                              const TCatalogue& tenantCatalogue) {
    TValueLists valueLists;
    std::string sql;
    for (const auto& [table, columns] : referenceCatalogue.Tables()) {
        const auto tenantTable = tenantCatalogue.Tables().find(table);
        if (tenantTable == tenantCatalogue.Tables().end() ||
            std::find(kTenantOwnTables.begin(), kTenantOwnTables.end(), table) != kTenantOwnTables.end())
            continue;
        std::vector<std::string> common;
        std::copy_if(columns.begin(), columns.end(), std::back_inserter(common),
                     [&](const std::string& column) {
                         return std::find(tenantTable->second.begin(), tenantTable->second.end(), column) !=
                                tenantTable->second.end();
                     });
        if (common.empty())
            continue;
        const std::size_t index = valueLists.lists_.size();
        valueLists.lists_.push_back({table, RowText(common), {}});
        sql += (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT ") + std::to_string(index) + ", " +
               valueLists.lists_.back().rowText + " FROM " + Source(table);
    }
    if (sql.empty())
        return valueLists;
    for (const auto& row : reference.SelectRows(sql + " ORDER BY 1, 2")) {
        if (row.size() != 2)
            throw EDatabaseError("Unexpected server response");
        valueLists.lists_.at(std::stoul(row[0])).rows.push_back(row[1]);
    }
    std::erase_if(valueLists.lists_, [](const TList& list) { return list.rows.empty(); });
    return valueLists;
}

std::vector<std::string> TValueLists::Missing(TUniConnection& tenant) const {
    std::string sql;
    for (std::size_t index = 0; index < lists_.size(); ++index) {
        const TList& list = lists_[index];
        std::string rows;
        for (const std::string& row : list.rows)
            rows += (rows.empty() ? "" : ", ") + PasswordLiteral(row);
        sql += (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT ") + std::to_string(index) +
               ", u.r, u.n FROM pg_catalog.unnest(ARRAY[" + rows +
               "]::text[]) WITH ORDINALITY u(r, n) WHERE NOT EXISTS (SELECT 1 FROM " + Source(list.table) +
               " WHERE " + list.rowText + " = u.r)";
    }
    std::vector<std::string> missing;
    if (sql.empty())
        return missing;
    for (const auto& row : tenant.SelectRows(sql + " ORDER BY 1, 3")) {
        if (row.size() != 3)
            throw EDatabaseError("Unexpected server response");
        missing.push_back("Werteliste trevix." + lists_.at(std::stoul(row[0])).table + ": Zeile " + row[1] +
                          " fehlt");
    }
    return missing;
}

} // namespace velmora::tenant
