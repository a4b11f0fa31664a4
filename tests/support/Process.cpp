#include "support/Process.h"

#include "support/TempFile.h"

#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::test {
namespace {

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& stdinText) {
    TempFile input(stdinText), output, errors;
    std::vector<std::string> args = argv, env = environment;
    const std::vector<char*> argPointers = NullTerminated(args), envPointers = NullTerminated(env);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!freopen(input.path().c_str(), "rb", stdin) || !freopen(output.path().c_str(), "wb", stdout) ||
            !freopen(errors.path().c_str(), "wb", stderr))
            _exit(127);
        execvpe(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.content(), errors.content()};
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& entries) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        bool replaced = false;
        for (const auto& added : entries)
            replaced = replaced || NameOf(added) == NameOf(entry);
        if (!replaced)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), entries.begin(), entries.end());
    return environment;
}

} // namespace velmora::test
