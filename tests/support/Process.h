#pragma once

#include <string>
#include <vector>

namespace velmora::test {

struct ProcessResult {
    int exitCode; // -1 when the process did not end normally
    std::string out;
    std::string err;
};

// Runs argv[0] (searched on PATH when it has no slash) with exactly this environment and stdinText
// on its standard input, which is no terminal; returns when it has ended.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& stdinText = {});

// This process's environment with the given NAME=value entries added or replaced.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& entries);

} // namespace velmora::test
