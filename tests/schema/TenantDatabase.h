#pragma once

#include "support/Sandbox.h"

#include <map>
#include <string>
#include <vector>

namespace velmora::test {

// The schema scripts as they lie in the source tree.
std::string structureScript();
std::string ownerGrantScript();
std::string valueListScript();

// What a SELECT on each view of schema trevix gave over one connection (a libpq connection
// string): how many views there are, and for each view that failed its name and the server's error.
struct ViewReads {
    int views = 0;
    std::vector<std::string> failures;
};
ViewReads readEveryView(const std::string& connection);

// One line of a text file, counted from 1.
std::string lineOf(const std::string& path, int number);

struct ScriptError {
    std::string file;
    int line; // where the failed statement ends
    std::string message;
};

// What psql reported for a run of scripts with its command tags switched on: the statements that
// succeeded, counted by tag (row counts dropped, so "INSERT 0 1" counts as "INSERT"), and those
// that failed. The one SELECT of the structure script returns an empty string, which psql prints
// as an empty line; it is counted as "(row)".
struct ScriptRun {
    std::map<std::string, int> succeeded;
    std::vector<ScriptError> errors;

    int statements() const;
    int succeededWith(const std::string& tag) const;
};

// A tenant set up the way the installation does it before the structure script runs: a superuser
// login role, a UTF8 database owned by it and the empty schema trevix authorized to it. Everything
// runs as the tenant role. The destructor drops database and role.
class TenantDatabase {
public:
    TenantDatabase();
    ~TenantDatabase();
    TenantDatabase(const TenantDatabase&) = delete;
    TenantDatabase& operator=(const TenantDatabase&) = delete;

    const std::string& role() const { return name_; }

    // The connection string that logs on as the tenant role to the tenant database.
    std::string connection() const;

    // psql as the tenant role on the tenant database, the arguments appended.
    PsqlResult psqlAsTenant(const std::vector<std::string>& args) const;

    // Runs the script files in order in one session and tallies the outcome; ON_ERROR_STOP stays
    // off, so a failing statement does not stop its script.
    ScriptRun runScripts(const std::vector<std::string>& paths) const;

    // One statement, expected to succeed; returns what it printed (unaligned, tuples only).
    std::string query(const std::string& sql) const;

    // One statement, expected to fail; returns the server's error text (empty if it succeeded).
    std::string failure(const std::string& sql) const;

private:
    std::string name_;
    std::string password_;
};

// The roles qz7k and trevix, to which the structure script hands some of its objects, created as
// plain roles without superuser rights, the way a server normally has them. They are
// global to the cluster, so every test that installs the script holds the CTest resource lock
// roles_qz7k_trevix. Drop the tenant databases before these roles (declare the roles first).
class ApplicationRoles {
public:
    ApplicationRoles();
    ~ApplicationRoles();
    ApplicationRoles(const ApplicationRoles&) = delete;
    ApplicationRoles& operator=(const ApplicationRoles&) = delete;

    static int countExisting();
};

} // namespace velmora::test
