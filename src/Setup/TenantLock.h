#pragma once

#include "Common/DBAccess.h"

#include <cstdint>
#include <string>

namespace velmora {

// One run per tenant on a server: the administrative session holds an advisory lock named by the
// tenant from the check whether the tenant exists to the end of the run, so that a second run for
// the same tenant stops before it changes anything.
//
// The server keeps such a lock only as long as the session that took it. When the connection has
// opened a new session since (after a lost connection), Hold takes the lock again before the next
// change, and stops the run when another run holds it by now.
class TTenantLock {
public:
    // Takes the lock for tenant (the lower-case tenant code) on the connection; raises
    // EDatabaseError when another run holds it.
    TTenantLock(TCustomDAConnection& connection, std::string tenant);
    // Gives the lock back while the session that took it is open; a session that ended has given it
    // back already, and no new one is opened for it.
    ~TTenantLock();
    TTenantLock(const TTenantLock&) = delete;
    TTenantLock& operator=(const TTenantLock&) = delete;

    // Makes sure the connection's current session holds the lock; raises EDatabaseError when it had
    // to take it anew and another run holds it.
    void Hold();

private:
    // Whether the current session of the connection could take the lock.
    bool Take();

    TCustomDAConnection& connection_;
    std::string tenant_;
    std::uint64_t session_ = 0; // the connection's session that holds the lock
};

} // namespace velmora
