#pragma once

#include "Setup/InstallationLog.h"
#include "Setup/tenant/AdminSession.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::tenant {

struct TRemovalOptions {
    bool force = false;  // sessions on the tenant's database or of its role are ended
    bool dryRun = false; // the statements are shown, nothing is sent that changes anything
};

enum class TRemovalResult {
    Removed,    // the database and the role are gone
    Refused,    // an unfit code, no such tenant, a database that is no tenant, sessions; nothing changed
    Declined,   // the user did not confirm; nothing changed
    DryRun,     // the statements were shown; nothing changed
    Stopped,    // dropping the database failed; nothing changed
    Incomplete, // the database is gone, the role could not be dropped
};

// What a removal did or would do.
struct TRemovalReport {
    std::string tenant;   // upper case
    std::string database; // the database and the role share the lower-case code
    TRemovalResult result = TRemovalResult::Refused;
    int exitStatus = 2;
    bool databaseDropped = false;
    bool roleDropped = false;
    int sessionsEnded = 0;
    std::vector<std::string> statements; // that change something, in order
    std::string reason;                  // why the removal was refused or stopped
};

// Removes a tenant: its database with all data, then its role. Before anything changes it takes the
// tenant's lock (no installation of the same tenant runs meanwhile), learns what exists, refuses a
// database that holds no trevix.mandant (no tenant: never dropped), refuses while sessions are
// connected to the database or logged on as the role unless forced (then they are ended), and asks
// for confirmation. A failed drop of the database stops the removal before the role is touched.
// Every removal is recorded in the installation log.
class TTenantRemoval {
public:
    // Asks whether to go on; false declines.
    using TConfirm = std::function<bool(const std::string& question)>;

    // Progress goes to text, warnings to errors. The session must outlive the removal.
    TTenantRemoval(TAdminSession& session, std::ostream& text, std::ostream& errors);

    TRemovalReport Run(const std::string& tenantCode, const TRemovalOptions& options,
                       const TConfirm& confirm);

    const TInstallationLog& Log() const { return log_; }

private:
    struct TSession {
        std::string pid;
        std::string user;
        std::string database;
        std::string application;
    };
    // What exists of the tenant: its database, its role, sessions of either.
    struct TFound {
        bool database;
        bool role;
        std::vector<TSession> sessions;
    };

    // Why the tenant cannot be removed as it stands; none when it can.
    std::optional<std::string> Refusal(const std::vector<TSession>& sessions, const TRemovalOptions& options,
                                       bool databaseExists, bool roleExists);
    std::vector<TSession> Sessions();
    std::vector<std::string> Statements(const TFound& found) const;
    void Carry(TRemovalReport& report, const TFound& found);
    TRemovalReport& Finish(TRemovalReport& report, TRemovalResult result, const std::string& outcome);

    TAdminSession& session_;
    std::ostream& text_;
    std::ostream& errors_;
    TInstallationLog log_;
    std::string database_;
};

} // namespace velmora::tenant
