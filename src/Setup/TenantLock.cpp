#include "Setup/TenantLock.h"

#include "Common/Exceptions.h"
#include "Setup/TenantInput.h"

namespace velmora {
namespace {

// The lock's two keys: the first, "velm" in ASCII, sets the installer's locks apart from those of
// other applications on the server; the second is the server's hash of the tenant's name, so that
// every run on that server computes the same key.
constexpr std::string_view kInstallerKey = "1986358381";

// The name is quoted by the password's literal rule, which keeps any text as it is.
std::string LockCall(std::string_view function, const std::string& tenant) {
    return "SELECT " + std::string(function) + "(" + std::string(kInstallerKey) + ", hashtext(" +
           PasswordLiteral(tenant) + "))";
}

} // namespace

TTenantLock::TTenantLock(TCustomDAConnection& connection, std::string tenant)
    : connection_(connection), tenant_(std::move(tenant)) {
    if (!Take())
        throw EDatabaseError("Der Mandant " + tenant_ +
                             " wird gerade von einer anderen Installation auf diesem Server installiert. "
                             "Diese Installation wurde beendet, ohne etwas zu verändern");
}

TTenantLock::~TTenantLock() {
    if (!connection_.Connected() || connection_.SessionCount() != session_)
        return;
    try {
        connection_.SelectRows(LockCall("pg_advisory_unlock", tenant_));
    } catch (...) {
        // The session failed under the unlock: the server gives its locks back as it ends it.
    }
}

void TTenantLock::Hold() {
    if (connection_.Connected() && connection_.SessionCount() == session_)
        return;
    if (!Take())
        throw EDatabaseError(
            "Die Verbindung zum Server war unterbrochen, und inzwischen installiert eine andere "
            "Installation den Mandanten " +
            tenant_ + ". Die Installation wurde abgebrochen");
}

bool TTenantLock::Take() {
    const auto rows = connection_.SelectRows(LockCall("pg_try_advisory_lock", tenant_));
    if (rows.size() != 1 || rows.front().front() != "t")
        return false;
    session_ = connection_.SessionCount();
    return true;
}

} // namespace velmora
