#include "support/Sandbox.h"

#include "support/TempFile.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::test {
namespace {

SandboxEnv readSandbox() {
    const char* path = std::getenv("VELMORA_SANDBOX_ENV");
    if (path == nullptr)
        throw std::runtime_error("VELMORA_SANDBOX_ENV is not set: run pg tests through ctest");
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error(std::string("no PostgreSQL sandbox running (missing ") + path + ")");
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(file, line);) {
        if (auto eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return {values["PGHOST"], values["PGPORT"], values["PGUSER"], values["PGPASSWORD"]};
}

} // namespace

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

PsqlResult psql(const std::string& database, const std::vector<std::string>& args,
                const std::string& stdinText) {
    const SandboxEnv& env = sandbox();
    TempFile input, output, errors;
    std::ofstream(input.path(), std::ios::binary) << stdinText;

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        setenv("PGHOST", env.host.c_str(), 1);
        setenv("PGPORT", env.port.c_str(), 1);
        setenv("PGUSER", env.user.c_str(), 1);
        setenv("PGPASSWORD", env.password.c_str(), 1);
        std::vector<std::string> argv{"psql", "-X", "-q", "-A", "-t", "-d", database};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargs;
        for (auto& a : argv)
            cargs.push_back(a.data());
        cargs.push_back(nullptr);
        if (!freopen(input.path().c_str(), "rb", stdin) || !freopen(output.path().c_str(), "wb", stdout) ||
            !freopen(errors.path().c_str(), "wb", stderr))
            _exit(127);
        execvp("psql", cargs.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream out(output.path(), std::ios::binary), err(errors.path(), std::ios::binary);
    std::stringstream outText, errText;
    outText << out.rdbuf();
    errText << err.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, outText.str(), errText.str()};
}

} // namespace velmora::test
