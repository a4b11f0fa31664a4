#include "Setup/cli/CommandLine.h"

#include "PostgreSql/PgConnectionSources.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace velmora::cli {
namespace {

std::optional<std::string> Lookup(const TNamedValues& values, std::string_view keyword) {
    const auto found = values.find(keyword);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}

// An SSL mode by the name the server's tools give it, written as they write it.
TPgSSLMode SslMode(const std::string& name) {
    const std::span<const TPgSSLModeName> modes = PgSSLModes();
    const auto found = std::find_if(modes.begin(), modes.end(),
                                    [&](const TPgSSLModeName& mode) { return mode.tool == name; });
    if (found != modes.end())
        return found->mode;
    std::string names(modes.front().tool);
    for (const TPgSSLModeName& mode : modes.subspan(1, modes.size() - 2))
        names += ", " + std::string(mode.tool);
    names += " oder " + std::string(modes.back().tool);
    throw EUsageError("ungültiger SSL-Modus: " + name + " (" + names + ")");
}

// A certificate or key file named by option (or its variable); one that cannot be read is refused
// now rather than failing the log-on later.
std::string ReadableFile(const std::optional<std::string>& path, const char* option) {
    if (!path)
        return {};
    std::error_code error;
    if (!std::filesystem::is_regular_file(*path, error) || !std::ifstream(*path))
        throw EUsageError(std::string("Datei nicht lesbar (") + option + "): " + *path);
    return *path;
}

std::filesystem::path PasswordFilePath(const TPgConnectionValues& values, const TPgEnvironment& environment) {
    if (auto file = Lookup(values, "passfile"); file && !file->empty())
        return *file;
    if (const auto home = environment.find("HOME"); home != environment.end() && !home->second.empty())
        return std::filesystem::path(home->second) / ".pgpass";
    return {};
}

// The options that set connection parameters, by the keyword each sets.
constexpr std::pair<std::string_view, std::string_view> kConnectionOptions[] = {
    {"--host", "host"},       {"--port", "port"},       {"--username", "user"},
    {"--dbname", "dbname"},   {"--sslmode", "sslmode"}, {"--sslrootcert", "sslrootcert"},
    {"--sslcert", "sslcert"}, {"--sslkey", "sslkey"},
};

// The connection parameters of the options, over those of a connection string given as the
// database, a service entry and the environment.
TPgConnectionValues ConnectionValues(const TNamedValues& given, const TPgEnvironment& environment) {
    TPgConnectionValues values;
    for (const auto& [option, keyword] : kConnectionOptions) {
        if (const auto found = given.find(std::string(option)); found != given.end())
            values[std::string(keyword)] = found->second;
    }
    try {
        return ResolvePgConnectionValues(std::move(values), environment);
    } catch (const EPgConnectionValueError& e) {
        throw EUsageError(e.what());
    }
}

// Where the administrator logs on, without the password: one server, or several to try in turn
// (host, hostaddr and port as comma-separated lists).
TAdminLogin AdminLogin(const TPgConnectionValues& values) {
    std::vector<TPgServerAddress> servers;
    try {
        servers = PgServerAddresses(values);
    } catch (const EPgConnectionValueError& e) {
        throw EUsageError(e.what());
    }
    const std::string hosts = Lookup(values, "host").value_or("");
    const std::string addresses = Lookup(values, "hostaddr").value_or("");
    const std::string port = Lookup(values, "port").value_or("");
    // Addresses without names stand for the hosts themselves.
    const std::string server = hosts.empty() ? addresses : hosts;
    return {server.empty() ? DefaultHost() : server,
            port.find(',') != std::string::npos ? 0 : servers.front().Port,
            Lookup(values, "dbname").value_or(""), Lookup(values, "user").value_or(""), ""};
}

TPgTargetSession TargetSession(const TPgConnectionValues& values) {
    try {
        return ParsePgTargetSession(Lookup(values, "target_session_attrs").value_or("any"));
    } catch (const EPgConnectionValueError& e) {
        throw EUsageError(e.what());
    }
}

// What the administrator's log-on accepts of the server's authentication.
TPgAuthPolicy AuthPolicy(const TPgConnectionValues& values) {
    try {
        return TPgAuthPolicy(ParsePgChannelBinding(Lookup(values, "channel_binding").value_or("prefer")),
                             Lookup(values, "require_auth").value_or(""));
    } catch (const EPgConnectionValueError& e) {
        throw EUsageError(e.what());
    }
}

// connect_timeout in seconds as the server's tools read it: none at 0 or below, at least 2.
int ConnectTimeout(const std::string& text) {
    int seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size())
        throw EUsageError("invalid integer value \"" + text + "\" for connection option \"connect_timeout\"");
    return seconds <= 0 ? 0 : std::max(seconds, 2);
}

