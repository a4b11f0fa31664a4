// The command-line installer, run as a process against the sandbox server.

#include "schema/TenantDatabase.h"
#include "support/Pooler.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"
#include "support/TempFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora::test;
using testing::ElementsAre;
using testing::EndsWith;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

using CliRun = ProcessResult;
using Environment = std::map<std::string, std::string>;

// Where the installer writes its log in these tests.
const StateHome& TestStateHome() {
    static const StateHome home;
    return home;
}

// The arguments with the master data every run needs, for each field the test does not give.
std::vector<std::string> WithMasterData(std::vector<std::string> arguments) {
    const std::pair<const char*, const char*> defaults[] = {
        {"--licensee", "Bau AG"}, {"--postal-code", "54321"}, {"--city", "Köln"}, {"--street", "Ring 2"}};
    for (const auto& [option, value] : defaults) {
        const bool given =
            std::any_of(arguments.begin(), arguments.end(), [option](const std::string& argument) {
                return argument == option || argument.starts_with(std::string(option) + "=");
            });
        if (!given)
            arguments.insert(arguments.end(), {option, value});
    }
    return arguments;
}

// What a logged-on role without superuser rights, CREATEROLE and CREATEDB gets: the refusal right
// after the login, before anything changes.
const std::string kMayNotCreateTenants =
    "Warnung: Der angemeldete Benutzer ist kein Superuser und hat nicht das Recht CREATEROLE und CREATEDB. "
    "Ohne Superuser-Rechte braucht die Installation die Rechte CREATEROLE und CREATEDB, um Rolle und "
    "Datenbank des Mandanten anzulegen. Es wurde nichts verändert\n";

// The installer's last line when the run did not reach its final message.
std::string LogLine() {
    return "Protokoll: " + TestStateHome().logFile() + "\n";
}

