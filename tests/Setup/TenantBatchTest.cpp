// velmora-tenant batch, run as a process against the sandbox server.

#include "Common/AsciiText.h"
#include "TenantCliRun.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"
#include "support/TempFile.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;
using testing::HasSubstr;

namespace {

const std::string kHeader = "tenant,licensee,postal_code,city,street,password\n";

// A folder of the test's own for batch and password files.
class Folder {
public:
    Folder() : path_(std::filesystem::temp_directory_path() / ("velmora-batch-" + uniqueName("t"))) {
        std::filesystem::create_directories(path_);
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name, const std::string& content) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether the tenant role logs on to its database over TCP with this password.
bool LogsOn(const std::string& tenant, const std::string& password) {
    const ProcessResult run = RunProcess(
        {"psql", "-X", "-A", "-t", "-c", "SELECT current_user"},
        EnvironmentWith({"PGHOST=127.0.0.1", "PGPORT=" + sandbox().port, "PGUSER=" + tenant,
                         "PGPASSWORD=" + password, "PGDATABASE=" + tenant, "PGPASSFILE=/nonexistent"}));
    return run.exitCode == 0 && run.out == tenant + "\n";
}

std::map<std::string, std::string> PasswordsOf(const std::string& csv) {
    std::map<std::string, std::string> passwords;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "tenant,password");
    while (std::getline(lines, line))
        passwords[line.substr(0, line.find(','))] = line.substr(line.find(',') + 1);
    return passwords;
}

class TenantBatchTest : public testing::Test {
protected:
    ~TenantBatchTest() override {
        for (int i = 1; i <= 12; ++i) {
            const std::string tenant = "b9" + std::string(i < 10 ? "0" : "") + std::to_string(i);
            DropDatabase(tenant);
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
        }
    }

    ApplicationRoles roles;
    Folder folder;
};

// Ten tenants, one of them on a bad line and one already on the server: the other eight are
// installed, the summary names each, the status is the worst (refused), and each generated
// password (written only for tenants whose role was made) logs its tenant on.
TEST_F(TenantBatchTest, InstallsTheGoodLinesAndSumsUp) {
    const ProcessResult existing =
        RunTenant({"batch", "--passwords-out", folder.Path("first.csv"),
                   folder.File("first-batch.csv", kHeader + "b905,Bau AG,12345,Köln,Ring 5,\n")});
    ASSERT_EQ(existing.exitCode, 0) << existing.err << existing.out;

    std::string lines = kHeader;
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i);
        const std::string tenant = "b9" + std::string(i < 10 ? "0" : "") + n;
        if (i == 7)
            lines += tenant + ",Bau AG,123456,Köln,Ring 7,\n";
        else if (i == 1)
            lines += tenant + ",\"Bau, Söhne & \"\"Partner\"\"\",12345,Köln,Ring 1,\"Gegeben,1\"\n";
        else
            lines += tenant + ",Bau AG " + n + ",12345,Köln,Ring " + n + ",\n";
    }
    const std::string passwordsPath = folder.Path("passwords.csv");
    const ProcessResult run = RunTenant(
        {"batch", "-j", "4", "--json", "--passwords-out", passwordsPath, folder.File("batch.csv", lines)});

    EXPECT_EQ(run.exitCode, 2) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["exit_status"], 2);
    ASSERT_EQ(report["tenants"].size(), 10u);
    for (int i = 1; i <= 10; ++i) {
        const nlohmann::json& tenant = report["tenants"][i - 1];
        SCOPED_TRACE(tenant.dump());
        EXPECT_EQ(tenant["line"], i + 1);
        EXPECT_EQ(tenant["result"], i == 5 ? "refused" : i == 7 ? "invalid_line" : "installed");
        EXPECT_EQ(tenant["password_generated"], i != 1 && i != 7);
    }
    EXPECT_THAT(report["tenants"][6]["messages"].get<std::string>(),
                HasSubstr("Die Postleitzahl darf höchstens 5"));
    EXPECT_THAT(run.err,
                HasSubstr("Zeile 8 (Mandant B907): Die Postleitzahl darf höchstens 5 Zeichen lang sein; "
                          "sie wird nicht installiert\n"));
    EXPECT_THAT(run.err, HasSubstr("Mandant  Zeile  Ergebnis                Sekunden\n"
                                   "B901         2  installiert"));
    EXPECT_THAT(run.err, HasSubstr("B905         6  abgelehnt"));
    EXPECT_THAT(run.err, HasSubstr("B907         8  fehlerhafte Zeile              -\n"));
    EXPECT_THAT(run.err,
                HasSubstr("[B905] Nichts wurde verändert. Mit --replace wird der Mandant ersetzt.\n"));
    EXPECT_THAT(run.err, HasSubstr("\nMandant B902: installiert ("));
    EXPECT_THAT(run.err, testing::Not(HasSubstr("[B902]")))
        << "a run that went well shows no more than its line";

    struct stat status {};
    ASSERT_EQ(stat(passwordsPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::map<std::string, std::string> passwords = PasswordsOf(Read(passwordsPath));
    EXPECT_EQ(passwords.size(), 7u);
    EXPECT_FALSE(passwords.contains("B905")) << "its role was there before, with another password";
    for (const auto& [tenant, password] : passwords)
        EXPECT_TRUE(LogsOn(LowerAscii(tenant), password)) << tenant;
    EXPECT_TRUE(LogsOn("b901", "Gegeben,1"));
    EXPECT_EQ(Superuser("b901", "SELECT lizenznehmer FROM trevix.mandant"), "Bau, Söhne & \"Partner\"");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = 'b907'"), "0");
}

// A dry run hands --dry-run to every installation, shows what each would send and changes
// nothing: no tenant, no passwords file, none needed for a line without a password.
TEST_F(TenantBatchTest, ADryRunChangesNothing) {
    const std::string passwordsPath = folder.Path("passwords.csv");
    const ProcessResult run =
        RunTenant({"batch", "--dry-run", "--passwords-out", passwordsPath,
                   folder.File("batch.csv", kHeader + "b911,Bau AG,12345,Köln,Ring 1,\n"
                                                      "b912,Bau AG,12345,Köln,Ring 2,Kennwort\n")});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("[B911] "));
    EXPECT_THAT(run.out, HasSubstr("[B912] "));
    EXPECT_THAT(run.out, testing::Not(HasSubstr("Kennwort"))) << "passwords print masked";
    EXPECT_FALSE(std::filesystem::exists(passwordsPath));
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname IN ('b911', 'b912')"),
              "0");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname IN ('b911', 'b912')"), "0");
}

