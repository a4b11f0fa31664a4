#pragma once

#include "Common/StringList.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// The statement templates as the setup stores them, written for a sample tenant. The installation
// patches the tenant-dependent lines in place before it runs a template; indentation and trailing
// blanks are part of the stored lines.

// Drops the tenant's database (line 1: the tenant code). Afterwards the installation replaces the
// whole text by the role drop.
inline constexpr std::array<std::string_view, 3> kDropDatabaseTemplate{
    "drop database",
    "vm01",
    ";",
};

// Creates the tenant role (line 1: its name; line 10: its password).
inline constexpr std::array<std::string_view, 11> kUserTemplate{
    "CREATE USER ",         "vm01 ",        "WITH",      "\tLOGIN",       "\tSUPERUSER",
    "\tCREATEDB",           "\tCREATEROLE", "\tINHERIT", "\tREPLICATION", "\tCONNECTION LIMIT -1",
    "\tPASSWORD 'geheim';",
};

// Creates an isolated tenant role, one that may log in and nothing else, with the lines patched
// as in the template above.
inline constexpr std::array<std::string_view, 11> kIsolatedUserTemplate{
    "CREATE USER ",
    "vm01 ",
    "WITH",
    "\tLOGIN",
    "\tNOSUPERUSER",
    "\tNOCREATEDB",
    "\tNOCREATEROLE",
    "\tINHERIT",
    "\tNOREPLICATION",
    "\tNOBYPASSRLS CONNECTION LIMIT -1",
    "\tPASSWORD 'geheim';",
};

// Creates the tenant database owned by the tenant role and grants it to the role (lines 1, 3, 9, 11).
inline constexpr std::array<std::string_view, 13> kDatabaseTemplate{
    "CREATE DATABASE",
    "vm01",
    "    WITH ",
    "    OWNER = postgres",
    "    ENCODING = 'UTF8'",
    "    CONNECTION LIMIT = -1;",
    "",
    "",
    "GRANT ALL ON DATABASE ",
    "vm01 ",
    "TO ",
    "vm01",
    ";",
};

// Creates the schema trevix owned by the tenant role (line 3), on the tenant connection.
inline constexpr std::array<std::string_view, 5> kCreateSchemaTemplate{
    "CREATE SCHEMA", "trevix", "AUTHORIZATION ", "VM01", ";",
};

// Inserts the tenant row; not patched, its six parameters are set before each run.
inline constexpr std::array<std::string_view, 14> kInsertTenantTemplate{
    "INSERT INTO trevix.mandant(",
    "mandant, ",
    "lizenznehmer, ",
    "password, ",
    "plz, ",
    "ort, ",
    "strasse)",
    "\tVALUES (",
    ":mandant, ",
    ":lizenznehmer, ",
    ":password, ",
    ":plz, ",
    ":ort, ",
    ":strasse)",
};
inline constexpr std::string_view kSampleTenantCode = "VM01";

// The tenant's value lists: its customer-number counter and its two order statuses (lines 9, 21,
// 26: the tenant code in quotes). Every table is named with its schema: the structure script leaves
// the tenant connection's search path empty.
inline constexpr std::array<std::string_view, 29> kTenantValueListTemplate{
    "INSERT INTO",
    "  trevix.sys_cnt_kundennummer",
    "(",
    "  mandant,",
    "  prefix,",
    "  kdnr,",
    "  aktiv",
    ")",
    "VALUES (",
    "  'VM01',",
    "  '',",
    "  '00000001',",
    "  TRUE",
    ");",
    "",
    "delete from trevix.wl_auftragstatus;",
    "",
    "",
    R"(INSERT INTO trevix.wl_auftragstatus("mandant", "auftragstatus_id", "auftragstatus_text", "art"))",
    "VALUES",
    "  (",
    "  'VM01',",
    "  52, ",
    "  'Angebot', 1",
    "  ),",
    "  (",
    "  'VM01', ",
    "  53, 'Auftrag', 2",
    "  )",
};

// Puts the tenant code, in quotes, into the three lines of the tenant value-list template that name it.
void PatchTenantValueList(TStringList& lines, std::string_view tenantCode);

// Replaces the lines by the stored ones.
void LoadTemplate(TStringList& lines, std::span<const std::string_view> stored);

// Puts text at line index: deletes that line and inserts text in its place, so every other line
// keeps its index. Nothing of the old line survives. An index the list does not hold raises
// EStringListError.
void PatchLine(TStringList& lines, std::size_t index, std::string text);

} // namespace velmora