// Runs the installer with exactly this environment (the sandbox's server and user, no password and
// no password file unless given; entries of overrides replace or add to these) and stdinText on its
// standard input, which is no terminal. runAs comes before the program, to run it as another user.
// Master data the test does not give is added; the log goes to the tests' state folder.
CliRun Install(const std::vector<std::string>& arguments, const std::string& stdinText,
               const Environment& overrides = {}, const std::vector<std::string>& runAs = {},
               const std::string& program = VELMORA_INSTALL) {
    const SandboxEnv& sandboxEnv = sandbox();
    Environment variables{{"PGHOST", sandboxEnv.host},
                          {"PGPORT", sandboxEnv.port},
                          {"PGUSER", sandboxEnv.user},
                          {"PGDATABASE", "postgres"},
                          {"PGPASSFILE", "/nonexistent/.pgpass"},
                          {"XDG_STATE_HOME", TestStateHome().path()}};
    for (const auto& [name, value] : overrides)
        variables[name] = value;
    std::vector<std::string> environment;
    for (const auto& [name, value] : variables)
        environment.push_back(name + "=" + value);
    std::vector<std::string> argv = runAs;
    argv.push_back(program);
    const std::vector<std::string> withMasterData = WithMasterData(arguments);
    argv.insert(argv.end(), withMasterData.begin(), withMasterData.end());
    return RunProcess(argv, environment, stdinText);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A password file with the given mode holding the sandbox superuser's password on its last line.
struct PasswordFile {
    explicit PasswordFile(mode_t mode)
        : file("# the sandbox\n127.0.0.1:" + sandbox().port + ":postgres:someone_else:falsch\n127.0.0.1:" +
               sandbox().port + ":*:" + sandbox().user + ":" + sandbox().password + "\n") {
        chmod(file.path().c_str(), mode);
    }
    TempFile file;
};

class InstallCliTest : public testing::Test {
protected:
    ~InstallCliTest() override {
        for (const char* tenant : {"q7cl", "q7cf", "q7tr", "q7pe", "q7pw", "q7cr", "q7tw", "q7ur", "q7kv",
                                   "q7sv", "q7ec", "q7dr", "q7ha"}) {
            DropDatabase(tenant);
            psql("postgres", {"-c", std::string("DROP ROLE IF EXISTS ") + tenant});
        }
    }

    ApplicationRoles roles;
};

// The administrative password comes from the password file, the tenant's from a file; both
// connections are encrypted and check the server against the sandbox's CA and host name.
TEST_F(InstallCliTest, InstallsATenantAndReportsAsItGoes) {
    TempFile tenantPassword("Mandant's \\Kennwort\n");
    PasswordFile passwordFile(0600);
    const CliRun run =
        Install({"--tenant", "q7cl", "--licensee=Bau AG", "--postal-code", "54321", "--city", "Köln",
                 "--street", "Ring 2", "--tenant-password-file", tenantPassword.path()},
                "",
                {{"PGPASSFILE", passwordFile.file.path()},
                 {"PGSSLMODE", "verify-full"},
                 {"PGSSLROOTCERT", sandbox().sslRootCert}});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(Lines(run.out),
                ElementsAre("Fortschritt 0 %", "Fortschritt 10 %", "Fortschritt 20 %", "Fortschritt 30 %",
                            "Fortschritt 40 %", "Fortschritt 50 %", "Fortschritt 60 %", "Fortschritt 70 %",
                            "Fortschritt 80 %", "Fortschritt 90 %", "Fortschritt 100 %",
                            "Die Datenbank q7cl wurde erfolgreich installiert",
                            "Mandantenrolle q7cl: Superuser", "Protokoll: " + TestStateHome().logFile()));
    // Nothing to drop on a new server is no error.
    EXPECT_EQ(run.err, "");
    // The code is upper case as the window's field makes it; the password is stored as written.
    EXPECT_EQ(
        Superuser("q7cl", "SELECT mandant, lizenznehmer, password, plz, ort, strasse FROM trevix.mandant"),
        "Q7CL|Bau AG|Mandant's \\Kennwort|54321|Köln|Ring 2");
    EXPECT_EQ(Superuser("q7cl", "SELECT count(*) FROM trevix.wl_auftragstatus WHERE mandant = 'Q7CL'"), "2");
}

TEST_F(InstallCliTest, ExitStatusTellsWhyNothingWasInstalled) {
    // A wrong PGPASSWORD: the log-on error once, and the run gives up before it begins; the
    // tenant's password is not even read.
    const CliRun wrongLogin = Install({"-t", "q7cf"}, "", {{"PGPASSWORD", "falsch"}});
    EXPECT_EQ(wrongLogin.exitCode, 1);
    EXPECT_EQ(wrongLogin.err, "Fehler: password authentication failed for user \"postgres\"\n"
                              "Anmeldung aufgegeben: Installation bei 0 % beendet\n" +
                                  LogLine());
    EXPECT_EQ(wrongLogin.out, "");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7cf'"), "0");

    // A refused tenant code: the warning, and nothing runs. The server asked for the administrator's
    // password, so standard input holds it first.
    const CliRun refused = Install({"--tenant", "q7-f"}, sandbox().password + "\nKennwort\n");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("Warnung: Der Mandant muss aus ein bis vier Buchstaben"));
    EXPECT_EQ(refused.out, "");

    // No tenant code, a value that cannot work, or a password on standard input that is missing.
    EXPECT_EQ(Install({"--licensee", "Bau AG"}, "").exitCode, 2);
    const CliRun badMode = Install({"-t", "q7cf", "--sslmode", "verify"}, "", {{"PGHOST", "/nonexistent"}});
    EXPECT_EQ(badMode.exitCode, 2);
    EXPECT_EQ(badMode.err, "velmora-install: ungültiger SSL-Modus: verify (disable, allow, prefer, require, "
                           "verify-ca oder verify-full)\nHilfe: velmora-install --help\n")
        << "refused before anything connects";
    const CliRun noPassword = Install({"--tenant", "q7cf"}, sandbox().password + "\n");
    EXPECT_EQ(noPassword.exitCode, 2);
    EXPECT_THAT(noPassword.err, HasSubstr("kein Passwort"));
}

