#include "PostgreSql/PgServiceFile.h"

#include <fstream>

namespace velmora {
namespace {

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r\n\f\v") - first + 1);
}

std::optional<std::string> Lookup(const TPgEnvironment& environment, std::string_view name) {
    const auto found = environment.find(name);
    if (found == environment.end() || found->second.empty())
        return std::nullopt;
    return found->second;
}

} // namespace

std::optional<TPgConnectionValues> TPgServiceFile::Find(std::string_view service) const {
    std::ifstream file(path_);
    if (!file)
        return std::nullopt;
    std::optional<TPgConnectionValues> entry;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        const std::string_view line = Trimmed(text);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (entry)
                break; // the entry ends where the next begins
            if (line.back() == ']' && line.substr(1, line.size() - 2) == service)
                entry.emplace();
            continue;
        }
        if (!entry)
            continue;
        const std::string where =
            " in service file \"" + path_.string() + "\", line " + std::to_string(number);
        const std::size_t equals = line.find('=');
        const std::string_view keyword = line.substr(0, equals);
        if (keyword == "service")
            throw EPgConnectionValueError("nested service specifications not supported" + where);
        if (equals == std::string_view::npos || FindPgConnectionKeyword(keyword) == nullptr)
            throw EPgConnectionValueError("syntax error" + where);
        entry->try_emplace(std::string(keyword), line.substr(equals + 1));
    }
    return entry;
}

TPgConnectionValues PgServiceEntry(std::string_view service, const TPgEnvironment& environment) {
    std::filesystem::path userFile;
    if (auto file = Lookup(environment, "PGSERVICEFILE"))
        userFile = *file;
    else if (auto home = Lookup(environment, "HOME"))
        userFile = std::filesystem::path(*home) / ".pg_service.conf";
    if (!userFile.empty()) {
        if (auto entry = TPgServiceFile(userFile).Find(service))
            return *entry;
    }
    const std::filesystem::path systemDirectory =
        Lookup(environment, "PGSYSCONFDIR").value_or(kPgDefaultSysConfDir);
    if (auto entry = TPgServiceFile(systemDirectory / "pg_service.conf").Find(service))
        return *entry;
    throw EPgConnectionValueError("definition of service \"" + std::string(service) + "\" not found");
}

} // namespace velmora
