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

// The options by their long names, and the short names of some.
const std::set<std::string> kOptions{"--tenant",
                                     "--licensee",
                                     "--postal-code",
                                     "--city",
                                     "--street",
                                     "--host",
                                     "--port",
                                     "--username",
                                     "--dbname",
                                     "--admin-password-file",
                                     "--tenant-password-file",
                                     "--sslmode",
                                     "--sslrootcert",
                                     "--sslcert",
                                     "--sslkey"};
// The options without a value.
const std::set<std::string> kFlags{"--replace"};
const std::map<std::string, std::string> kShortNames{
    {"-t", "--tenant"}, {"-h", "--host"}, {"-p", "--port"}, {"-U", "--username"}, {"-d", "--dbname"}};

// The options given, by long name; "--name value" and "--name=value" both serve.
std::map<std::string, std::string> GivenOptions(const std::vector<std::string>& arguments) {
    std::map<std::string, std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (kFlags.contains(name))
            continue;
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (const auto shortName = kShortNames.find(name); shortName != kShortNames.end())
            name = shortName->second;
        if (!kOptions.contains(name))
            throw EUsageError("unbekannte Option: " + arguments[i]);
        if (!value) {
            if (i + 1 == arguments.size())
                throw EUsageError("Option " + name + " braucht einen Wert");
            value = arguments[++i];
        }
        given[name] = *value;
    }
    return given;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment) {
    TCommandLine result;
    const auto asksFor = [&](const char* flag) {
        return std::find(arguments.begin(), arguments.end(), flag) != arguments.end();
    };
    result.help = asksFor("--help");
    result.version = asksFor("--version");
    if (result.help || result.version)
        return result;
    result.replace = asksFor("--replace");
    const std::map<std::string, std::string> given = GivenOptions(arguments);
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
  -U, --username NAME          Benutzer mit Superuser-Rechten (Vorgabe der Anmeldename)
  -d, --dbname NAME            Datenbank für die Anmeldung
      --admin-password-file DATEI
                               Passwort aus der ersten Zeile der Datei (sonst PGPASSWORD)

Verschlüsselung (Vorgabe: PGSSLMODE, PGSSLROOTCERT, PGSSLCERT, PGSSLKEY), für beide Verbindungen:
      --sslmode MODUS          disable, allow, prefer (Vorgabe), require, verify-ca oder verify-full
      --sslrootcert DATEI      Zertifikate, gegen die der Server geprüft wird ("system": die des
                               Systems; Vorgabe ~/.postgresql/root.crt, wenn es die Datei gibt)
      --sslcert DATEI          Client-Zertifikat (Vorgabe ~/.postgresql/postgresql.crt)
      --sslkey DATEI           Schlüssel dazu, nur für den Besitzer lesbar
                               (Vorgabe ~/.postgresql/postgresql.key)

Sonstiges:
      --replace                Ersetzt einen vorhandenen Mandanten: löscht seine Datenbank
                               mit allen Daten und installiert sie neu (ohne diese Option
                               wird ein vorhandener Mandant nicht angetastet)
      --help                   Zeigt diese Hilfe und endet
      --version                Zeigt die Version und endet

Passwörter stehen nie auf der Befehlszeile. Das des Administrators braucht das Programm nur, wenn
der Server eines verlangt; dann nimmt es die Datei der Option, sonst PGPASSWORD, sonst die erste
passende Zeile der Passwortdatei (PGPASSFILE, sonst ~/.pgpass, mit Rechten höchstens 0600), sonst
fragt es am Terminal ohne Echo danach. Das Mandantenpasswort kommt aus seiner Datei oder wird am
Terminal zweimal erfragt. Ist die Standardeingabe kein Terminal, liest das Programm statt zu fragen
je eine Zeile daraus: zuerst das Passwort des Administrators (nur wenn der Server eines verlangt),
dann das des Mandanten.

Über ein Socket-Verzeichnis meldet sich auch der Mandant dort an; weist der Server ihn dort ab
(etwa mit peer), meldet er sich über TCP bei localhost an.

Jeder Lauf wird im Protokoll $XDG_STATE_HOME/velmora/installation.log festgehalten
(Vorgabe ~/.local/state/velmora/installation.log), ohne Passwörter.

Exit-Status: 0 installiert; 1 abgebrochen; 2 falscher Aufruf, abgelehnte Eingabe oder
vorhandener Mandant ohne --replace; 3 unvollständig installiert (Anweisungen sind
fehlgeschlagen oder ein Schritt wurde nicht ausgeführt; das Protokoll nennt sie).
)";
}

} // namespace velmora::cli
