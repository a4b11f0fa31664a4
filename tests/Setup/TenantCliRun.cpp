#include "TenantCliRun.h"

#include "support/Sandbox.h"

namespace velmora::test {

const StateHome& TenantStateHome() {
    static const StateHome home;
    return home;
}

std::vector<std::string> TenantEnvironment(const std::map<std::string, std::string>& overrides) {
    const SandboxEnv& sandboxEnv = sandbox();
    std::map<std::string, std::string> variables{{"PGHOST", sandboxEnv.host},
                                                 {"PGPORT", sandboxEnv.port},
                                                 {"PGUSER", sandboxEnv.user},
                                                 {"PGDATABASE", "postgres"},
                                                 {"PGPASSWORD", sandboxEnv.password},
                                                 {"PGPASSFILE", "/nonexistent/.pgpass"},
                                                 {"XDG_STATE_HOME", TenantStateHome().path()}};
    for (const auto& [name, value] : overrides)
        variables[name] = value;
    std::vector<std::string> environment;
    for (const auto& [name, value] : variables)
        environment.push_back(name + "=" + value);
    return environment;
}

ProcessResult RunTenant(const std::vector<std::string>& arguments, const std::string& stdinText,
                        const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> argv{VELMORA_TENANT};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv, TenantEnvironment(overrides), stdinText);
}

} // namespace velmora::test
