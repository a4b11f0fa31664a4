#pragma once

#include "support/Sandbox.h"

#include <stdexcept>
#include <string>

namespace velmora::test {

// Runs sql through psql as the sandbox superuser and returns its unaligned output; a failure throws.
inline std::string PsqlValue(const std::string& database, const std::string& sql) {
    const PsqlResult result = psql(database, {"-v", "ON_ERROR_STOP=1", "-c", sql});
    if (result.exitCode != 0)
        throw std::runtime_error(sql + ": " + result.err);
    std::string out = result.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

// A database of one test on the sandbox server, created with set-up SQL and dropped with the test.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const std::string& setupSql = {}) : name_(uniqueName("stmt_db")) {
        PsqlValue("postgres", "CREATE DATABASE " + name_);
        if (!setupSql.empty())
            PsqlValue(name_, setupSql);
    }
    ~ScratchDatabase() { DropDatabase(name_); }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }
    // The answer of a query, as psql prints it without alignment.
    std::string Query(const std::string& sql) const { return PsqlValue(name_, sql); }

private:
    std::string name_;
};

} // namespace velmora::test
