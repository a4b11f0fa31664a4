#include "Setup/cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>

namespace velmora::cli {
namespace {

std::optional<std::string> Lookup(const std::map<std::string, std::string>& environment,
                                  const std::string& name) {
    const auto found = environment.find(name);
    if (found == environment.end() || found->second.empty())
        return std::nullopt;
    return found->second;
}

int PortNumber(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        throw EUsageError("ungültiger Port: " + text);
    return port;
}

// The SSL modes by the names the server's tools give them.
const std::set<std::string> kSslModes{"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};

std::string SslMode(const std::string& mode) {
    if (!kSslModes.contains(mode))
        throw EUsageError("ungültiger SSL-Modus: " + mode +
                          " (disable, allow, prefer, require, verify-ca oder verify-full)");
    return mode;
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

std::filesystem::path PasswordFilePath(const std::map<std::string, std::string>& environment) {
    if (auto file = Lookup(environment, "PGPASSFILE"))
        return *file;
    if (auto home = Lookup(environment, "HOME"))
        return std::filesystem::path(*home) / ".pgpass";
    return {};
}

// An option by its long name, with its short letter if it has one.
struct TOptionName {
    std::string_view name;
    char letter;
    bool takesValue;
};

constexpr TOptionName kOptionNames[] = {
    {"--tenant", 't', true},
    {"--licensee", 0, true},
    {"--postal-code", 0, true},
    {"--city", 0, true},
    {"--street", 0, true},
    {"--host", 'h', true},
    {"--port", 'p', true},
    {"--username", 'U', true},
    {"--dbname", 'd', true},
    {"--no-password", 'w', false},
    {"--password", 'W', false},
    {"--admin-password-file", 0, true},
    {"--tenant-password-file", 0, true},
    {"--sslmode", 0, true},
    {"--sslrootcert", 0, true},
    {"--sslcert", 0, true},
    {"--sslkey", 0, true},
    {"--replace", 0, false},
    {"--isolated-tenant", 0, false},
    {"--help", '?', false},
    {"--version", 'V', false},
};

const TOptionName* FindOption(std::string_view name) {
    const auto found = std::ranges::find(kOptionNames, name, &TOptionName::name);
    return found == std::end(kOptionNames) ? nullptr : found;
}

const TOptionName* FindOption(char letter) {
    const auto found = std::ranges::find(kOptionNames, letter, &TOptionName::letter);
    return found == std::end(kOptionNames) ? nullptr : found;
}

// The options given, by long name; an option without a value maps to "". A value follows as the
// next argument, after "=" (--port=5433), or glued to the letter (-p5433); letters without values
// may be grouped (-wV).
class TGivenOptions {
public:
    explicit TGivenOptions(const std::vector<std::string>& arguments) : arguments_(arguments) {
        while (next_ < arguments_.size()) {
            const std::string& argument = arguments_[next_++];
            if (argument.starts_with("--"))
                TakeLong(argument);
            else if (argument.size() > 1 && argument.front() == '-')
                TakeLetters(argument);
            else
                throw EUsageError("überzähliges Argument: " + argument);
        }
    }

    const std::map<std::string, std::string>& Values() const { return given_; }

private:
    void TakeLong(const std::string& argument) {
        const std::size_t equals = argument.find('=');
        const TOptionName* option = FindOption(std::string_view(argument).substr(0, equals));
        if (option == nullptr)
            throw EUsageError("unbekannte Option: " + argument);
        if (equals != std::string::npos && !option->takesValue)
            throw EUsageError("Option " + std::string(option->name) + " nimmt keinen Wert");
        Take(*option,
             equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1)));
    }

    void TakeLetters(const std::string& argument) {
        for (std::size_t i = 1; i < argument.size(); ++i) {
            const TOptionName* option = FindOption(argument[i]);
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
    }

    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    std::map<std::string, std::string> given_;
};

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment) {
    TCommandLine result;
    // Help and version are answered whatever else the command line holds.
    const auto asksFor = [&](const char* flag, const char* letter) {
        return std::ranges::find(arguments, flag) != arguments.end() ||
               std::ranges::find(arguments, letter) != arguments.end();
    };
    result.help = asksFor("--help", "-?");
    result.version = asksFor("--version", "-V");
    if (result.help || result.version)
        return result;
    const std::map<std::string, std::string> given = TGivenOptions(arguments).Values();
    result.replace = given.contains("--replace");
    result.isolatedTenant = given.contains("--isolated-tenant");
    result.noPasswordPrompt = given.contains("--no-password");
    result.passwordPromptFirst = given.contains("--password");
    if (result.noPasswordPrompt && result.passwordPromptFirst)
        throw EUsageError("--no-password und --password schließen einander aus");
    // An option, else its environment variable.
    const auto option = [&](const std::string& name, const std::string& variable = {}) {
        if (const auto found = given.find(name); found != given.end())
            return std::optional<std::string>(found->second);
        return Lookup(environment, variable);
    };

    const auto tenantCode = option("--tenant");
    if (!tenantCode)
        throw EUsageError("der Mandant fehlt (--tenant)");
    result.tenantCode = UpperTenantCode(*tenantCode);
    result.masterData = {option("--licensee").value_or(""), option("--postal-code").value_or(""),
                         option("--city").value_or(""), option("--street").value_or("")};

    const auto port = option("--port", "PGPORT");
    const auto host = option("--host", "PGHOST");
    result.adminLogin = {host ? *host : DefaultHost(), port ? PortNumber(*port) : 0,
                         option("--dbname", "PGDATABASE").value_or(""),
                         option("--username", "PGUSER").value_or(""), ""};
    // "system" names the system's own roots, no file.
    const auto rootCert = option("--sslrootcert", "PGSSLROOTCERT");
    result.tls = {SslMode(option("--sslmode", "PGSSLMODE").value_or("prefer")),
                  rootCert == "system" ? *rootCert : ReadableFile(rootCert, "--sslrootcert"),
                  ReadableFile(option("--sslcert", "PGSSLCERT"), "--sslcert"),
                  ReadableFile(option("--sslkey", "PGSSLKEY"), "--sslkey")};
    result.adminPassword = Lookup(environment, "PGPASSWORD");
    result.adminPasswordFile = option("--admin-password-file");
    result.passwordFile = PasswordFilePath(environment);
    result.tenantPasswordFile = option("--tenant-password-file");
    return result;
}

std::string DefaultHost(const std::filesystem::path& socketDirectory) {
    std::error_code error;
    return std::filesystem::is_directory(socketDirectory, error) ? socketDirectory.string() : "localhost";
}

std::string Usage() {
    return R"(Aufruf: velmora-install --tenant CODE [Optionen]

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

Anmeldung des Administrators (Vorgabe: PGHOST, PGPORT, PGUSER, PGDATABASE):
  -h, --host HOST              Server: Name, Adresse oder ein Socket-Verzeichnis, das mit / beginnt
                               (Vorgabe /var/run/postgresql, wenn es das gibt, sonst localhost)
  -p, --port PORT              Port (Vorgabe 5432)
  -U, --username NAME          Benutzer mit Superuser-Rechten oder mit CREATEROLE und
                               CREATEDB (Vorgabe der Anmeldename)
  -d, --dbname NAME            Datenbank für die Anmeldung
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

Mandantenrolle:
      --isolated-tenant        Legt die Rolle des Mandanten ohne Superuser-Rechte an: sie darf
                               sich nur an der eigenen Datenbank anmelden, die ihr gehört
                               (Vorgabe, wenn der Administrator kein Superuser ist; sonst wird
                               die Rolle ein Superuser)

Sonstiges:
      --replace                Ersetzt einen vorhandenen Mandanten: löscht seine Datenbank
                               mit allen Daten und installiert sie neu (ohne diese Option
                               wird ein vorhandener Mandant nicht angetastet)
  -?, --help                   Zeigt diese Hilfe und endet
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

Jeder Lauf wird im Protokoll $XDG_STATE_HOME/velmora/installation.log festgehalten
(Vorgabe ~/.local/state/velmora/installation.log), ohne Passwörter.

Exit-Status: 0 installiert; 1 abgebrochen; 2 falscher Aufruf, abgelehnte Eingabe,
vorhandener Mandant ohne --replace oder ein Administrator ohne Superuser-Rechte, dem
CREATEROLE oder CREATEDB fehlt (nichts verändert); 3 unvollständig installiert (Anweisungen sind
fehlgeschlagen oder ein Schritt wurde nicht ausgeführt; das Protokoll nennt sie).
)";
}

} // namespace velmora::cli
