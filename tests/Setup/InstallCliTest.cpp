// The command-line installer, run as a process against the sandbox server.

#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"
#include "support/TempFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using namespace velmora::test;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

namespace {

using CliRun = ProcessResult;

// Runs the installer with exactly this environment (the sandbox's server and user, no password
// unless given) and stdinText on its standard input, which is no terminal.
CliRun Install(const std::vector<std::string>& arguments, const std::string& stdinText,
               const std::vector<std::string>& extraEnvironment = {}) {
    const SandboxEnv& sandboxEnv = sandbox();
    std::vector<std::string> environment{"PGHOST=" + sandboxEnv.host, "PGPORT=" + sandboxEnv.port,
                                         "PGUSER=" + sandboxEnv.user, "PGDATABASE=postgres"};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<std::string> argv{VELMORA_INSTALL};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv, environment, stdinText);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Superuser(const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(database, {"-c", sql});
    return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
}

class InstallCliTest : public testing::Test {
protected:
    ~InstallCliTest() override {
        for (const char* tenant : {"q7cl", "q7cf"}) {
            psql("postgres", {"-c", std::string("DROP DATABASE IF EXISTS ") + tenant + " WITH (FORCE)"});
            psql("postgres", {"-c", std::string("DROP ROLE IF EXISTS ") + tenant});
        }
    }

    ApplicationRoles roles;
};

// The administrative password comes from standard input, the tenant's from a file.
TEST_F(InstallCliTest, InstallsATenantAndReportsAsItGoes) {
    TempFile tenantPassword("Mandant's \\Kennwort\n");
    const CliRun run =
        Install({"--tenant", "q7cl", "--licensee=Bau AG", "--postal-code", "54321", "--city", "Köln",
                 "--street", "Ring 2", "--tenant-password-file", tenantPassword.path()},
                sandbox().password + "\n");

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(Lines(run.out),
                ElementsAre("Fortschritt 0 %", "Fortschritt 10 %", "Fortschritt 20 %", "Fortschritt 30 %",
                            "Fortschritt 40 %", "Fortschritt 50 %", "Fortschritt 60 %", "Fortschritt 70 %",
                            "Fortschritt 80 %", "Fortschritt 90 %", "Fortschritt 100 %",
                            "Die Datenbank q7cl wurde erfolgreich installiert"));
    EXPECT_THAT(Lines(run.err), ElementsAre("Fehler: database \"q7cl\" does not exist.",
                                            "Fehler: role \"q7cl\" does not exist."));
    // The code is upper case as the window's field makes it; the password is stored as written.
    EXPECT_EQ(
        Superuser("q7cl", "SELECT mandant, lizenznehmer, password, plz, ort, strasse FROM trevix.mandant"),
        "Q7CL|Bau AG|Mandant's \\Kennwort|54321|Köln|Ring 2");
    EXPECT_EQ(Superuser("q7cl", "SELECT count(*) FROM trevix.wl_auftragstatus WHERE mandant = 'Q7CL'"), "2");
}

TEST_F(InstallCliTest, ExitStatusTellsWhyNothingWasInstalled) {
    // A wrong PGPASSWORD: the log-on error once, then the run gives up at step 20.
    const CliRun wrongLogin = Install({"-t", "q7cf"}, "Kennwort\n", {"PGPASSWORD=falsch"});
    EXPECT_EQ(wrongLogin.exitCode, 1);
    EXPECT_THAT(wrongLogin.err, HasSubstr("Fehler: password authentication failed for user \"postgres\""));
    EXPECT_THAT(wrongLogin.err, HasSubstr("Anmeldung aufgegeben: Installation bei 20 % beendet"));
    EXPECT_THAT(wrongLogin.out, Not(HasSubstr("erfolgreich")));
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7cf'"), "0");

    // A refused tenant code: the warning, and nothing runs.
    const CliRun refused = Install({"--tenant", "q7-f"}, "\nKennwort\n");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("Warnung: Der Mandant muss aus ein bis vier Buchstaben"));
    EXPECT_EQ(refused.out, "");

    // No tenant code, or a password on standard input that is missing.
    EXPECT_EQ(Install({"--licensee", "Bau AG"}, "").exitCode, 2);
    const CliRun noPassword = Install({"--tenant", "q7cf"}, sandbox().password + "\n");
    EXPECT_EQ(noPassword.exitCode, 2);
    EXPECT_THAT(noPassword.err, HasSubstr("kein Passwort"));
}

} // namespace