// The administrative connection in each SSL mode, as a role that the server lets in only over TLS
// and that may not create roles or databases: logged on, the run learns so and stops before
// anything changes; refused, it gives up before it begins.
TEST_F(InstallCliTest, EachSslModeReachesARoleThatLogsOnOnlyOverTls) {
    struct Case {
        std::string mode;
        std::string host;
        bool rootCert;
        std::string refusal; // empty when the log-on succeeds
    };
    const Case cases[] = {
        {"disable", "127.0.0.1", false,
         "Fehler: pg_hba.conf rejects connection for host \"127.0.0.1\", user \"auth_ssl\""},
        {"allow", "127.0.0.1", false, ""},
        {"prefer", "127.0.0.1", false, ""},
        {"require", "127.0.0.1", false, ""},
        {"verify-ca", "127.0.0.1", true, ""},
        // 127.1 reaches the sandbox under a name its certificate does not carry.
        {"verify-ca", "127.1", true, ""},
        {"verify-full", "localhost", true, ""},
        {"verify-full", "127.1", true, "Fehler: The server certificate does not match the host name '127.1'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode + " " + c.host);
        std::vector<std::string> arguments{"-t", "q7cf", "--sslmode", c.mode, "-h", c.host, "-U", "auth_ssl"};
        if (c.rootCert)
            arguments.insert(arguments.end(), {"--sslrootcert", sandbox().sslRootCert});
        const CliRun run = Install(arguments, "Kennwort\n", {{"PGPASSWORD", "pw-ssl"}});
        if (c.refusal.empty()) {
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_EQ(run.err, kMayNotCreateTenants + LogLine());
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_THAT(run.err, StartsWith(c.refusal));
            EXPECT_THAT(run.err,
                        EndsWith("\nAnmeldung aufgegeben: Installation bei 0 % beendet\n" + LogLine()));
        }
    }
}

// A role that logs on by client certificate needs no password: standard input holds the tenant's
// alone. Without the certificate the server refuses the log-on.
TEST_F(InstallCliTest, AClientCertificateLogsOnWithoutAPassword) {
    const std::vector<std::string> arguments{
        "-t",        "q7cf", "--sslmode", "verify-full",   "-h",
        "localhost", "-U",   "auth_cert", "--sslrootcert", sandbox().sslRootCert};
    std::vector<std::string> withCertificate = arguments;
    withCertificate.insert(withCertificate.end(),
                           {"--sslcert", sandbox().clientCert, "--sslkey", sandbox().clientKey});
    const CliRun run = Install(withCertificate, "Kennwort\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, kMayNotCreateTenants + LogLine());

    const CliRun refused = Install(arguments, "Kennwort\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, StartsWith("Fehler: connection requires a valid client certificate"));
    EXPECT_THAT(refused.err, EndsWith("\nAnmeldung aufgegeben: Installation bei 0 % beendet\n" + LogLine()));
}

// A server that trusts the administrator asks for no password, and the installer asks for none:
// standard input holds the tenant's password alone.
TEST_F(InstallCliTest, ATrustServerInstallsWithoutAnyPassword) {
    Superuser("postgres", "ALTER ROLE auth_trust SUPERUSER");
    const CliRun run = Install({"-t", "q7tr"}, "Kennwort-T\n", {{"PGUSER", "auth_trust"}});
    Superuser("postgres", "ALTER ROLE auth_trust NOSUPERUSER");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Die Datenbank q7tr wurde erfolgreich installiert"));
    EXPECT_EQ(Superuser("q7tr", "SELECT mandant, password FROM trevix.mandant"), "Q7TR|Kennwort-T");
}

// Which source of the administrator's password wins, and a password file others may read.
TEST_F(InstallCliTest, ThePasswordFileServesOnlyWhenNothingElseGivesAPasswordAndOnlyItsOwner) {
    // PGPASSWORD comes before the password file.
    PasswordFile privateFile(0600);
    const CliRun variableFirst =
        Install({"-t", "q7cf"}, "", {{"PGPASSFILE", privateFile.file.path()}, {"PGPASSWORD", "falsch"}});
    EXPECT_EQ(variableFirst.exitCode, 1);
    EXPECT_THAT(variableFirst.err, HasSubstr("password authentication failed for user \"postgres\""));

    // A file that others may read is ignored with a warning; the password then comes from standard
    // input, here a wrong one.
    PasswordFile sharedFile(0644);
    const CliRun shared = Install({"-t", "q7cf"}, "falsch\n", {{"PGPASSFILE", sharedFile.file.path()}});
    EXPECT_EQ(shared.exitCode, 1);
    EXPECT_EQ(shared.err,
              "Warnung: Passwortdatei \"" + sharedFile.file.path() +
                  "\" ist für Gruppe oder andere zugänglich und bleibt unbeachtet; die Rechte dürfen "
                  "höchstens u=rw (0600) sein\n"
                  "Fehler: password authentication failed for user \"postgres\"\n"
                  "Anmeldung aufgegeben: Installation bei 0 % beendet\n" +
                  LogLine());
}

// The administrator's log-on as psql takes it: a URI or a keyword = value string as --dbname, or a
// service entry; the PostgreSQL variables of the environment point elsewhere and lose.
TEST_F(InstallCliTest, AUriAKeywordValueStringAndAServiceEntryEachInstallATenant) {
    const SandboxEnv& server = sandbox();
    const Environment elsewhere{{"PGHOST", "/nonexistent"}, {"PGPORT", "1"}, {"PGUSER", "nobody"}};
    TempFile serviceFile("[velmora-test]\nhost=" + server.host + "\nport=" + server.port +
                         "\nuser=" + server.user + "\ndbname=postgres\nsslmode=disable\n");
    Environment withService = elsewhere;
    withService.insert({{"PGSERVICEFILE", serviceFile.path()}, {"PGSERVICE", "velmora-test"}});
    const struct {
        const char* tenant;
        std::string dbname;
        std::string standardInput;
        Environment environment;
    } cases[] = {
        {"q7ur",
         "postgresql://" + server.user + ":" + server.password + "@" + server.host + ":" + server.port +
             "/postgres?sslmode=verify-full&sslrootcert=" + server.sslRootCert,
         "Kennwort\n", elsewhere},
        {"q7kv",
         "host=" + server.host + " port = '" + server.port + "' user=" + server.user + " dbname=postgres",
         server.password + "\nKennwort\n", elsewhere},
        {"q7sv", "", server.password + "\nKennwort\n", withService},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tenant);
        std::vector<std::string> arguments{"-t", c.tenant};
        if (!c.dbname.empty())
            arguments.insert(arguments.end(), {"-d", c.dbname});
        const CliRun run = Install(arguments, c.standardInput, c.environment);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(Superuser(c.tenant, "SELECT lower(mandant) FROM trevix.mandant"), c.tenant);
    }
}

// An HA pair as administrators address it: the dead server is passed over, a read-only session
// does not do for read-write, and when no server works the message names each one tried.
TEST_F(InstallCliTest, SeveralServersAreTriedInTurnForTheSessionAsked) {
    const std::string host = sandbox().host;
    const Environment pair{{"PGHOST", "no-such-host.invalid," + host},
                           {"PGTARGETSESSIONATTRS", "read-write"},
                           {"PGPASSWORD", sandbox().password}};
    const CliRun installed = Install({"-t", "q7ha"}, "Kennwort\n", pair);
    EXPECT_EQ(installed.exitCode, 0) << installed.err;
    EXPECT_EQ(Superuser("q7ha", "SELECT lower(mandant) FROM trevix.mandant"), "q7ha");

    Environment readOnly = pair;
    readOnly["PGHOST"] = host;
    readOnly["PGOPTIONS"] = "-c default_transaction_read_only=on";
    const CliRun standby = Install({"-t", "q7cf"}, "Kennwort\n", readOnly);
    EXPECT_EQ(standby.exitCode, 1);
    EXPECT_THAT(standby.err, StartsWith("Fehler: Keine Anmeldung an einem der Server möglich:\nServer \"" +
                                        host + "\", Port " + sandbox().port +
                                        ": die Sitzung ist schreibgeschützt.\nAnmeldung aufgegeben"));

    const CliRun none = Install({"-t", "q7cf"}, "Kennwort\n",
                                {{"PGHOST", "no-such-host.invalid,/nonexistent"}, {"PGPORT", "5433,5434"}});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.err,
                StartsWith("Fehler: Keine Anmeldung an einem der Server möglich:\n"
                           "Server \"no-such-host.invalid\", Port 5433: Unknown host 'no-such-host.invalid' "
                           "Socket Error Code: "));
    EXPECT_THAT(none.err, HasSubstr("\nSocket /nonexistent/.s.PGSQL.5434: Cannot connect to server on host "
                                    "'/nonexistent/.s.PGSQL.5434': No such file or directory. "));
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7cf'"), "0");
}

// channel_binding and require_auth refuse the administrator's log-on before the password is sent,
// which the unread standard input shows: nothing asked for it.
TEST_F(InstallCliTest, TheAuthenticationPolicyRefusesBeforeAnyPasswordIsSent) {
    const struct {
        std::string dbname;
        Environment environment;
        std::string reason;
    } cases[] = {
        {"channel_binding=require sslmode=disable", {}, "channel binding required, but SSL not in use"},
        {"require_auth=scram-sha-256",
         {{"PGUSER", "auth_password"}, {"PGPASSWORD", "pw-password"}},
         "authentication method requirement \"scram-sha-256\" failed: server requested a cleartext password"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dbname);
        const CliRun run = Install({"-t", "q7cf", "-d", c.dbname}, "", c.environment);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "Fehler: " + c.reason + ".\nAnmeldung aufgegeben: Installation bei 0 % beendet\n" +
                               LogLine());
    }
    // Bound to the TLS channel, the log-on goes through.
    const CliRun bound =
        Install({"-t", "q7cf", "-d", "channel_binding=require sslmode=require dbname=postgres"},
                sandbox().password + "\n", {{"PGPASSWORD", "falsch"}});
    EXPECT_THAT(bound.err, HasSubstr("password authentication failed")) << "the server was asked";
}

