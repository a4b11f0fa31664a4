#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The tenant's master data for its row in trevix.mandant.
struct TTenantMasterData {
    std::string licensee;   // lizenznehmer
    std::string postalCode; // plz
    std::string city;       // ort
    std::string street;     // strasse
};

// The tenant code as the window's field and the command line hold it: a to z become A to Z, every
// other character stays (so "aß" becomes "Aß", which the check refuses, in both). Independent of
// the locale, which the window's toolkit sets.
std::string UpperTenantCode(std::string_view typed);

// The lower-case tenant code, which names the role and the database: A to Z become a to z, every
// other character stays.
std::string LowerTenantCode(std::string_view tenantCode);

// Well-formed UTF-8 as the server accepts it: shortest forms only, no surrogates, nothing beyond
// U+10FFFF, and no NUL, which no text column can hold.
bool IsStorableUtf8(std::string_view text);

// Why the code cannot name a tenant, as the German warning the user is shown; nothing when it can:
// it must be an unquoted identifier the server folds to the role and database name, fit the
// four-character columns and be no name the server keeps for itself.
std::optional<std::string> TenantCodeRefusal(std::string_view code);

// The password as an SQL string literal that stores it exactly as typed. Quotes are doubled; a
// password with a backslash becomes an escape string with doubled backslashes, which the server
// reads the same way whatever standard_conforming_strings says.
std::string PasswordLiteral(std::string_view password);

// The warning for a password typed twice differently, or nothing when both are equal.
std::optional<std::string> PasswordRepeatRefusal(std::string_view password, std::string_view repeated);

// Why the input must not start an installation, as the German warning the user is shown; nothing
// when it may. Checked before the first statement, so that a typo never leaves a half-installed
// tenant: the code must be an unquoted identifier the server folds to the role and database name
// and that fits the four-character columns, the password must not be empty (the tenant connection
// could not log on) and, like the master data, must fit its column. Every text must be valid UTF-8
// without NUL characters (the command line hands over any bytes), and no master data may be empty.
std::optional<std::string> InputRefusal(std::string_view tenantCode, std::string_view password,
                                        const TTenantMasterData& masterData);

} // namespace velmora