// What keeps a batch from installing anything: checked before the first installation starts.
TEST_F(TenantBatchTest, RefusesBeforeInstallingAnything) {
    const std::string batch = folder.File("batch.csv", kHeader + "b911,Bau AG,12345,Köln,Ring 1,\n");
    const std::string taken = folder.File("taken.csv", "tenant,password\nB999,alt\n");
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"batch", batch}, "--passwords-out DATEI"},
        {{"batch", "--passwords-out", taken, batch}, "gibt es schon; sie wird nie überschrieben"},
        {{"batch", "-j", "0", "--passwords-out", folder.Path("p0.csv"), batch},
         "--jobs braucht eine Zahl von 1 bis 64"},
        {{"batch", "-j65", batch}, "--jobs braucht eine Zahl von 1 bis 64: 65"},
        {{"batch", "--jobs=viele", batch}, "--jobs braucht eine Zahl"},
        {{"batch"}, "die Batchdatei fehlt"},
        {{"batch", folder.File("header.csv", "tenant,licensee\n")}, "fehlt die Spalte postal_code"},
        {{"batch", folder.Path("missing.csv")}, "Batchdatei nicht lesbar"},
        {{"batch", "--tenant", "b912", batch}, "unbekannte Option: --tenant"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const ProcessResult run = RunTenant(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_THAT(run.err, HasSubstr(c.message));
    }
    EXPECT_EQ(Read(taken), "tenant,password\nB999,alt\n");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = 'b911'"), "0");
}

// Sessions of velmora-tenant on the server.
int TenantSessions() {
    return std::stoi(Superuser("postgres", "SELECT count(*) FROM pg_stat_activity WHERE application_name = "
                                           "'velmora-tenant'"));
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Ctrl-C (SIGINT to the batch alone) ends the running installations, starts no further one and
// ends the batch with 130; the report says which tenants were never started.
TEST_F(TenantBatchTest, AnInterruptStopsEveryInstallation) {
    std::string lines = kHeader;
    for (int i = 1; i <= 6; ++i)
        lines += "b90" + std::to_string(i) + ",Bau AG,12345,Köln,Ring 1,Kennwort\n";
    const std::string batch = folder.File("batch.csv", lines);
    const std::string output = folder.Path("out.json");
    std::vector<std::string> arguments{VELMORA_TENANT, "batch", "-j", "2", "--json", batch};
    std::vector<std::string> environment = TenantEnvironment();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, Pointers(arguments).data(),
                                    Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    for (int i = 0; i < 500 && TenantSessions() == 0; ++i)
        usleep(10'000);
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(TenantSessions(), 0);
    const nlohmann::json report = nlohmann::json::parse(Read(output));
    EXPECT_EQ(report["exit_status"], 130);
    int notStarted = 0;
    int interrupted = 0; // those the batch passed the signal on to
    for (const nlohmann::json& tenant : report["tenants"]) {
        SCOPED_TRACE(tenant.dump());
        const std::string database = LowerAscii(tenant["tenant"].get<std::string>());
        if (tenant["result"] == "not_started") {
            ++notStarted;
            EXPECT_EQ(
                Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = '" + database + "'"),
                "0");
        } else if (tenant["result"] == "interrupted") {
            ++interrupted;
            EXPECT_EQ(tenant["exit_status"], 130);
        } else {
            EXPECT_EQ(tenant["result"], "installed");
        }
    }
    EXPECT_GE(notStarted, 2);
    EXPECT_GE(interrupted, 1);
}

} // namespace
