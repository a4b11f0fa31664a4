#include "Setup/TenantInput.h"

#include "Common/AsciiText.h"

#include <algorithm>
#include <array>

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

} // namespace

bool IsStorableUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned char lead = byte(i);
        if (lead == 0)
            return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || i + length > text.size())
            return false;
        char32_t code = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsUnquotedIdentifier(std::string_view code) {
    const auto identifierChar = [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; };
    return !code.empty() && (IsAsciiLetter(code.front()) || code.front() == '_') &&
           std::all_of(code.begin(), code.end(), identifierChar);
}

std::optional<std::string> PasswordRefusal(std::string_view password) {
    if (password.empty())
        return "Das Passwort darf nicht leer sein";
    if (!IsStorableUtf8(password))
        return "Das Passwort enthält ungültige Zeichen";
    if (CharacterCount(password) > kPasswordLength)
        return "Das Passwort darf höchstens 100 Zeichen lang sein";
    return std::nullopt;
}

std::optional<std::string> MasterDataRefusal(const TTenantMasterData& data) {
    struct Field {
        const std::string& value;
        const char* name; // as the warnings start
        std::size_t length;
    };
    const std::array<Field, 4> fields{{
        {data.licensee, "Der Lizenznehmer", 200},
        {data.postalCode, "Die Postleitzahl", 5},
        {data.city, "Der Ort", 100},
        {data.street, "Die Straße", 100},
    }};
    for (const Field& field : fields) {
        const std::string name = field.name;
        if (IsBlankText(field.value))
            return name + " darf nicht leer sein";
        if (!IsStorableUtf8(field.value))
            return name + " enthält ungültige Zeichen";
        if (CharacterCount(field.value) > field.length)
            return name + " darf höchstens " + std::to_string(field.length) + " Zeichen lang sein";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> TenantCodeRefusal(std::string_view code) {
    if (code.size() > kTenantCodeLength || !IsUnquotedIdentifier(code))
        return "Der Mandant muss aus ein bis vier Buchstaben (A bis Z), Ziffern oder Unterstrichen bestehen "
               "und mit einem Buchstaben oder Unterstrich beginnen";
    const std::string upper = UpperAscii(code);
    // The server keeps the role names none and pg_... for itself.
    if (upper == "NONE" || upper.starts_with("PG_") ||
        std::find(kReservedWords.begin(), kReservedWords.end(), upper) != kReservedWords.end())
        return "Der Mandant " + std::string(code) + " ist ein reservierter Name des Datenbankservers";
    return std::nullopt;
}

std::string UpperTenantCode(std::string_view typed) {
    return UpperAscii(typed);
}

std::string LowerTenantCode(std::string_view tenantCode) {
    return LowerAscii(tenantCode);
}

std::optional<std::string> PasswordRepeatRefusal(std::string_view password, std::string_view repeated) {
    if (password == repeated)
        return std::nullopt;
    return "Die Passwörter stimmen nicht überein";
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
