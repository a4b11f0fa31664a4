#pragma once

#include "support/Process.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Where the test run's PostgreSQL sandbox listens, and its superuser.
struct SandboxEnv {
    std::string host;
    std::string port;
    std::string user;
    std::string password;
    std::string sslRootCert; // the CA of the server's certificate
    std::string socketDir;   // where the server's local socket lies
    std::string clientCert;  // a certificate for the role auth_cert, and its key
    std::string clientKey;
};

// The sandbox of this test run, read once from the file the fixture wrote. Throws when the test
// was started without the fixture, so that a pg test fails instead of skipping.
const SandboxEnv& sandbox();
// A sandbox another fixture started, from the file it wrote; throws when there is none.
SandboxEnv sandboxAt(const std::string& envFile);

// A lower-case name, unique across processes and calls, for a database or role of one test.
std::string uniqueName(std::string_view prefix);

// This process's environment with the PG variables that reach the sandbox as its superuser, for
// the server's own client programs.
std::vector<std::string> sandboxEnvironment();

using PsqlResult = ProcessResult;

// Runs psql (unaligned, tuples only, no psqlrc) as the sandbox superuser on the given database;
// args are appended, e.g. {"-c", sql}, {"-f", path} or {"-v", "ON_ERROR_STOP=1"}.
PsqlResult psql(const std::string& database, const std::vector<std::string>& args,
                const std::string& stdinText = {});
// The same on the server of another sandbox.
PsqlResult psql(const SandboxEnv& env, const std::string& database, const std::vector<std::string>& args);

// The answer of one statement run by psql as the sandbox superuser, without its last line break;
// a statement the server refuses throws, so that a test never reads an error as a value.
std::string Superuser(const std::string& database, const std::string& sql);

// Drops a database of the sandbox if it exists, ending the sessions still connected to it first.
void DropDatabase(const std::string& name);

} // namespace velmora::test
