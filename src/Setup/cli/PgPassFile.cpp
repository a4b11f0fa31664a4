#include "Setup/cli/PgPassFile.h"

#include "PostgreSql/PgConnectionOptions.h"

#include <fstream>

namespace velmora::cli {
namespace {

// Matches the field at the start of text against value; the rest of the line after the field's
// colon when it matches. "*" alone matches anything; a backslash takes the next character as it is,
// and a colon ends the field only once the whole value has matched (so "::1" needs no escapes).
std::optional<std::string_view> MatchField(std::string_view text, std::string_view value) {
    if (text.starts_with("*:"))
        return text.substr(2);
    std::size_t matched = 0;
    for (std::size_t at = 0; at < text.size(); ++at, ++matched) {
        bool escaped = false;
        if (text[at] == '\\') {
            escaped = true;
            if (++at == text.size())
                break;
        }
        if (text[at] == ':' && !escaped && matched == value.size())
            return text.substr(at + 1);
        if (matched == value.size() || text[at] != value[matched])
            return std::nullopt;
    }
    return std::nullopt; // a line without all its fields
}

// The password field: up to an unescaped colon, backslashes taking the next character as it is.
std::string Unescape(std::string_view text) {
    std::string password;
    for (std::size_t at = 0; at < text.size() && text[at] != ':'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size())
            ++at;
        password += text[at];
    }
    return password;
}

std::optional<std::string> MatchLine(std::string_view line, const TPgPassKey& key) {
    std::optional<std::string_view> rest = line;
    for (const std::string* field : {&key.host, &key.port, &key.database, &key.username}) {
        rest = MatchField(*rest, *field);
        if (!rest)
            return std::nullopt;
    }
    return Unescape(*rest);
}

std::optional<std::string> Refusal(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return std::nullopt;
    const std::string name = "Passwortdatei \"" + path.string() + "\"";
    if (!std::filesystem::is_regular_file(status))
        return name + " ist keine einfache Datei und bleibt unbeachtet";
    using std::filesystem::perms;
    if ((status.permissions() & (perms::group_all | perms::others_all)) != perms::none)
        return name + " ist für Gruppe oder andere zugänglich und bleibt unbeachtet; die Rechte "
                      "dürfen höchstens u=rw (0600) sein";
    return std::nullopt;
}

} // namespace

TPgPassKey TPgPassKey::For(const std::string& server, int port, const std::string& database,
                           const std::string& username) {
    const bool localhost = server.empty() || server == kDefaultSocketDirectory;
    return {localhost ? "localhost" : server, std::to_string(port == 0 ? kPgDefaultPort : port),
            database.empty() ? username : database, username};
}

TPgPassFile::TLookup TPgPassFile::Find(const TPgPassKey& key) const {
    if (std::optional<std::string> refusal = Refusal(path_))
        return {std::nullopt, std::move(refusal)};
    std::ifstream file(path_, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        if (std::optional<std::string> password = MatchLine(line, key))
            return {std::move(password), std::nullopt};
    }
    return {};
}

} // namespace velmora::cli