constexpr TOptionName kTenantOptions[] = {
    {"--tenant", 't', true}, {"--licensee", 0, true},         {"--postal-code", 0, true},
    {"--city", 0, true},     {"--street", 0, true},           {"--tenant-password-file", 0, true},
    {"--replace", 0, false}, {"--isolated-tenant", 0, false}, {"--dry-run", 0, false},
    {"--echo", 'e', false},
};

constexpr TOptionName kConnectionOptionNames[] = {
    {"--host", 'h', true},
    {"--port", 'p', true},
    {"--username", 'U', true},
    {"--dbname", 'd', true},
    {"--no-password", 'w', false},
    {"--password", 'W', false},
    {"--admin-password-file", 0, true},
    {"--sslmode", 0, true},
    {"--sslrootcert", 0, true},
    {"--sslcert", 0, true},
    {"--sslkey", 0, true},
    {"--help", '?', false},
    {"--version", 'V', false},
};

// The options a syntax accepts: the connection's, the tenant's if it takes them, and its own.
class TOptionTable {
public:
    explicit TOptionTable(const TCommandSyntax& syntax) : own_(syntax.ownOptions) {
        if (syntax.tenantOptions)
            tenant_ = kTenantOptions;
    }

    const TOptionName* Find(std::string_view name) const {
        return FindIf([&](const TOptionName& option) { return option.name == name; });
    }
    const TOptionName* Find(char letter) const {
        return FindIf([&](const TOptionName& option) { return option.letter == letter; });
    }
    bool IsOwn(const TOptionName& option) const {
        return !own_.empty() && &option >= &own_.front() && &option <= &own_.back();
    }

private:
    template <class Matches>
    const TOptionName* FindIf(Matches matches) const {
        for (std::span<const TOptionName> options :
             {std::span<const TOptionName>(kConnectionOptionNames), tenant_, own_}) {
            if (const auto found = std::ranges::find_if(options, matches); found != options.end())
                return &*found;
        }
        return nullptr;
    }

    std::span<const TOptionName> tenant_;
    std::span<const TOptionName> own_;
};

// The options given, by long name; an option without a value maps to "". A value follows as the
// next argument, after "=" (--port=5433), or glued to the letter (-p5433); letters without values
// may be grouped (-wV). Plain arguments are the operands, at most as many as the syntax takes.
class TGivenOptions {
public:
    TGivenOptions(const std::vector<std::string>& arguments, const TCommandSyntax& syntax)
        : arguments_(arguments), table_(syntax) {
        while (next_ < arguments_.size()) {
            const std::string& argument = arguments_[next_++];
            if (argument.starts_with("--"))
                TakeLong(argument);
            else if (argument.size() > 1 && argument.front() == '-')
                TakeLetters(argument);
            else if (operands_.size() < syntax.operands)
                operands_.push_back(argument);
            else
                throw EUsageError("überzähliges Argument: " + argument);
        }
    }

