#include "support/Sandbox.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace velmora::test {
namespace {

SandboxEnv readSandbox() {
    const char* path = std::getenv("VELMORA_SANDBOX_ENV");
    if (path == nullptr)
        throw std::runtime_error("VELMORA_SANDBOX_ENV is not set: run pg tests through ctest");
    return sandboxAt(path);
}

std::vector<std::string> environmentOf(const SandboxEnv& env) {
    return EnvironmentWith(
        {"PGHOST=" + env.host, "PGPORT=" + env.port, "PGUSER=" + env.user, "PGPASSWORD=" + env.password});
}

} // namespace

SandboxEnv sandboxAt(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("no PostgreSQL sandbox running (missing " + path + ")");
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(file, line);) {
        if (auto eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return {values["PGHOST"],
            values["PGPORT"],
            values["PGUSER"],
            values["PGPASSWORD"],
            values["PGSSLROOTCERT"],
            values["PGSANDBOX_SOCKET_DIR"],
            values["PGSANDBOX_CLIENT_CERT"],
            values["PGSANDBOX_CLIENT_KEY"]};
}

const SandboxEnv& sandbox() {
    static const SandboxEnv env = readSandbox();
    return env;
}

std::string uniqueName(std::string_view prefix) {
    static std::atomic<int> counter{0};
    std::ostringstream name;
    name << prefix << '_' << getpid() << '_' << counter++;
    return name.str();
}

std::vector<std::string> sandboxEnvironment() {
    return environmentOf(sandbox());
}

namespace {

PsqlResult runPsql(const std::vector<std::string>& environment, const std::string& database,
                   const std::vector<std::string>& args, const std::string& stdinText) {
    std::vector<std::string> argv{"psql", "-X", "-q", "-A", "-t", "-d", database};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, environment, stdinText);
}

} // namespace

PsqlResult psql(const std::string& database, const std::vector<std::string>& args,
                const std::string& stdinText) {
    return runPsql(sandboxEnvironment(), database, args, stdinText);
}

PsqlResult psql(const SandboxEnv& env, const std::string& database, const std::vector<std::string>& args) {
    return runPsql(environmentOf(env), database, args, {});
}

std::string Superuser(const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(database, {"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error(sql + ": " + result.err);
    return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
}

void DropDatabase(const std::string& name) {
    // Ended by hand rather than by DROP DATABASE ... WITH (FORCE), which servers before 13 lack;
    // the drop waits for the ended sessions to go.
    psql("postgres",
         {"-c", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + name + "'", "-c",
          "DROP DATABASE IF EXISTS " + name});
}

} // namespace velmora::test
