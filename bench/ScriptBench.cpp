// Runs a script of many small statements with our script runner and with psql -f against the same
// server, and prints both times, their ratio, where our time goes, and our memory.
//
//   eval "$(scripts/pg-sandbox start)"     # or any server reachable through PGHOST, PGPORT,
//   build/default/bench/script_bench [statements, default 20000]   # PGUSER and PGPASSWORD
//
// Our runner sends each statement as one extended-query cycle (prepare, execute, unprepare: three
// round trips); psql sends each as one simple query (one round trip). The round-trip cost is
// measured on its own, and the client's share is the runner's lexing and statement assembly, the
// parameter rewrite and the process's CPU time.

#include "Common/ExceptionHandler.h"
#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"
#include "Dabrix/UniScript.h"
#include "PostgreSql/PgSQLCommand.h"
#include "PostgreSql/PgScriptProcessor.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace velmora;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

struct CpuTimes {
    double user = 0;
    double system = 0;
};

CpuTimes CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ResidentMB() {
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string MakeScript(int statements, const std::string& table) {
    std::string script;
    for (int i = 0; i < statements; ++i)
        script += "INSERT INTO " + table + " VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) +
                  " of the benchmark; -- not a comment');\n";
    return script;
}

void Configure(TUniConnection& connection, const std::string& database) {
    connection.SetProviderName("PostgreSQL");
    connection.SetLoginPrompt(false);
    connection.SetServer(Env("PGHOST", "localhost"));
    connection.SetPort(std::stoi(Env("PGPORT", "5432")));
    connection.SetDatabase(database);
    connection.SetUsername(Env("PGUSER", "postgres"));
    connection.SetPassword(Env("PGPASSWORD", ""));
    connection.SpecificOptions() = {"PostgreSQL.UseUnicode=True"};
}

void RunScript(TUniConnection& connection, const std::string& text) {
    TUniScript script;
    script.SetConnection(&connection);
    script.SQL().SetText(text);
    script.Execute();
}

// The text a script run cuts into statements, without running them.
class CountingScript : public TDAScript {
protected:
    std::unique_ptr<TCustomDASQL> CreateCommand() const override { throw std::logic_error("not used"); }
    std::unique_ptr<TDAScriptProcessor> CreateProcessor() override { throw std::logic_error("not used"); }
};

class CollectingProcessor : public TPgScriptProcessor {
public:
    using TPgScriptProcessor::TPgScriptProcessor;
    std::vector<std::string> statements;

protected:
    void ExecuteStatement(std::string sql, TStatementKind, std::size_t) override {
        statements.push_back(std::move(sql));
    }
};

int Psql(const std::string& database, const std::string& path) {
    const std::string command =
        "psql -X -q -v ON_ERROR_STOP=1 -d " + database + " -f " + path + " >/dev/null";
    return std::system(command.c_str());
}

} // namespace

int main(int argc, char** argv) try {
    const int statements = argc > 1 ? std::atoi(argv[1]) : 20000;
    TPostgreSQLUniProvider provider;
    const std::string database = "script_bench_" + std::to_string(getpid());

    TUniConnection admin;
    Configure(admin, "postgres");
    RunScript(admin, "CREATE DATABASE " + database);
    TUniConnection connection;
    Configure(connection, database);
    RunScript(connection, "CREATE UNLOGGED TABLE ours (n integer, t text);\n"
                          "CREATE UNLOGGED TABLE theirs (n integer, t text)");

    const std::string ourScript = MakeScript(statements, "ours");
    const std::string path = "/tmp/" + database + ".sql";
    std::ofstream(path) << MakeScript(statements, "theirs");

    // Client-side work alone: cutting the text and rewriting each statement.
    auto start = Clock::now();
    CountingScript holder;
    holder.SQL().SetText(ourScript);
    CollectingProcessor processor(holder);
    processor.Init(";");
    while (processor.ExecuteNext()) {
    }
    const double splitSeconds = SecondsSince(start);
    start = Clock::now();
    std::size_t rewrittenBytes = 0;
    for (const std::string& statement : processor.statements)
        rewrittenBytes += PgParseSQL(statement, false).Text.size();
    const double rewriteSeconds = SecondsSince(start);

    // One round trip, measured as the simplest extended-query statements in a row.
    TUniSQL ping;
    ping.SetConnection(&connection);
    ping.SQL().SetText("SELECT 1");
    const int pings = 2000;
    start = Clock::now();
    for (int i = 0; i < pings; ++i)
        ping.Execute();
    const double cycleSeconds = SecondsSince(start) / pings; // three round trips each

    const double residentBefore = ResidentMB();
    const CpuTimes cpuBefore = CpuSeconds();
    start = Clock::now();
    RunScript(connection, ourScript);
    const double ourSeconds = SecondsSince(start);
    const CpuTimes cpuAfter = CpuSeconds();
    const double ourUser = cpuAfter.user - cpuBefore.user;
    const double ourSystem = cpuAfter.system - cpuBefore.system;
    const double residentAfterFirst = ResidentMB();
    RunScript(connection, "TRUNCATE ours");
    RunScript(connection, ourScript);
    const double residentAfterSecond = ResidentMB();

    start = Clock::now();
    const int psqlStatus = Psql(database, path);
    const double psqlSeconds = SecondsSince(start);
    std::remove(path.c_str());

    connection.Disconnect();
    RunScript(admin, "DROP DATABASE " + database);
    if (psqlStatus != 0)
        throw std::runtime_error("psql failed");

    const double roundTrips = cycleSeconds * statements;
    std::printf("script: %d statements, %.2f MB\n", statements, static_cast<double>(ourScript.size()) / 1e6);
    std::printf("ours (script runner):  %8.3f s  %7.1f us/statement\n", ourSeconds,
                ourSeconds / statements * 1e6);
    std::printf("psql -f:               %8.3f s  %7.1f us/statement\n", psqlSeconds,
                psqlSeconds / statements * 1e6);
    std::printf("ratio ours/psql:       %8.2f\n", ourSeconds / psqlSeconds);
    std::printf("where our time goes:\n");
    std::printf(
        "  extended-query cycle of SELECT 1 (3 round trips): %.1f us; x %d statements = %.3f s (%.0f%%)\n",
        cycleSeconds * 1e6, statements, roundTrips, 100 * roundTrips / ourSeconds);
    std::printf("  cutting the script into statements: %.4f s (%.2f%%)\n", splitSeconds,
                100 * splitSeconds / ourSeconds);
    std::printf("  rewriting the statements (%zu bytes): %.4f s (%.2f%%)\n", rewrittenBytes, rewriteSeconds,
                100 * rewriteSeconds / ourSeconds);
    std::printf("  client CPU in user mode (lexing, assembly, messages, answers): %.3f s (%.1f%%)\n", ourUser,
                100 * ourUser / ourSeconds);
    std::printf("  client CPU in the kernel (socket calls): %.3f s (%.1f%%)\n", ourSystem,
                100 * ourSystem / ourSeconds);
    std::printf("  the rest, waiting for the server: %.3f s (%.1f%%)\n", ourSeconds - ourUser - ourSystem,
                100 * (ourSeconds - ourUser - ourSystem) / ourSeconds);
    std::printf("memory: resident %.1f MiB before, %.1f MiB after the first run, %.1f MiB after the "
                "second; peak %.1f MiB\n",
                residentBefore, residentAfterFirst, residentAfterSecond, PeakResidentMB());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "script_bench: %s\n", ErrorBoxMessage(e).c_str());
    return 1;
}