    const TNamedValues& Values() const { return given_; }
    const std::vector<std::string>& Operands() const { return operands_; }
    const std::vector<std::string>& HandedOn() const { return handedOn_; }

private:
    void TakeLong(const std::string& argument) {
        const std::size_t equals = argument.find('=');
        const TOptionName* option = table_.Find(std::string_view(argument).substr(0, equals));
        if (option == nullptr)
            throw EUsageError("unbekannte Option: " + argument);
        if (equals != std::string::npos && !option->takesValue)
            throw EUsageError("Option " + std::string(option->name) + " nimmt keinen Wert");
        Take(*option,
             equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1)));
    }

    void TakeLetters(const std::string& argument) {
        for (std::size_t i = 1; i < argument.size(); ++i) {
            const TOptionName* option = table_.Find(argument[i]);
            if (option == nullptr)
                throw EUsageError("unbekannte Option: -" + std::string(1, argument[i]));
            if (option->takesValue) {
                Take(*option, i + 1 < argument.size() ? std::optional(argument.substr(i + 1)) : std::nullopt);
                return;
            }
            Take(*option, std::nullopt);
        }
    }

    void Take(const TOptionName& option, std::optional<std::string> value) {
        if (option.takesValue && !value) {
            if (next_ == arguments_.size())
                throw EUsageError("Option " + std::string(option.name) + " braucht einen Wert");
            value = arguments_[next_++];
        }
        given_[std::string(option.name)] = value.value_or("");
        if (!table_.IsOwn(option))
            handedOn_.push_back(std::string(option.name) + (option.takesValue ? "=" + *value : ""));
    }

    const std::vector<std::string>& arguments_;
    TOptionTable table_;
    std::size_t next_ = 0;
    TNamedValues given_;
    std::vector<std::string> operands_;
    std::vector<std::string> handedOn_;
};

// The options only a syntax of its own accepts, taken out of what was given.
TNamedValues OwnOptions(const TNamedValues& given, std::span<const TOptionName> own) {
    TNamedValues result;
    for (const TOptionName& option : own) {
        if (const auto found = given.find(option.name); found != given.end())
            result.insert(*found);
    }
    return result;
}

} // namespace

std::optional<std::string> TCommandLine::Value(std::string_view option) const {
    return Lookup(ownOptions, option);
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments, const TPgEnvironment& environment,
                              const TCommandSyntax& syntax) {
    TCommandLine result;
    result.applicationName = syntax.applicationName;
    // Help and version are answered whatever else the command line holds.
    const auto asksFor = [&](const char* flag, const char* letter) {
        return std::ranges::find(arguments, flag) != arguments.end() ||
               std::ranges::find(arguments, letter) != arguments.end();
    };
    result.help = asksFor("--help", "-?");
    result.version = asksFor("--version", "-V");
    if (result.help || result.version)
        return result;
    const TGivenOptions givenOptions(arguments, syntax);
    const TNamedValues& given = givenOptions.Values();
    result.operands = givenOptions.Operands();
    result.handedOn = givenOptions.HandedOn();
    result.ownOptions = OwnOptions(given, syntax.ownOptions);
    result.replace = given.contains("--replace");
    result.isolatedTenant = given.contains("--isolated-tenant");
    result.dryRun = given.contains("--dry-run");
    result.echo = given.contains("--echo");
    result.noPasswordPrompt = given.contains("--no-password");
    result.passwordPromptFirst = given.contains("--password");
    if (result.noPasswordPrompt && result.passwordPromptFirst)
        throw EUsageError("--no-password und --password schließen einander aus");
    const auto option = [&](const std::string& name) { return Lookup(given, name); };

    if (syntax.tenantOptions) {
        const auto tenantCode = option("--tenant");
        if (!tenantCode)
            throw EUsageError("der Mandant fehlt (--tenant)");
        result.tenantCode = UpperTenantCode(*tenantCode);
        result.masterData = {option("--licensee").value_or(""), option("--postal-code").value_or(""),
                             option("--city").value_or(""), option("--street").value_or("")};
    }

    const TPgConnectionValues values = ConnectionValues(given, environment);
    result.adminLogin = AdminLogin(values);
    result.hostAddresses = Lookup(values, "hostaddr").value_or("");
    if (const auto ports = Lookup(values, "port"); ports && ports->find(',') != std::string::npos)
        result.ports = *ports;
    result.targetSession = TargetSession(values);
    // "system" names the system's own roots, no file.
    const auto rootCert = Lookup(values, "sslrootcert");
    result.tls.Mode = SslMode(Lookup(values, "sslmode").value_or("prefer"));
    result.tls.CACert = rootCert == "system" ? *rootCert : ReadableFile(rootCert, "--sslrootcert");
    result.tls.Cert = ReadableFile(Lookup(values, "sslcert"), "--sslcert");
    result.tls.Key = ReadableFile(Lookup(values, "sslkey"), "--sslkey");
    if (auto applicationName = Lookup(values, "application_name");
        applicationName && !applicationName->empty())
        result.applicationName = std::move(*applicationName);
    result.auth = AuthPolicy(values);
    if (const auto timeout = Lookup(values, "connect_timeout"); timeout && !timeout->empty())
        result.connectTimeout = ConnectTimeout(*timeout);
    result.startupOptions = Lookup(values, "options").value_or("");
    result.adminPassword = Lookup(values, "password");
    result.passwordFile = PasswordFilePath(values, environment);
    result.adminPasswordFile = option("--admin-password-file");
    result.tenantPasswordFile = option("--tenant-password-file");
    return result;
}

