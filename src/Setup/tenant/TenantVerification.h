#pragma once

#include "Common/Exceptions.h"
#include "Dabrix/Uni.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::tenant {

// A tenant the verification cannot look at: its code is no tenant code, or the server has no
// tenant database of that name. Nothing was changed.
class ETenantNotVerifiable : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// What the verification of one tenant found.
struct TTenantVerificationResult {
    std::string tenant;       // the tenant's database and role
    std::string releaseStamp; // the comment on the tenant's database; empty when it carries none
    // One German line per difference between the tenant and what the installation makes now.
    std::vector<std::string> differences;

    bool Equal() const { return differences.empty(); }
};

// Compares a tenant's database with what the installation makes: the installation's scripts build
// a reference in a scratch database on the same server, run as the tenant role, so that the
// server's version, the roles it has and the tenant role's kind give both the same objects and
// owners; then both catalogues are compared object by object (TCatalogue), the value lists row by
// row (TValueLists) and the tenant role's attributes with the role template of its kind. The
// tenant's own data rows are never read, and nothing of the tenant changes. The scratch database is
// dropped whatever ends the verification.
class TTenantVerification {
public:
    // Another session of the administrator, to the database named.
    using TConnectTo = std::function<std::unique_ptr<TUniConnection>(const std::string& database)>;

    // admin: the administrator's open connection, which makes and drops the scratch database;
    // connectTo opens the administrator's sessions to the tenant's and the scratch database; out:
    // what the verification does, in German, for a person.
    TTenantVerification(TUniConnection& admin, TConnectTo connectTo, std::ostream& out);

    // Raises ETenantNotVerifiable for a code that names no tenant, and the server's errors.
    TTenantVerificationResult Verify(const std::string& tenantCode);

private:
    TUniConnection& admin_;
    TConnectTo connectTo_;
    std::ostream& out_;
};

} // namespace velmora::tenant
