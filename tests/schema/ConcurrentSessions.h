#pragma once

#include "TenantDatabase.h"

#include <future>
#include <string>

namespace velmora::test {

// Two overlapping sessions on a tenant database, to show that a function makes a second caller wait.
// The first runs a statement in a transaction that it keeps open until another session waits for
// one of its locks (or, when nobody ever does, a few seconds have passed), and then commits.
class ConcurrentSessions {
public:
    explicit ConcurrentSessions(const TenantDatabase& tenant);

    // Starts the first session; returns once its statement has run, the transaction still open.
    std::future<std::string> holdTransactionAfter(const std::string& statement);

    // Runs the statement in a second session while the first holds its transaction.
    std::future<std::string> runWhileHeld(const std::string& statement) const;

private:
    std::string database_;
    std::string holder_;
};

} // namespace velmora::test