TPgEnvironment UserPgEnvironment() {
    TPgEnvironment environment = PgProcessEnvironment();
    if (const passwd* user = getpwuid(geteuid()); user != nullptr)
        environment.try_emplace("PGUSER", user->pw_name);
    return environment;
}

std::string DefaultHost(const std::filesystem::path& socketDirectory) {
    std::error_code error;
    return std::filesystem::is_directory(socketDirectory, error) ? socketDirectory.string() : "localhost";
}

std::string ConnectionUsage() {
    return R"(Anmeldung des Administrators (Vorgabe: ein Dienst aus pg_service.conf mit service= oder
PGSERVICE, dann PGHOST, PGPORT, PGUSER, PGDATABASE):
  -h, --host HOST              Server: Name, Adresse oder ein Socket-Verzeichnis, das mit / beginnt
                               (Vorgabe /var/run/postgresql, wenn es das gibt, sonst localhost)
  -p, --port PORT              Port (Vorgabe 5432)
  -U, --username NAME          Benutzer mit Superuser-Rechten oder mit CREATEROLE und
                               CREATEDB (Vorgabe der Anmeldename)
  -d, --dbname NAME            Datenbank für die Anmeldung, oder eine Verbindungszeichenfolge
                               ("host=db1 port=5433 dbname=postgres") oder URI
                               (postgresql://admin@db1:5433/postgres?sslmode=require);
                               die übrigen Optionen gehen ihr vor
  -w, --no-password            Fragt nie nach dem Passwort des Administrators
  -W, --password               Fragt vor der Anmeldung nach dem Passwort des Administrators
      --admin-password-file DATEI
                               Passwort aus der ersten Zeile der Datei (sonst PGPASSWORD)

Verschlüsselung (Vorgabe: PGSSLMODE, PGSSLROOTCERT, PGSSLCERT, PGSSLKEY), für beide Verbindungen:
      --sslmode MODUS          disable, allow, prefer (Vorgabe), require, verify-ca oder verify-full
      --sslrootcert DATEI      Zertifikate, gegen die der Server geprüft wird ("system": die des
                               Systems; Vorgabe ~/.postgresql/root.crt, wenn es die Datei gibt)
      --sslcert DATEI          Client-Zertifikat (Vorgabe ~/.postgresql/postgresql.crt)
      --sslkey DATEI           Schlüssel dazu, nur für den Besitzer lesbar
                               (Vorgabe ~/.postgresql/postgresql.key)

)";
}

