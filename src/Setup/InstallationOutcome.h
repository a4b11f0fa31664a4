#pragma once

#include "Setup/TenantRoleKind.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace velmora {

// A statement the server refused during an installation, as the installation judges it.
struct TStatementFailure {
    enum class TKind {
        // An ownership statement naming a role the server does not have: the object stays with the
        // tenant role, which is complete and works without that role.
        MissingOwner,
        // An ownership statement the executing role may not carry out: a tenant role without
        // superuser rights cannot hand its objects to a role it is no member of. The object stays
        // with the tenant role; whether that was expected depends on the kind of the tenant role.
        RefusedOwner,
        // The session ended under the statement (a restart, a failover, a terminated backend).
        LostConnection,
        // Anything else: the tenant misses what the statement would have made.
        Unexpected,
    };

    TKind kind = TKind::Unexpected;
    std::string sqlState; // empty for a failure of the client itself
    std::string message;  // the server's (or the client's) message
    std::string firstLine;
    std::string newOwner; // for MissingOwner and RefusedOwner

    static TStatementFailure Of(const std::exception& error, std::string_view sql);
};

// The first line of a statement that is neither blank nor a comment line, which names it in messages
// and the log.
std::string FirstLineOf(std::string_view sql);

// The last step a run started (its progress value, 0 before the first) and whether it finished.
struct TStepReached {
    int step = 0;
    bool finished = true;
};

// The outcome of a run that a signal ended at progress: the signal, what the run left of tenant
// on the server after the step it reached, and how to repair it.
std::string InterruptionText(int signal, int progress, const std::string& tenant, TStepReached reached);

// What one run came to: the kind of tenant role it made, the failures that leave the tenant
// incomplete, and the ownership statements skipped on purpose.
class TInstallationOutcome {
public:
    void SetTenantRoleKind(TTenantRoleKind kind) { tenantRoleKind_ = kind; }
    // A dry run, whose final message says that nothing changed.
    void SetDryRun(bool dryRun) { dryRun_ = dryRun; }
    void CountFailedStatement() { ++failedStatements_; }
    void CountFailedStep() { ++failedSteps_; }
    // An ownership statement of a MissingOwner or RefusedOwner failure, skipped.
    void CountSkippedOwnership(const TStatementFailure& failure);

    bool Complete() const { return failedStatements_ == 0 && failedSteps_ == 0; }
    int FailedStatements() const { return failedStatements_; }

    // The window's and the command line's final message for the tenant's database: the success
    // message (a dry run's: that nothing was changed), or that the run finished with errors and how
    // many; then the kind of the tenant role
    // (named like the database), what was skipped, if anything, and where the log is.
    std::string FinalMessage(const std::string& database, const std::filesystem::path& log) const;
    // Why ownership statements were skipped, when some were.
    std::optional<std::string> SkippedNote() const;

private:
    TTenantRoleKind tenantRoleKind_ = TTenantRoleKind::Superuser;
    int failedStatements_ = 0;
    int failedSteps_ = 0;
    bool dryRun_ = false;
    int skippedOwnerships_ = 0;
    std::set<std::string> missingOwners_;
    std::set<std::string> refusedOwners_;
};

} // namespace velmora
