// Times one complete installation of a tenant (the click to the final message: login, steps 10 to
// 90) against a running server, and in the same run the same SQL executed by psql: the same drop
// and create statements, the schema statement, the two script files, the tenant row and the
// tenant value lists, in one psql session on each connection. Every run goes through a loopback
// proxy that delays each chunk, so the server seems a round trip of 0, 2 and 20 ms away. Our
// installation runs twice per round trip: as it stands, and with every script opted in to sending
// statements ahead of their answers. Prints the times and, from how much each run slows down per
// millisecond of round trip, the round trips it needed.
//
//   eval "$(scripts/pg-sandbox start)"
//   install_bench [repetitions, default 1]
//   scripts/pg-sandbox stop
//
// The server comes from PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE. The benchmark installs
// and finally drops the tenant bnch.

#include "Common/ExceptionHandler.h"
#include "DelayProxy.h"
#include "Setup/Installation.h"
#include "Setup/SchemaScripts.h"
#include "Setup/UnattendedConnectDialog.h"
#include "support/Process.h"
#include "support/TempFile.h"

#include <algorithm>
#include <array>
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
    // Each repetition replaces the tenant of the one before.
    bool Confirm(const std::string&) override { return true; }
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

// The installation sends its scripts' statements ahead of their answers; the baseline runs them one
// at a time.
void PipelineScripts(TInstallation& installation, bool pipelined) {
    for (TUniScript* script : {&installation.UniScriptDropDatabase, &installation.UniScriptUser,
                               &installation.UniScriptDB, &installation.UniScriptCreateSchema,
                               &installation.UniScriptStruktur, &installation.UniScriptOwnerGrants,
                               &installation.UniScriptWerteListe, &installation.UniScriptMandantWerteliste})
        script->SetPipelined(pipelined);
}

// The medians of one round trip: our installation one statement at a time, pipelined (as it ships),
// and psql.
struct Timings {
    double ours = 0;
    double pipelined = 0;
    double psql = 0;
};

class Bench {
public:
    explicit Bench(TAdminLogin login) : login_(std::move(login)) {
        SetApplicationExceptionHandler([this](const std::exception&) { ++statementErrors_; });
    }

    // Runs everything repetitions times through a proxy that delays each chunk by half roundTrip.
    Timings Measure(std::chrono::microseconds roundTrip, int repetitions) {
        bench::TDelayProxy proxy(login_.server.empty() ? "localhost" : login_.server, login_.port,
                                 roundTrip / 2);
        TAdminLogin viaProxy = login_;
        viaProxy.server = "127.0.0.1";
        viaProxy.port = proxy.Port();
        std::vector<double> ours, pipelined, psql;
        for (int i = 0; i < repetitions; ++i) {
            ours.push_back(Install(viaProxy, false));
            pipelined.push_back(Install(viaProxy, true));
            psql.push_back(RunPsqlInstallation(viaProxy));
            std::printf("  round trip %5.1f ms, run %d: installation %.3f s, pipelined %.3f s, psql %.3f s\n",
                        static_cast<double>(roundTrip.count()) / 1000.0, i + 1, ours.back(), pipelined.back(),
                        psql.back());
        }
        return {Median(ours), Median(pipelined), Median(psql)};
    }

    void DropTenant() {
        const TempFile dropTenant(std::string("drop database ") + kTenant + ";\r\ndrop user " + kTenant +
                                  ";\r\n");
        RunPsql(AdminConnection(login_), {dropTenant.path()}, login_.password);
    }

private:
    static std::string ServerOf(const TAdminLogin& login) {
        return " host=" + (login.server.empty() ? std::string("localhost") : login.server) +
               " port=" + std::to_string(login.port);
    }
    static std::string AdminConnection(const TAdminLogin& login) {
        return "dbname=" + login.database + " user=" + login.username + ServerOf(login);
    }

    double Install(const TAdminLogin& login, bool pipelined) {
        SilentHost host;
        TUnattendedConnectDialog loginDialog(login);
        installation_ = std::make_unique<TInstallation>(host, loginDialog);
        PipelineScripts(*installation_, pipelined);
        statementErrors_ = 0;
        const auto start = Clock::now();
        installation_->Button1Click();
        const double seconds = Seconds(Clock::now() - start);
        if (statementErrors_ != 0)
            std::printf("  (%d failed statements)\n", statementErrors_);
        scripts_ = ScriptsOf(*installation_);
        // The tenant's sessions end before psql drops it.
        installation_.reset();
        return seconds;
    }

    double RunPsqlInstallation(const TAdminLogin& login) {
        std::vector<std::unique_ptr<TempFile>> files;
        std::vector<std::string> adminFiles, tenantFiles;
        for (const std::string& text : scripts_.admin)
            adminFiles.push_back(files.emplace_back(std::make_unique<TempFile>(text))->path());
        for (const std::string& text : scripts_.tenant)
            tenantFiles.push_back(files.emplace_back(std::make_unique<TempFile>(text))->path());
        const std::string tenantConnection =
            std::string("dbname=") + kTenant + " user=" + kTenant + ServerOf(login);
        const auto start = Clock::now();
        const int errors = RunPsql(AdminConnection(login), adminFiles, login.password) +
                           RunPsql(tenantConnection, tenantFiles, kTenantPassword);
        const double seconds = Seconds(Clock::now() - start);
        if (errors != 0)
            std::printf("  (psql: %d failed statements)\n", errors);
        return seconds;
    }

    TAdminLogin login_;
    int statementErrors_ = 0;
    std::unique_ptr<TInstallation> installation_;
    PsqlScripts scripts_;
};

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const TAdminLogin adminLogin{Environment("PGHOST", ""), std::stoi(Environment("PGPORT", "5432")),
                                 Environment("PGDATABASE", "postgres"), Environment("PGUSER", "postgres"),
                                 Environment("PGPASSWORD", "")};
    const std::array<int, 3> roundTripsMs{0, 2, 20};
    try {
        Bench bench(adminLogin);
        std::vector<Timings> timings;
        for (int ms : roundTripsMs)
            timings.push_back(bench.Measure(std::chrono::milliseconds(ms), repetitions));
        bench.DropTenant();

        // A run slows down by its round trips times each millisecond added to the round trip.
        const Timings& base = timings.front();
        auto roundTrips = [&](double seconds, double baseSeconds, int ms) {
            return ms == 0 ? 0.0 : (seconds - baseSeconds) / (ms / 1000.0);
        };
        std::printf(
            "\nmedian of %d | installation | round trips | pipelined | round trips | psql | round trips | "
            "pipelined / psql\n",
            repetitions);
        for (std::size_t i = 0; i < timings.size(); ++i) {
            const Timings& t = timings[i];
            const int ms = roundTripsMs[i];
            std::printf("%2d ms | %7.3f s | %5.0f | %7.3f s | %5.0f | %7.3f s | %5.0f | %.2f\n", ms, t.ours,
                        roundTrips(t.ours, base.ours, ms), t.pipelined,
                        roundTrips(t.pipelined, base.pipelined, ms), t.psql,
                        roundTrips(t.psql, base.psql, ms), t.pipelined / t.psql);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "install_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
