#pragma once

#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"
#include "Dabrix/UniScript.h"
#include "Setup/AdministratorRights.h"
#include "Setup/InstallationLog.h"
#include "Setup/InstallationOutcome.h"
#include "Setup/InstallerHost.h"
#include "Setup/TenantLock.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// How the last run ended.
enum class TInstallationResult {
    NotRun,      // nothing was started yet
    Refused,     // the input, or the administrator's rights, did not suffice; nothing changed
    Declined,    // the tenant exists and the user did not confirm replacing it; nothing changed
    Stopped,     // a step raised and ended the run (a login given up, too)
    Installed,   // every step ran and nothing failed unexpectedly
    Incomplete,  // every step ran, but statements or guarded steps failed
    Interrupted, // a signal ended the run (EInterrupted)
};

// The installation of one tenant: its role, database, schema, value lists and tenant row, made by
// one press of the window's button. Holds the components the installation works with, created with
// the values the setup stores for them. The statement templates are patched in place; the drop of
// step 10 is loaded from its template at every run, so a second press behaves like the first.
//
// Nothing on the server changes before the input is checked, the cluster can take the tenant's
// database and, when the tenant's database or role exists already, the user has confirmed that it
// is replaced. From the check whether the tenant exists to the end, the run holds the tenant's
// lock on the server, so that a second run for the same tenant changes nothing; and it never
// builds into a role or database it did not create. Every run is recorded in the installation log.
//
// A superuser administrator gets the tenant role the template makes, a superuser, unless the host
// asks for an isolated one; an administrator without superuser rights can make only an isolated
// tenant (TTenantRoleKind), and nothing changes when its rights do not suffice for that.
class TInstallation {
public:
    // The host supplies the input and shows progress and messages; loginDialog asks for the
    // administrative login. Both must outlive the installation.
    TInstallation(TInstallerHost& host, TCustomConnectDialog& loginDialog);
    TInstallation(const TInstallation&) = delete;
    TInstallation& operator=(const TInstallation&) = delete;

    // The whole installation: checks the input, asks for the administrative login, asks before an
    // existing tenant is replaced and runs the steps while the progress value counts from 0 to
    // 100, then names the new database, or says that the run finished with errors. A step without
    // a guard that fails raises its exception and ends the run; EAbort is a login given up, and
    // EInterrupted a signal, after which nothing more is sent.
    void Button1Click();

    // Shows both connections' statements to observer as they are sent, and what a dry run keeps
    // back; none by default. The observer must outlive the installation or be taken away first.
    void SetStatementObserver(TStatementObserver* observer);
    // A dry run: the administrator logs on and the reads that decide the run (rights, the cluster,
    // whether the tenant exists, its lock) go to the server, while every statement that would
    // change something, and the tenant's log-on, only reach the observer. The log and the final
    // message say that nothing was changed; a finished dry run counts as Installed.
    void SetDryRun(bool dryRun);
    bool DryRun() const { return dryRun_; }

    TInstallationResult Result() const { return result_; }
    // After an interrupted run: the signal, how far the run got, what it left on the server and
    // how to repair it, in one line.
    const std::string& Interruption() const { return interruption_; }
    const TInstallationLog& Log() const { return log_; }
    // The kind of tenant role the last run chose; none before it knew the administrator's rights.
    std::optional<TTenantRoleKind> TenantRoleKind() const {
        return rights_ ? std::optional(tenantRoleKind_) : std::nullopt;
    }

    // The components, as the window holds them. The provider comes first: it must be registered
    // before a connection asks for it.
    TPostgreSQLUniProvider PostgreSQLUniProvider1;
    TUniConnection UniConnection1; // administrative
    TUniConnection UniConnection2; // tenant
    TUniScript UniScriptDropDatabase;
    TUniScript UniScriptUser;
    TUniScript UniScriptDB;
    TUniScript UniScriptCreateSchema;
    TUniScript UniScriptStruktur;
    TUniScript UniScriptOwnerGrants;
    TUniScript UniScriptWerteListe;
    TUniQuery q_insertMandant{"q_insertMandant"};
    TUniScript UniScriptMandantWerteliste;

private:
    void Run();
    // Learns the administrator's rights and chooses the kind of the tenant role; false, after a
    // warning, when the administrator cannot make that kind.
    bool ChooseTenantRoleKind();
    // Whether the run may go on: the tenant is new, or the user confirmed replacing it.
    bool MayReplaceExistingTenant();
    // Sends each script's failed statements through the installation's judgement.
    void WatchFailures();
    void Watch(TUniScript& script);
    // Runs statements of the run's own, judged as the scripts' are; nothing when there are none.
    void RunStatements(TUniConnection& connection, const std::vector<std::string>& statements);
    // The application roles an isolated tenant role was made a member of; none for a superuser.
    std::vector<std::string> ApplicationRolesOfTenant() const;
    void OnStatementError(const std::exception& error, const std::string& sql, TErrorAction& action);
    // The drop of step 10: "does not exist" is the expected answer on a new server; any other
    // failure ends the run before anything else changes.
    void Drop(const std::string& sql, std::string_view notThereState, const std::string& what);
    // CREATE USER and CREATE DATABASE: a failure of the creation ends the run, since every later
    // step would work in a role or database this run did not make. The other statements of script
    // are judged as usual.
    void Create(TUniScript& script, const std::string& what);
    void DropOldTenant();
    void CreateTenantRole();
    void CreateTenantDatabase();
    // Gives the tenant connection the administrative connection's TLS settings and application name.
    void FollowAdministratorConnection();
    // Stops the run when the tenant database inherited a schema trevix from template1, after
    // dropping the database and the role the run made.
    [[noreturn]] void RefuseInheritedSchemaTrevix(const std::string& tenant);
    void UndoTenantCreation(const std::string& tenant);
    void CreateTenantStructure();
    void InsertValueLists();
    void InsertTenantRow();
    void InsertTenantValueLists();
    // Names the release in the comment on the tenant's database, once every step has run.
    void StampRelease(const std::string& database);

    // The step bound to a progress value, if any.
    void RunStep(int progress);
    // Runs a step that may fail without ending the installation: a failure shows the warning.
    template <class Step>
    void WithWarning(const char* warning, Step step);

    TInstallerHost& host_;
    TCustomConnectDialog& loginDialog_; // the window's UniConnectDialog1
    TInstallationLog log_;
    TInstallationOutcome outcome_;
    TInstallationResult result_ = TInstallationResult::NotRun;
    std::optional<TTenantLock> tenantLock_; // held while a run goes on
    // The UTF-8 locale the database is made from template0 with, on a cluster whose template1 is not
    // UTF-8.
    std::optional<std::string> template0Locale_;
    bool replacesTenant_ = false; // whether the tenant's database or role existed before the run
    std::optional<TAdministratorRights> rights_; // read after the login of each run
    TTenantRoleKind tenantRoleKind_ = TTenantRoleKind::Superuser;
    // The administrative session's password_encryption: the kind of verifier the role's password
    // is sent as.
    std::string passwordEncryption_;
    int progress_ = 0;
    TStepReached stepReached_;
    std::string interruption_;
    bool connectionLossReported_ = false;
    bool dryRun_ = false;
};

} // namespace velmora