// -w never asks for the administrator's password, -W asks before the log-on whatever else would give one.
TEST_F(InstallCliTest, PasswordPromptOptions) {
    const CliRun neverAsked = Install({"-t", "q7cf", "-w"}, sandbox().password + "\nKennwort\n");
    EXPECT_EQ(neverAsked.exitCode, 1);
    EXPECT_EQ(neverAsked.err,
              "Fehler: Der Server verlangt ein Passwort, und --no-password verbietet, danach zu "
              "fragen.\nAnmeldung aufgegeben: Installation bei 0 % beendet\n" +
                  LogLine());

    const CliRun askedFirst =
        Install({"-t", "q7cf", "-W"}, "falsch\nKennwort\n", {{"PGPASSWORD", sandbox().password}});
    EXPECT_EQ(askedFirst.exitCode, 1);
    EXPECT_THAT(askedFirst.err, HasSubstr("password authentication failed for user \"postgres\""));
}

// The operating-system user postgres installs over the local socket by peer authentication, without
// any password. The tenant, refused there by the peer line, logs on over TCP to localhost with the
// command line's TLS settings: with the sandbox's CA it installs, with a certificate that is no CA it
// stops at 30 %.
TEST_F(InstallCliTest, PostgresInstallsOverTheLocalSocketAndTheTenantFallsBackToTcp) {
    // The copy must be reachable for the user postgres, wherever the build lies.
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / uniqueName("cli");
    std::filesystem::create_directory(directory);
    const std::filesystem::path program = directory / "velmora-install";
    std::filesystem::copy_file(VELMORA_INSTALL, program);
    using std::filesystem::perms;
    std::filesystem::permissions(directory, perms::owner_all | perms::group_read | perms::group_exec |
                                                perms::others_read | perms::others_exec);
    // Root runs it as postgres; another user owns the sandbox and maps to the role postgres itself.
    std::vector<std::string> asPostgres;
    if (geteuid() == 0)
        asPostgres = {"runuser", "-u", "postgres", "--"};
    const Environment overSocket{{"PGHOST", sandbox().socketDir},
                                 {"PGSSLMODE", "verify-full"},
                                 {"PGSSLROOTCERT", sandbox().sslRootCert}};

    const CliRun run = Install({"-t", "q7pe"}, "Kennwort-P\n", overSocket, asPostgres, program.string());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Die Datenbank q7pe wurde erfolgreich installiert"));
    EXPECT_EQ(Superuser("q7pe", "SELECT mandant, password FROM trevix.mandant"), "Q7PE|Kennwort-P");

    Environment wrongRoots = overSocket;
    wrongRoots["PGSSLROOTCERT"] = sandbox().clientCert;
    const CliRun unverified =
        Install({"-t", "q7pw"}, "Kennwort-P\n", wrongRoots, asPostgres, program.string());
    EXPECT_EQ(unverified.exitCode, 1);
    EXPECT_THAT(unverified.err, HasSubstr("Fehler: Peer authentication failed for user \"q7pw\"\nFehler: "));
    EXPECT_THAT(unverified.err, HasSubstr("certificate"));
    EXPECT_THAT(unverified.err, EndsWith("Installation bei 30 % abgebrochen\n" + LogLine()));
    std::filesystem::remove_all(directory);
}

