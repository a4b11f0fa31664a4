// Times one complete installation of a tenant (the click to the final message: login, steps 10 to
// 90) against a running server, and in the same run the same SQL executed by psql: the same drop
// and create statements, the schema statement, the two script files, the tenant row and the
// tenant value lists, in one psql session on each connection. Prints both and their ratio.
//
//   eval "$(scripts/pg-sandbox start)"
//   install_bench [repetitions, default 5]
//   scripts/pg-sandbox stop
//
// The server comes from PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE. The benchmark installs
// and finally drops the tenant bnch.

#include "Common/ExceptionHandler.h"
#include "Setup/Installation.h"
#include "Setup/SchemaScripts.h"
#include "Setup/UnattendedConnectDialog.h"
#include "support/Process.h"
#include "support/TempFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace velmora;
using velmora::test::TempFile;
using Clock = std::chrono::steady_clock;

constexpr const char* kTenantCode = "BNCH";
constexpr const char* kTenant = "bnch";
constexpr const char* kTenantPassword = "bench-Kennwort";

std::string Environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

class SilentHost : public TInstallerHost {
public:
    std::string TenantCode() const override { return kTenantCode; }
    std::string TenantPassword() const override { return kTenantPassword; }
    TTenantMasterData MasterData() const override { return {"Bench GmbH", "12345", "Musterstadt", "Weg 1"}; }
    void SetProgress(int) override {}
    void ShowWarning(const std::string& text) override { throw std::runtime_error("warning: " + text); }
    void ShowInformation(const std::string&) override {}
};

// The SQL an installation sends, as psql script files: admin on the administrative connection,
// tenant on the tenant connection.
struct PsqlScripts {
    std::vector<std::string> admin;
    std::vector<std::string> tenant;
};

// Taken from the templates as an installation left them, patched for the tenant. The drop
// template holds only the role drop by then; the database drop comes before it.
PsqlScripts ScriptsOf(TInstallation& installation) {
    PsqlScripts scripts;
    scripts.admin = {std::string("drop database\r\n") + kTenantCode + "\r\n;\r\n",
                     installation.UniScriptDropDatabase.SQL().Text() + ";\r\n",
                     installation.UniScriptUser.SQL().Text() + ";\r\n",
                     installation.UniScriptDB.SQL().Text()};
    scripts.tenant = {
        installation.UniScriptCreateSchema.SQL().Text(), std::string(StructureScript()),
        std::string(ValueListScript()),
        std::string("INSERT INTO trevix.mandant(mandant, lizenznehmer, password, plz, ort, strasse) "
                    "VALUES ('") +
            kTenantCode + "', 'Bench GmbH', '" + kTenantPassword + "', '12345', 'Musterstadt', 'Weg 1');\r\n",
        installation.UniScriptMandantWerteliste.SQL().Text()};
    return scripts;
}

// Runs psql with the script files in one session, its output discarded; returns how many statements
// failed.
int RunPsql(const std::string& connection, const std::vector<std::string>& files,
            const std::string& password) {
    std::vector<std::string> argv{"psql", "-X", "-q", "-o", "/dev/null", "-d", connection};
    for (const std::string& file : files) {
        argv.push_back("-f");
        argv.push_back(file);
    }
    const test::ProcessResult psql =
        test::RunProcess(argv, test::EnvironmentWith({"PGPASSWORD=" + password}));
    if (psql.exitCode != 0)
        throw std::runtime_error("psql failed");
    std::istringstream errorLines(psql.err);
    int failed = 0;
    for (std::string line; std::getline(errorLines, line);)
        failed += line.find("ERROR:") != std::string::npos ? 1 : 0;
    return failed;
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
    const TAdminLogin adminLogin{Environment("PGHOST", ""), std::stoi(Environment("PGPORT", "5432")),
                                 Environment("PGDATABASE", "postgres"), Environment("PGUSER", "postgres"),
                                 Environment("PGPASSWORD", "")};
    const std::string server = " host=" + (adminLogin.server.empty() ? "localhost" : adminLogin.server) +
                               " port=" + std::to_string(adminLogin.port);
    const std::string adminConnection =
        "dbname=" + adminLogin.database + " user=" + adminLogin.username + server;
    const std::string tenantConnection = std::string("dbname=") + kTenant + " user=" + kTenant + server;
    int statementErrors = 0;
    SetApplicationExceptionHandler([&](const std::exception&) { ++statementErrors; });

    try {
        std::vector<double> ours, psql;
        for (int i = 0; i < repetitions; ++i) {
            SilentHost host;
            TUnattendedConnectDialog loginDialog(adminLogin);
            auto installation = std::make_unique<TInstallation>(host, loginDialog);
            statementErrors = 0;
            const auto start = Clock::now();
            installation->Button1Click();
            ours.push_back(Seconds(Clock::now() - start));
            const int ourErrors = statementErrors;

            // The same statements, in files; the tenant's sessions end before psql drops it.
            const PsqlScripts scripts = ScriptsOf(*installation);
            installation.reset();
            std::vector<std::unique_ptr<TempFile>> files;
            std::vector<std::string> adminFiles, tenantFiles;
            for (const std::string& text : scripts.admin)
                adminFiles.push_back(files.emplace_back(std::make_unique<TempFile>(text))->path());
            for (const std::string& text : scripts.tenant)
                tenantFiles.push_back(files.emplace_back(std::make_unique<TempFile>(text))->path());
            const auto psqlStart = Clock::now();
            const int psqlErrors = RunPsql(adminConnection, adminFiles, adminLogin.password) +
                                   RunPsql(tenantConnection, tenantFiles, kTenantPassword);
            psql.push_back(Seconds(Clock::now() - psqlStart));
            std::printf("run %d: installation %.3f s, psql %.3f s (failed statements: %d and %d)\n", i + 1,
                        ours.back(), psql.back(), ourErrors, psqlErrors);
        }
        std::printf("median of %d: installation %.3f s, psql %.3f s, ratio %.2f (target <= 1.15)\n",
                    repetitions, Median(ours), Median(psql), Median(ours) / Median(psql));
        const TempFile dropTenant(std::string("drop database ") + kTenant + ";\r\ndrop user " + kTenant +
                                  ";\r\n");
        RunPsql(adminConnection, {dropTenant.path()}, adminLogin.password);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "install_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
