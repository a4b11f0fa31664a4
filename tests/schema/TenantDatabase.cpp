#include "TenantDatabase.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace velmora::test {
namespace {

PsqlResult superuser(const std::vector<std::string>& args) {
    std::vector<std::string> all{"-v", "ON_ERROR_STOP=1"};
    all.insert(all.end(), args.begin(), args.end());
    auto result = psql("postgres", all);
    if (result.exitCode != 0)
        throw std::runtime_error("sandbox set-up failed: " + result.err);
    return result;
}

std::string withoutTrailingNewlines(std::string text) {
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// "INSERT 0 1" -> "INSERT", "DELETE 5" -> "DELETE", "CREATE TABLE" unchanged.
std::string tagWithoutCounts(const std::string& line) {
    static const std::regex counts(R"(( \d+)+$)");
    return std::regex_replace(line, counts, "");
}

} // namespace

std::string structureScript() {
    return std::string(SCHEMA_DIR) + "/structure.sql";
}
std::string ownerGrantScript() {
    return std::string(SCHEMA_DIR) + "/owner_grants.sql";
}
std::string valueListScript() {
    return std::string(SCHEMA_DIR) + "/value_lists.sql";
}

std::string lineOf(const std::string& path, int number) {
    std::ifstream file(path);
    std::string line;
    for (int i = 0; i < number && std::getline(file, line); ++i) {
    }
    return line;
}

ViewReads readEveryView(const std::string& connection) {
    const auto list = psql(connection, {"-v", "ON_ERROR_STOP=1", "-c",
                                        "SELECT relname FROM pg_class WHERE relnamespace = "
                                        "'trevix'::regnamespace AND relkind = 'v' ORDER BY relname"});
    if (list.exitCode != 0)
        throw std::runtime_error("cannot list the views: " + list.err);
    ViewReads reads;
    std::istringstream names(list.out);
    for (std::string view; std::getline(names, view);) {
        ++reads.views;
        // One session per view, so that each error belongs to its view.
        const auto read =
            psql(connection, {"-v", "ON_ERROR_STOP=1", "-c", "SELECT count(*) FROM trevix." + view});
        if (read.exitCode != 0)
            reads.failures.push_back(view + ": " + withoutTrailingNewlines(read.err));
    }
    return reads;
}

int ScriptRun::statements() const {
    int total = static_cast<int>(errors.size());
    for (const auto& [tag, count] : succeeded)
        total += count;
    return total;
}

int ScriptRun::succeededWith(const std::string& tag) const {
    auto found = succeeded.find(tag);
    return found == succeeded.end() ? 0 : found->second;
}

TenantDatabase::TenantDatabase() : name_(uniqueName("tenant")), password_("pw-" + name_) {
    superuser({"-c", "CREATE ROLE " + name_ + " LOGIN SUPERUSER PASSWORD '" + password_ + "'", "-c",
               "CREATE DATABASE " + name_ + " OWNER " + name_ + " ENCODING 'UTF8'"});
    query("CREATE SCHEMA trevix AUTHORIZATION " + name_);
}

TenantDatabase::~TenantDatabase() {
    DropDatabase(name_);
    psql("postgres", {"-c", "DROP ROLE IF EXISTS " + name_});
}

std::string TenantDatabase::connection() const {
    // The connection string overrides the superuser that the sandbox puts into the environment.
    return "dbname=" + name_ + " user=" + name_ + " password=" + password_;
}

PsqlResult TenantDatabase::psqlAsTenant(const std::vector<std::string>& args) const {
    return psql(connection(), args);
}

ScriptRun TenantDatabase::runScripts(const std::vector<std::string>& paths) const {
    std::vector<std::string> args{"-v", "QUIET=off"};
    for (const auto& path : paths) {
        args.push_back("-f");
        args.push_back(path);
    }
    auto result = psqlAsTenant(args);
    if (result.exitCode != 0)
        throw std::runtime_error("psql could not run the scripts: " + result.err);

    ScriptRun run;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);)
        ++run.succeeded[line.empty() ? "(row)" : tagWithoutCounts(line)];
    static const std::regex error(R"(^psql:(.*):(\d+): ERROR:  (.*)$)");
    std::istringstream err(result.err);
    for (std::string line; std::getline(err, line);) {
        std::smatch match;
        if (std::regex_match(line, match, error))
            run.errors.push_back({match[1], std::stoi(match[2]), match[3]});
    }
    return run;
}

std::string TenantDatabase::query(const std::string& sql) const {
    auto result = psqlAsTenant({"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error("statement failed: " + sql + "\n" + result.err);
    return withoutTrailingNewlines(result.out);
}

std::string TenantDatabase::failure(const std::string& sql) const {
    auto result = psqlAsTenant({"-v", "ON_ERROR_STOP=1", "-c", sql});
    return result.exitCode == 0 ? std::string() : result.err;
}

ApplicationRoles::ApplicationRoles() {
    if (countExisting() != 0)
        throw std::runtime_error("the roles qz7k and trevix already exist in the sandbox");
    superuser({"-c", "CREATE ROLE qz7k NOSUPERUSER", "-c", "CREATE ROLE trevix NOSUPERUSER"});
}

ApplicationRoles::~ApplicationRoles() {
    psql("postgres", {"-c", "DROP ROLE IF EXISTS qz7k, trevix"});
}

int ApplicationRoles::countExisting() {
    auto result = superuser({"-c", "SELECT count(*) FROM pg_roles WHERE rolname IN ('qz7k', 'trevix')"});
    return std::stoi(result.out);
}

} // namespace velmora::test