// The command line can hand over any bytes: empty or malformed master data is refused before
// anything reaches the server.
TEST_F(InstallCliTest, RefusesMasterDataTheTenantRowCannotHold) {
    struct Case {
        std::vector<std::string> arguments;
        std::string warning;
    };
    const Case cases[] = {
        {{"--licensee", "", "--postal-code", "1", "--city", "A", "--street", "B"},
         "Warnung: Der Lizenznehmer darf nicht leer sein"},
        {{"--licensee", "Bau AG", "--postal-code", "1", "--city", "K\xF6ln", "--street", "B"},
         "Warnung: Der Ort enthält ungültige Zeichen"},
        {{"--licensee", "Bau AG", "--postal-code", "1", "--city", "A", "--street", "\xC0\xAF"},
         "Warnung: Die Straße enthält ungültige Zeichen"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--tenant", "q7cf"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CliRun run = Install(arguments, sandbox().password + "\nKennwort\n");
        EXPECT_EQ(run.exitCode, 2) << c.warning;
        EXPECT_THAT(run.err, HasSubstr(c.warning));
    }
    // "ß" has no capital the code may hold: refused as in the window.
    const CliRun sharpS = Install({"--tenant", "aß"}, sandbox().password + "\nKennwort\n");
    EXPECT_EQ(sharpS.exitCode, 2);
    EXPECT_THAT(sharpS.err, HasSubstr("Warnung: Der Mandant muss aus ein bis vier Buchstaben"));
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7cf'"), "0");
}

// An existing tenant is left alone without --replace; with it, it is installed anew.
TEST_F(InstallCliTest, ReplacesAnExistingTenantOnlyWhenAsked) {
    const std::string input = sandbox().password + "\nKennwort\n";
    ASSERT_EQ(Install({"--tenant", "q7cr"}, input).exitCode, 0);
    Superuser("q7cr", "CREATE TABLE public.kept ()");

    const CliRun refused = Install({"--tenant", "q7cr"}, input);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("Die Datenbank q7cr ist bereits installiert."));
    EXPECT_THAT(refused.err, HasSubstr("Mit --replace wird der Mandant ersetzt."));
    EXPECT_EQ(Lines(refused.err).back(), "Protokoll: " + TestStateHome().logFile());
    EXPECT_EQ(Superuser("q7cr", "SELECT count(*) FROM pg_tables WHERE tablename = 'kept'"), "1");

    const CliRun replaced = Install({"--tenant", "q7cr", "--replace"}, input);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(Superuser("q7cr", "SELECT count(*) FROM pg_tables WHERE tablename = 'kept'"), "0");
    EXPECT_EQ(Superuser("q7cr", "SELECT count(*) FROM trevix.mandant"), "1");
}

