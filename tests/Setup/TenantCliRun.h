#pragma once

#include "support/Process.h"
#include "support/StateHome.h"

#include <map>
#include <string>
#include <vector>

namespace velmora::test {

// Where velmora-tenant writes its log in these tests.
const StateHome& TenantStateHome();

// The environment RunTenant gives the program.
std::vector<std::string> TenantEnvironment(const std::map<std::string, std::string>& overrides = {});

// Runs velmora-tenant with arguments (the subcommand first) and exactly this environment: the
// sandbox's server and superuser with PGPASSWORD and without a password file, the log in
// TenantStateHome(); entries of overrides replace or add to these. stdinText is its standard input, which is
// no terminal.
ProcessResult RunTenant(const std::vector<std::string>& arguments, const std::string& stdinText = {},
                        const std::map<std::string, std::string>& overrides = {});

} // namespace velmora::test
