#include "Setup/TenantLock.h"

#include "Common/Exceptions.h"
#include "Dabrix/UniScript.h"
#include "Setup/TenantInput.h"

namespace velmora {
namespace {

// The lock's two keys: the first, "velm" in ASCII, sets the installer's locks apart from those of
// other applications on the server; the second is the server's hash of the tenant's name, so that
// every run on that server computes the same key.
constexpr std::string_view kInstallerKey = "1986358381";

// The name is quoted by the password's literal rule, which keeps any text as it is.
std::string TryLock(const std::string& tenant) {
    return "SELECT pg_try_advisory_xact_lock(" + std::string(kInstallerKey) + ", hashtext(" +
           PasswordLiteral(tenant) + "))";
}

void Run(TUniConnection& session, const std::string& statement) {
    TUniScript script;
    script.SetConnection(&session);
    script.SQL().SetText(statement);
    script.Execute();
}

} // namespace

TTenantLock::TTenantLock(const TUniConnection& administrator, std::string tenant)
    : tenant_(std::move(tenant)) {
    session_.SetProviderName(administrator.ProviderName());
    session_.SetServer(administrator.Server());
    session_.SetPort(administrator.Port());
    session_.SetDatabase(administrator.Database());
    session_.SetUsername(administrator.Username());
    session_.SetPassword(administrator.Password());
    session_.SpecificOptions() = administrator.SpecificOptions();
    session_.SetLoginPrompt(false);
    // An echo shows the lock's statements with the administrator's; a dry run takes the lock for real.
    session_.SetStatementObserver(administrator.StatementObserver());
    if (!Take())
        throw EDatabaseError("Der Mandant " + tenant_ +
                             " wird gerade von einer anderen Installation auf diesem Server installiert. "
                             "Diese Installation wurde beendet, ohne etwas zu verändern");
}

TTenantLock::~TTenantLock() {
    if (!session_.Connected())
        return;
    try {
        Run(session_, "ROLLBACK;");
    } catch (...) {
        // The session failed or the run was interrupted: the server gives the lock back as the
        // session ends.
    }
}

void TTenantLock::Hold() {
    if (Held())
        return;
    if (!Take())
        throw EDatabaseError(
            "Die Verbindung zum Server war unterbrochen, und inzwischen installiert eine andere "
            "Installation den Mandanten " +
            tenant_ + ". Die Installation wurde abgebrochen");
}

bool TTenantLock::Take() {
    session_.Disconnect();
    Run(session_, "BEGIN;");
    sessionCount_ = session_.SessionCount();
    // The transaction stays open while the run goes on: a time limit for idle transactions that the
    // role or database sets would end it (the setting is unknown to servers before 9.6).
    session_.SelectRows("SELECT set_config(name, '0', true) FROM pg_settings "
                        "WHERE name = 'idle_in_transaction_session_timeout'");
    const auto rows = session_.SelectRows(TryLock(tenant_));
    return rows.size() == 1 && rows.front().front() == "t" && session_.SessionCount() == sessionCount_;
}

bool TTenantLock::Held() {
    if (!session_.Connected() || session_.SessionCount() != sessionCount_)
        return false;
    try {
        // The transaction holds it already, so this only asks whether the transaction is still there.
        const auto rows = session_.SelectRows(TryLock(tenant_));
        return rows.size() == 1 && rows.front().front() == "t" && session_.SessionCount() == sessionCount_;
    } catch (const EDatabaseError&) {
        return false; // the session is lost, and the lock with it
    }
}

} // namespace velmora