std::string Usage(std::string_view command, std::string_view ownOptions) {
    return "Aufruf: " + std::string(command) + R"( --tenant CODE [Optionen]

Installiert die Datenbank eines Mandanten auf einem PostgreSQL-Server, genau wie das
Setup-Fenster: Rolle und Datenbank, Schema trevix, Wertelisten, Mandantenzeile.

Mandant:
  -t, --tenant CODE            Mandant (ein bis vier Zeichen; wird groß geschrieben)
      --licensee NAME          Lizenznehmer (höchstens 200 Zeichen)
      --postal-code PLZ        Postleitzahl (höchstens 5 Zeichen)
      --city ORT               Ort (höchstens 100 Zeichen)
      --street STRASSE         Straße (höchstens 100 Zeichen)
      --tenant-password-file DATEI
                               Passwort des Mandanten aus der ersten Zeile der Datei

)" + ConnectionUsage() +
           R"(Mandantenrolle:
      --isolated-tenant        Legt die Rolle des Mandanten ohne Superuser-Rechte an: sie darf
                               sich nur an der eigenen Datenbank anmelden, die ihr gehört
                               (Vorgabe, wenn der Administrator kein Superuser ist; sonst wird
                               die Rolle ein Superuser)

Sonstiges:
      --replace                Ersetzt einen vorhandenen Mandanten: löscht seine Datenbank
                               mit allen Daten und installiert sie neu (ohne diese Option
                               wird ein vorhandener Mandant nicht angetastet)
      --dry-run                Probelauf: meldet den Administrator an und prüft wie sonst, gibt
                               aber jede Anweisung, die etwas verändern würde, nur aus und
                               verändert nichts; die Anmeldung des Mandanten erscheint als
                               Kommentarzeile
  -e, --echo                   Gibt jede Anweisung aus, bevor sie an den Server geht
)" + std::string(ownOptions) +
           R"(  -?, --help                   Zeigt diese Hilfe und endet
  -V, --version                Zeigt die Version und endet

Der Wert einer Option folgt als eigenes Argument, nach "=" (--port=5433) oder direkt hinter dem
Buchstaben (-p5433).

Passwörter stehen nie auf der Befehlszeile. Das des Administrators braucht das Programm nur, wenn
der Server eines verlangt; dann nimmt es die Datei der Option, sonst PGPASSWORD, sonst die erste
passende Zeile der Passwortdatei (PGPASSFILE, sonst ~/.pgpass, mit Rechten höchstens 0600), sonst
fragt es am Terminal ohne Echo danach (mit -w nie; mit -W vor der Anmeldung, auch wenn der Server
keines verlangt). Das Mandantenpasswort kommt aus seiner Datei oder wird am
Terminal zweimal erfragt. Ist die Standardeingabe kein Terminal, liest das Programm statt zu fragen
je eine Zeile daraus: zuerst das Passwort des Administrators (nur wenn der Server eines verlangt),
dann das des Mandanten.

Über ein Socket-Verzeichnis meldet sich auch der Mandant dort an; weist der Server ihn dort ab
(etwa mit peer), meldet er sich über TCP bei localhost an.

Ausgegebene Anweisungen (--dry-run, --echo) stehen bei den Fortschrittsmeldungen; sie enden
mit ";", ihre Werte stehen als Kommentar darunter
("-- $1 = 'Wert'"). Passwörter erscheinen nie: das Passwort der Rolle (als Prüfwert gesendet) und
das der Mandantenzeile stehen als '********' da.

Jeder Lauf wird im Protokoll $XDG_STATE_HOME/velmora/installation.log festgehalten
(Vorgabe ~/.local/state/velmora/installation.log), ohne Passwörter.

Exit-Status: 0 installiert; 1 abgebrochen; 2 falscher Aufruf, abgelehnte Eingabe,
vorhandener Mandant ohne --replace oder ein Administrator ohne Superuser-Rechte, dem
CREATEROLE oder CREATEDB fehlt (nichts verändert); 3 unvollständig installiert (Anweisungen sind
fehlgeschlagen oder ein Schritt wurde nicht ausgeführt; das Protokoll nennt sie);
129, 130, 143 durch SIGHUP, SIGINT (Strg-C), SIGTERM unterbrochen: die laufende Anweisung wird
abgebrochen, und die letzte Zeile nennt, was auf dem Server geblieben ist.
)";
}

} // namespace velmora::cli
