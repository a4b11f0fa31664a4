#include "Dabrix/PostgreSQLUniProvider.h"

#include "Common/AsciiText.h"
#include "PostgreSql/PgConnectionKeywords.h"
#include "PostgreSql/PgSQLCommand.h"
#include "PostgreSql/PgScriptProcessor.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace velmora {
namespace {

constexpr std::string_view optionPrefix = "postgresql.";

std::optional<bool> ParseBoolean(const std::string& value) {
    const std::string lower = LowerAscii(value);
    if (lower == "true" || lower == "false")
        return lower == "true";
    return std::nullopt;
}

std::optional<int> ParseSeconds(const std::string& value) {
    int seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || seconds < 0)
        return std::nullopt;
    return seconds;
}

// The choice named by value, without regard to case.
template <class Enum>
std::optional<Enum> ParseChoice(const std::string& value, const std::map<std::string, Enum>& choices) {
    if (auto found = choices.find(LowerAscii(value)); found != choices.end())
        return found->second;
    return std::nullopt;
}

// The mode by its option value or by the name the server's tools use (verify-full, ...).
std::optional<TPgSSLMode> ParseSSLMode(const std::string& value) {
    const TPgSSLModeName* mode = FindPgSSLMode(value);
    return mode == nullptr ? std::nullopt : std::optional(mode->mode);
}

// The policy with its channel binding or its required methods replaced by the value; none for a
// value that is not one.
std::optional<TPgAuthPolicy> WithChannelBinding(const TPgAuthPolicy& policy, const std::string& value) {
    try {
        return TPgAuthPolicy(ParsePgChannelBinding(value), policy.RequireAuth());
    } catch (const EPgConnectionValueError&) {
        return std::nullopt;
    }
}

std::optional<TPgAuthPolicy> WithRequiredMethods(const TPgAuthPolicy& policy, const std::string& value) {
    try {
        return TPgAuthPolicy(policy.Binding(), value);
    } catch (const EPgConnectionValueError&) {
        return std::nullopt;
    }
}

std::optional<TPgTargetSession> TargetSession(const std::string& value) {
    try {
        return ParsePgTargetSession(value);
    } catch (const EPgConnectionValueError&) {
        return std::nullopt;
    }
}

// Stores a value in the options; false when the value is not of the option's kind.
using OptionSetter = std::function<bool(TPgConnectionOptions&, const std::string& value)>;

template <class T>
bool Store(T& field, std::optional<T> value) {
    if (value)
        field = *value;
    return value.has_value();
}

// Every option the provider knows, by its lower-case name.
const std::map<std::string, OptionSetter>& KnownOptions() {
    using O = TPgConnectionOptions;
    using V = const std::string&;
    static const std::map<std::string, OptionSetter> options{
        {"applicationname", [](O& o, V v) { return Store(o.ApplicationName, std::optional(v)); }},
        {"charset", [](O& o, V v) { return Store(o.Charset, std::optional(v)); }},
        {"connectiontimeout", [](O& o, V v) { return Store(o.ConnectionTimeout, ParseSeconds(v)); }},
        {"protocolversion",
         [](O& o, V v) {
             return Store(o.ProtocolVersion,
                          ParseChoice<TPgProtocolVersion>(
                              v, {{"pv20", TPgProtocolVersion::pv20}, {"pv30", TPgProtocolVersion::pv30}}));
         }},
        {"schema", [](O& o, V v) { return Store(o.Schema, std::optional(v)); }},
        {"useunicode", [](O& o, V v) { return Store(o.UseUnicode, ParseBoolean(v)); }},
        {"sslmode", [](O& o, V v) { return Store(o.SSL.Mode, ParseSSLMode(v)); }},
        {"sslcacert", [](O& o, V v) { return Store(o.SSL.CACert, std::optional(v)); }},
        {"sslcert", [](O& o, V v) { return Store(o.SSL.Cert, std::optional(v)); }},
        {"sslkey", [](O& o, V v) { return Store(o.SSL.Key, std::optional(v)); }},
        {"sslcipherlist", [](O& o, V v) { return Store(o.SSL.CipherList, std::optional(v)); }},
        {"startupoptions", [](O& o, V v) { return Store(o.StartupOptions, std::optional(v)); }},
        {"channelbinding", [](O& o, V v) { return Store(o.Auth, WithChannelBinding(o.Auth, v)); }},
        {"requireauth", [](O& o, V v) { return Store(o.Auth, WithRequiredMethods(o.Auth, v)); }},
        {"hostaddr", [](O& o, V v) { return Store(o.HostAddr, std::optional(v)); }},
        {"ports", [](O& o, V v) { return Store(o.Ports, std::optional(v)); }},
        {"targetsessionattrs", [](O& o, V v) { return Store(o.TargetSession, TargetSession(v)); }},
    };
    return options;
}

} // namespace

TPgConnectionOptions ParsePgConnectionOptions(const std::vector<std::string>& specificOptions) {
    TPgConnectionOptions options;
    std::set<std::string> given;
    for (const std::string& line : specificOptions) {
        const auto equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const std::string lowerName = LowerAscii(name);
        if (equals == std::string::npos || !lowerName.starts_with(optionPrefix))
            continue;
        const std::string option = lowerName.substr(optionPrefix.size());
        const auto known = KnownOptions().find(option);
        if (known == KnownOptions().end())
            throw EDatabaseError("Unknown option " + name);
        const std::string value = line.substr(equals + 1);
        if (given.insert(option).second && !known->second(options, value))
            throw EDatabaseError("Invalid value '" + value + "' for the option " + name);
    }
    return options;
}

void SetPgSSLOptions(TUniConnection& connection, const TPgSSLOptions& ssl) {
    // The provider reads the first line of an option, so no older line may stay in front.
    std::erase_if(connection.SpecificOptions(), [](const std::string& line) {
        return LowerAscii(line).starts_with(std::string(optionPrefix) + "ssl");
    });
    connection.SetSpecificOption("SSLMode", std::string(PgSSLModeName(ssl.Mode).option));
    const std::pair<const char*, const std::string*> named[] = {{"SSLCACert", &ssl.CACert},
                                                                {"SSLCert", &ssl.Cert},
                                                                {"SSLKey", &ssl.Key},
                                                                {"SSLCipherList", &ssl.CipherList}};
    for (const auto& [option, value] : named) {
        if (!value->empty())
            connection.SetSpecificOption(option, *value);
    }
}

TPgServerAddress PgConnectedServer(const TUniConnection& connection) {
    const auto* session = dynamic_cast<const TPgSQLConnection*>(connection.IConnection());
    if (session == nullptr)
        throw EDatabaseError("The connection has not been opened");
    return session->ConnectedServer();
}

std::unique_ptr<TCRConnection> TPostgreSQLUniProvider::CreateConnection() const {
    return std::make_unique<TPgSQLConnection>();
}

std::unique_ptr<TCRCommand> TPostgreSQLUniProvider::CreateCommand() const {
    return std::make_unique<TPgSQLCommand>();
}

std::unique_ptr<TDAScriptProcessor> TPostgreSQLUniProvider::CreateScriptProcessor(TDAScript& owner) const {
    return std::make_unique<TPgScriptProcessor>(owner);
}

void TPostgreSQLUniProvider::SetConnectionOptions(TCRConnection& connection,
                                                  const std::vector<std::string>& specificOptions) const {
    dynamic_cast<TPgSQLConnection&>(connection).SetOptions(ParsePgConnectionOptions(specificOptions));
}

} // namespace velmora