// Two runs of one tenant started at once, a few times over: exactly one installs; the other stops
// without changing anything, on the tenant's lock while the first one runs, or on the question
// whether to replace the tenant when it comes later.
TEST_F(InstallCliTest, OfTwoRunsOfOneTenantAtOnceExactlyOneInstalls) {
    const std::string input = sandbox().password + "\nKennwort\n";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        DropDatabase("q7tw");
        psql("postgres", {"-c", "DROP ROLE IF EXISTS q7tw"});
        const auto start = [&](const char* licensee) {
            return std::async(std::launch::async, [&input, licensee] {
                return Install({"--tenant", "q7tw", "--licensee", licensee}, input);
            });
        };
        auto first = start("Erster");
        auto second = start("Zweiter");
        const CliRun runs[] = {first.get(), second.get()};

        const auto installed = std::count_if(std::begin(runs), std::end(runs),
                                             [](const CliRun& run) { return run.exitCode == 0; });
        ASSERT_EQ(installed, 1) << runs[0].err << runs[1].err;
        const CliRun& loser = runs[0].exitCode == 0 ? runs[1] : runs[0];
        if (loser.exitCode == 1)
            EXPECT_THAT(loser.err,
                        HasSubstr("Fehler: Der Mandant q7tw wird gerade von einer anderen Installation "
                                  "auf diesem Server installiert."));
        else
            EXPECT_THAT(loser.err, HasSubstr("Die Datenbank q7tw ist bereits installiert."));
        EXPECT_EQ(Superuser("q7tw", "SELECT lizenznehmer FROM trevix.mandant"),
                  runs[0].exitCode == 0 ? "Erster" : "Zweiter");
        EXPECT_EQ(Superuser("q7tw", "SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "68");
        EXPECT_EQ(Superuser("q7tw", "SELECT count(*) FROM trevix.wl_auftragstatus"), "2");
    }
}

} // namespace

namespace {

void DropTenants(const std::vector<std::string>& tenants) {
    for (const std::string& tenant : tenants) {
        DropDatabase(tenant);
        psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
    }
}

// The pooler lets each tenant log on with the password the tests install it with.
std::vector<TPooler::TUser> PooledLogins(const std::vector<std::string>& tenants) {
    std::vector<TPooler::TUser> logins;
    for (const std::string& tenant : tenants)
        logins.push_back({tenant, "Kennwort"});
    return logins;
}

// The administrator's way to the sandbox through the pooler.
Environment ViaPooler(const TPooler& pooler) {
    return {{"PGHOST", pooler.Host()}, {"PGPORT", pooler.Port()}, {"PGPASSWORD", sandbox().password}};
}

} // namespace

