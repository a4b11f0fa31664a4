#include "PostgreSql/PgConnectionSources.h"

#include "PostgreSql/PgConnectionString.h"
#include "PostgreSql/PgServiceFile.h"

#include <algorithm>
#include <charconv>

namespace velmora {
namespace {

// Sets every value the weaker source has and the stronger ones have not.
void AddWeaker(TPgConnectionValues& values, const TPgConnectionValues& weaker) {
    for (const auto& [keyword, value] : weaker)
        values.try_emplace(keyword, value);
}

std::string ValueOf(const TPgConnectionValues& values, std::string_view keyword) {
    const auto found = values.find(keyword);
    return found == values.end() ? std::string() : found->second;
}

std::vector<std::string> CommaList(const std::string& text) {
    std::vector<std::string> items;
    if (text.empty())
        return items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(text.substr(start, comma - start));
    items.push_back(text.substr(start));
    return items;
}

int PortNumber(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size())
        throw EPgConnectionValueError("invalid integer value \"" + text +
                                      "\" for connection option \"port\"");
    if (port < 1 || port > 65535)
        throw EPgConnectionValueError("invalid port number: \"" + text + "\"");
    return port;
}

// GSSAPI encryption is ignored where it is only preferred; insisting on it cannot be honoured.
void RefuseGssEncryption(const TPgConnectionValues& values) {
    const std::string mode = ValueOf(values, "gssencmode");
    if (mode == "require")
        throw EPgConnectionValueError(
            "gssencmode value \"require\" invalid when GSSAPI support is not compiled in");
    if (!mode.empty() && mode != "disable" && mode != "prefer")
        throw EPgConnectionValueError("invalid gssencmode value: " + PgQuoted(mode));
}

} // namespace

TPgConnectionValues ResolvePgConnectionValues(TPgConnectionValues given, const TPgEnvironment& environment) {
    TPgConnectionValues values = std::move(given);
    if (const auto dbname = values.find("dbname");
        dbname != values.end() && PgIsConnectionString(dbname->second)) {
        const TPgConnectionValues fromString = ParsePgConnectionString(dbname->second);
        values.erase(dbname);
        AddWeaker(values, fromString);
    }
    std::string service = ValueOf(values, "service");
    if (const auto variable = environment.find("PGSERVICE"); service.empty() && variable != environment.end())
        service = variable->second;
    if (!service.empty())
        AddWeaker(values, PgServiceEntry(service, environment));
    for (const TPgConnectionKeyword& keyword : PgConnectionKeywords()) {
        const auto variable = environment.find(keyword.variable);
        if (!keyword.variable.empty() && variable != environment.end() && !variable->second.empty())
            values.try_emplace(std::string(keyword.name), variable->second);
    }
    RefuseGssEncryption(values);
    return values;
}

std::vector<TPgServerAddress> PgServerAddresses(const TPgConnectionValues& values) {
    const std::vector<std::string> hosts = CommaList(ValueOf(values, "host"));
    const std::vector<std::string> addresses = CommaList(ValueOf(values, "hostaddr"));
    const std::vector<std::string> ports = CommaList(ValueOf(values, "port"));
    if (!hosts.empty() && !addresses.empty() && hosts.size() != addresses.size())
        throw EPgConnectionValueError("could not match " + std::to_string(hosts.size()) + " host names to " +
                                      std::to_string(addresses.size()) + " hostaddr values");
    std::vector<TPgServerAddress> servers(std::max<std::size_t>({hosts.size(), addresses.size(), 1}));
    if (ports.size() > 1 && ports.size() != servers.size())
        throw EPgConnectionValueError("could not match " + std::to_string(ports.size()) +
                                      " port numbers to " + std::to_string(servers.size()) + " hosts");
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (!hosts.empty())
            servers[i].Host = hosts[i];
        if (!addresses.empty())
            servers[i].HostAddr = addresses[i];
        const std::string port = ports.empty() ? std::string() : ports[ports.size() == 1 ? 0 : i];
        if (!port.empty())
            servers[i].Port = PortNumber(port);
    }
    return servers;
}

} // namespace velmora
