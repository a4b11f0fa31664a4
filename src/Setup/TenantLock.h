#pragma once

#include "Dabrix/Uni.h"

#include <cstdint>
#include <string>

namespace velmora {

// One run per tenant on a server: from the check whether the tenant exists to the end of the run, a
// session of the lock's own holds an advisory lock named by the tenant, so that a second run for the
// same tenant stops before it changes anything.
//
// The lock is a transaction's, and the session keeps that transaction open for as long as the lock
// lives: a connection pooler in transaction mode gives a client in a transaction the same server
// session until the transaction ends, whereas a session's lock would stay behind on a server session
// the pooler hands to other clients, and refuse later runs of the tenant. The administrative
// connection itself cannot hold such a transaction: CREATE DATABASE runs outside of one. When the
// lock's session ends, the server ends the transaction and gives the lock back with it.
class TTenantLock {
public:
    // Takes the lock for tenant (the lower-case tenant code) on a session of its own, logged on as
    // the administrative connection administrator is; raises EDatabaseError when another run holds
    // it.
    TTenantLock(const TUniConnection& administrator, std::string tenant);
    // Ends the transaction, which gives the lock back at once; the session closes after it.
    ~TTenantLock();
    TTenantLock(const TTenantLock&) = delete;
    TTenantLock& operator=(const TTenantLock&) = delete;

    // Makes sure the lock is still held; when its session was lost, takes it anew on another one and
    // raises EDatabaseError when another run holds it by now.
    void Hold();

    // The session that holds the lock.
    TUniConnection& Session() { return session_; }

private:
    // Whether a new session of the lock could take it.
    bool Take();
    // Whether the session that took the lock is still open and holds it.
    bool Held();

    TUniConnection session_;
    std::string tenant_;
    std::uint64_t sessionCount_ = 0; // the session that took the lock, as the connection counts them
};

} // namespace velmora
