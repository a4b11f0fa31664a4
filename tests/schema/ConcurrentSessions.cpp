#include "ConcurrentSessions.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace velmora::test {
namespace {

// Keeps the transaction open until a session waits for it, at most five seconds.
const char* const kWaitForBlockedSession =
    "DO $$ BEGIN "
    "FOR attempt IN 1..500 LOOP "
    "EXIT WHEN EXISTS (SELECT 1 FROM pg_stat_activity WHERE pg_backend_pid() = ANY (pg_blocking_pids(pid))); "
    "PERFORM pg_sleep(0.01); "
    "END LOOP; END $$";

std::string outputOf(const PsqlResult& result) {
    if (result.exitCode != 0)
        throw std::runtime_error("session failed: " + result.err);
    std::string out = result.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

} // namespace

ConcurrentSessions::ConcurrentSessions(const TenantDatabase& tenant)
    : database_(tenant.role()), holder_(uniqueName("holder")) {}

std::future<std::string> ConcurrentSessions::holdTransactionAfter(const std::string& statement) {
    const std::string conninfo = "dbname=" + database_ + " application_name=" + holder_;
    auto session = std::async(std::launch::async, [conninfo, statement] {
        return outputOf(psql(conninfo, {"-v", "ON_ERROR_STOP=1", "-c", "BEGIN", "-c", statement, "-c",
                                        kWaitForBlockedSession, "-c", "COMMIT"}));
    });
    const std::string holding = "SELECT count(*) FROM pg_stat_activity WHERE application_name = '" + holder_ +
                                "' AND query LIKE 'DO $$%'";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (outputOf(psql(database_, {"-c", holding})) == "1")
            return session;
        if (session.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready)
            break;
    }
    session.get(); // rethrows the session's failure
    throw std::runtime_error("the first session never held its transaction open");
}

std::future<std::string> ConcurrentSessions::runWhileHeld(const std::string& statement) const {
    const std::string database = database_;
    return std::async(std::launch::async, [database, statement] {
        return outputOf(psql(database, {"-v", "ON_ERROR_STOP=1", "-c", statement}));
    });
}

} // namespace velmora::test
