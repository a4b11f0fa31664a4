#include "Setup/TenantInput.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace velmora {
namespace {

// The columns the input ends up in (trevix.mandant and the tenant value lists).
constexpr std::size_t kTenantCodeLength = 4;
constexpr std::size_t kPasswordLength = 100;

// The server's reserved keywords, and the keywords that may name a role but not a database, that
// fit into a tenant code. Unquoted, the statements of the installation cannot use them as names.
constexpr std::array<std::string_view, 33> kReservedWords{
    "ALL",  "AND", "ANY",  "AS",   "ASC",  "BOTH", "CASE", "CAST", "DESC", "DO",   "ELSE",
    "END",  "FOR", "FROM", "FULL", "IN",   "INTO", "IS",   "JOIN", "LEFT", "LIKE", "NOT",
    "NULL", "ON",  "ONLY", "OR",   "SOME", "THEN", "TO",   "TRUE", "USER", "WHEN", "WITH"};

// Characters of UTF-8 text, which is what the server counts in a character column.
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsUnquotedIdentifier(std::string_view code) {
    const auto identifierChar = [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; };
    return !code.empty() && (IsAsciiLetter(code.front()) || code.front() == '_') &&
           std::all_of(code.begin(), code.end(), identifierChar);
}

std::optional<std::string> TenantCodeRefusal(std::string_view code) {
    if (code.size() > kTenantCodeLength || !IsUnquotedIdentifier(code))
        return "Der Mandant muss aus ein bis vier Buchstaben (A bis Z), Ziffern oder Unterstrichen bestehen "
               "und mit einem Buchstaben oder Unterstrich beginnen";
    const std::string upper = Upper(code);
    // The server keeps the role names none and pg_... for itself.
    if (upper == "NONE" || upper.starts_with("PG_") ||
        std::find(kReservedWords.begin(), kReservedWords.end(), upper) != kReservedWords.end())
        return "Der Mandant " + std::string(code) + " ist ein reservierter Name des Datenbankservers";
    return std::nullopt;
}

std::optional<std::string> PasswordRefusal(std::string_view password) {
    if (password.empty())
        return "Das Passwort darf nicht leer sein";
    if (CharacterCount(password) > kPasswordLength)
        return "Das Passwort darf höchstens 100 Zeichen lang sein";
    return std::nullopt;
}

std::optional<std::string> MasterDataRefusal(const TTenantMasterData& data) {
    struct Field {
        const std::string& value;
        std::size_t length;
        const char* tooLong;
    };
    const std::array<Field, 4> fields{{
        {data.licensee, 200, "Der Lizenznehmer darf höchstens 200 Zeichen lang sein"},
        {data.postalCode, 5, "Die Postleitzahl darf höchstens 5 Zeichen lang sein"},
        {data.city, 100, "Der Ort darf höchstens 100 Zeichen lang sein"},
        {data.street, 100, "Die Straße darf höchstens 100 Zeichen lang sein"},
    }};
    for (const Field& field : fields) {
        if (CharacterCount(field.value) > field.length)
            return field.tooLong;
    }
    return std::nullopt;
}

} // namespace

std::string LowerTenantCode(std::string_view tenantCode) {
    std::string lower(tenantCode);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string PasswordLiteral(std::string_view password) {
    const bool escapeString = password.find('\\') != std::string_view::npos;
    std::string literal = escapeString ? "E'" : "'";
    for (char c : password) {
        if (c == '\'' || (escapeString && c == '\\'))
            literal += c;
        literal += c;
    }
    return literal + "'";
}

std::optional<std::string> InputRefusal(std::string_view tenantCode, std::string_view password,
                                        const TTenantMasterData& masterData) {
    if (auto refusal = TenantCodeRefusal(tenantCode))
        return refusal;
    if (auto refusal = PasswordRefusal(password))
        return refusal;
    return MasterDataRefusal(masterData);
}

} // namespace velmora