// Through a pooler in transaction mode each exchange may run on another server session, one that
// clients in other processes used before: five tenants in a row, each run a process of its own.
TEST_F(InstallCliTest, InstallsThroughAPoolerInTransactionModeOneAfterTheOther) {
    const std::vector<std::string> tenants{"q8p1", "q8p2", "q8p3", "q8p4", "q8p5"};
    DropTenants(tenants);
    {
        TPooler pooler(PooledLogins(tenants));
        const Environment viaPooler = ViaPooler(pooler);
        for (const std::string& tenant : tenants) {
            const CliRun run = Install({"-t", tenant}, "Kennwort\n", viaPooler);
            EXPECT_EQ(run.exitCode, 0) << tenant << ": " << run.err;
        }
    }
    for (const std::string& tenant : tenants) {
        std::string code = tenant;
        std::transform(code.begin(), code.end(), code.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        EXPECT_EQ(Superuser(tenant, "SELECT mandant FROM trevix.mandant"), code);
    }
    DropTenants(tenants);
}

// Three tenants installed at once through a pooler in transaction mode, each run a process of its
// own: none keeps another from copying template1, and each holds its tenant's lock all the way
// through. A replacement through the pooler afterwards meets the pooler's idle sessions on the
// tenant's database, which it does not end: it stops before anything changes.
TEST_F(InstallCliTest, InstallsThreeTenantsAtOnceThroughAPoolerInTransactionMode) {
    const std::vector<std::string> tenants{"q8a1", "q8a2", "q8a3"};
    const auto complete = [](const std::string& tenant) {
        EXPECT_EQ(Superuser(tenant, "SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "68");
        EXPECT_EQ(Superuser(tenant, "SELECT lizenznehmer FROM trevix.mandant"), "Lizenz " + tenant);
    };
    DropTenants(tenants);
    {
        TPooler pooler(PooledLogins(tenants));
        const Environment viaPooler = ViaPooler(pooler);
        std::vector<std::future<CliRun>> runs;
        for (const std::string& tenant : tenants)
            runs.push_back(std::async(std::launch::async, [&viaPooler, tenant] {
                return Install({"-t", tenant, "--licensee", "Lizenz " + tenant}, "Kennwort\n", viaPooler);
            }));
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const CliRun run = runs[i].get();
            EXPECT_EQ(run.exitCode, 0) << tenants[i] << ": " << run.err;
        }
        for (const std::string& tenant : tenants)
            complete(tenant);

        const CliRun replaced =
            Install({"-t", tenants[0], "--licensee", "Neu", "--replace"}, "Kennwort\n", viaPooler);
        EXPECT_EQ(replaced.exitCode, 1) << replaced.err;
        EXPECT_THAT(replaced.err, HasSubstr("Die Datenbank q8a1 kann nicht gelöscht werden, weil andere "
                                            "Sitzungen mit ihr verbunden sind."));
        complete(tenants[0]);
    }
    DropTenants(tenants);
}

// An administrator whose role carries a statement and a lock time limit of 5 ms, a common guard on
// production servers, installs all the same: our sessions run without them.
TEST_F(InstallCliTest, AnAdministratorWithTimeLimitsInTheRoleInstalls) {
    const std::string admin = uniqueName("guarded_admin");
    psql("postgres", {"-c", "CREATE ROLE " + admin + " SUPERUSER LOGIN PASSWORD 'pw-guarded'", "-c",
                      "ALTER ROLE " + admin + " SET statement_timeout = '5ms'", "-c",
                      "ALTER ROLE " + admin + " SET lock_timeout = '5ms'"});
    const CliRun run = Install({"-t", "q7tr", "-U", admin}, "Kennwort\n", {{"PGPASSWORD", "pw-guarded"}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Superuser("q7tr", "SELECT mandant FROM trevix.mandant"), "Q7TR");
    DropDatabase("q7tr");
    psql("postgres", {"-c", "DROP ROLE IF EXISTS q7tr", "-c", "DROP ROLE " + admin});
}

namespace {

// What the server holds of one tenant: whether its database and role exist, the database's oid, the
// role's stored verifier, and, inside the database, its relations and tenant rows.
std::string TenantState(const std::string& tenant) {
    const std::string database = "(SELECT oid::text FROM pg_database WHERE datname = '" + tenant + "')";
    const std::string role = "(SELECT rolpassword FROM pg_authid WHERE rolname = '" + tenant + "')";
    std::string state =
        Superuser("postgres", "SELECT coalesce(" + database + ", '-') || '|' || coalesce(" + role + ", '-')");
    if (state.starts_with("-"))
        return state;
    return state + "|" +
           Superuser(tenant, "SELECT (SELECT count(*) FROM pg_class) || '|' || "
                             "(SELECT string_agg(mandant || ort, ',') FROM trevix.mandant)");
}

} // namespace

// -e shows each statement before it is sent, the pipelined scripts' too, and never the password;
// a dry run of --replace then shows the drops and leaves the tenant as it was.
TEST_F(InstallCliTest, EchoShowsEveryStatementAndADryRunOfReplaceKeepsTheTenant) {
    const std::string password = "Echo-Kennwort-7";
    const CliRun run = Install({"--tenant", "q7ec", "-e"}, sandbox().password + "\n" + password + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* statement :
         {"SHOW password_encryption;\n", "SELECT pg_try_advisory_xact_lock(", "\nPASSWORD  '********';\n",
          "CREATE DATABASE", "CREATE SCHEMA", "CREATE TABLE trevix.mandant (", "INSERT INTO trevix.mandant(",
          "-- $1 = 'Q7EC'\n-- $2 = 'Bau AG'\n-- $3 = '********'\n-- $4 = '54321'\n"})
        EXPECT_THAT(run.out, HasSubstr(statement));
    EXPECT_THAT(run.out, testing::Not(HasSubstr(password)));
    EXPECT_THAT(run.out, testing::Not(HasSubstr("SCRAM-SHA-256$")));

    EXPECT_EQ(Superuser("q7ec", "SELECT password FROM trevix.mandant"), password);

    Superuser("q7ec", "CREATE TABLE public.kept ()");
    const std::string before = TenantState("q7ec");
    const CliRun dryRun = Install({"--tenant", "q7ec", "--replace", "--dry-run", "--city", "Bonn"},
                                  sandbox().password + "\nAnders-9\n");
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_THAT(dryRun.out, HasSubstr("drop database\nQ7EC;\ndrop user Q7EC;\n"));
    EXPECT_THAT(dryRun.out, HasSubstr("CREATE TABLE trevix.mandant ("));
    EXPECT_THAT(dryRun.out, HasSubstr("Probelauf beendet: die Datenbank q7ec wurde nicht installiert"));
    EXPECT_EQ(TenantState("q7ec"), before);
}

// A dry run of a new tenant: the administrator's checks run, everything that would change is
// printed instead of sent, the tenant's log-on is a comment line, and the server holds nothing of
// the tenant afterwards.
TEST_F(InstallCliTest, ADryRunPrintsWhatItWouldSendAndChangesNothing) {
    const std::string password = "Probe-Kennwort-3";
    const CliRun run =
        Install({"--tenant", "q7dr", "--dry-run"}, sandbox().password + "\n" + password + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(TenantState("q7dr"), "-|-");
    // In order: the drops a new server answers with "does not exist", the role, the database, the
    // tenant's log-on and its session's statements.
    std::size_t at = 0;
    for (const std::string& expected :
         {std::string("drop database\nQ7DR;\n"), std::string("drop user Q7DR;\n"),
          std::string("CREATE USER \nq7dr"), std::string("\nPASSWORD  '********';\n"),
          std::string("CREATE DATABASE\nq7dr"),
          "-- Anmeldung als q7dr an der Datenbank q7dr auf " + sandbox().host + ", Port " + sandbox().port +
              " (Probelauf: nicht ausgeführt)\n",
          std::string("CREATE SCHEMA\ntrevix\nAUTHORIZATION \nQ7DR;\n"),
          std::string("CREATE TABLE trevix.mandant ("), std::string("INSERT INTO trevix.mandant("),
          std::string("-- $3 = '********'\n"), std::string("INSERT INTO\n  trevix.sys_cnt_kundennummer"),
          std::string("Probelauf beendet: die Datenbank q7dr wurde nicht installiert, auf dem Server wurde "
                      "nichts verändert\n")}) {
        const std::size_t found = run.out.find(expected, at);
        EXPECT_NE(found, std::string::npos) << "missing after offset " << at << ": " << expected;
        if (found != std::string::npos)
            at = found + expected.size();
    }
    // The reads that decide the run are sent, not printed, and no password shows.
    EXPECT_THAT(run.out, testing::Not(HasSubstr("SHOW password_encryption")));
    EXPECT_THAT(run.out, testing::Not(HasSubstr("pg_try_advisory_xact_lock")));
    EXPECT_THAT(run.out, testing::Not(HasSubstr(password)));
    EXPECT_THAT(TestStateHome().logText(), HasSubstr("Mandant Q7DR: Probelauf beginnt"));
}
