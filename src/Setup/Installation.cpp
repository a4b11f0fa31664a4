#include "Setup/Installation.h"

#include "Common/ExceptionHandler.h"
#include "Common/Interrupt.h"
#include "Common/ScopeExit.h"
#include "PostgreSql/PgAuth.h"
#include "PostgreSql/PgSqlState.h"
#include "Setup/ClusterChecks.h"
#include "Setup/ReleaseStamp.h"
#include "Setup/SchemaScripts.h"
#include "Setup/StatementTemplates.h"
#include "Setup/TenantInput.h"

#include <algorithm>
#include <utility>

namespace velmora {
namespace {

const std::vector<std::string> kConnectionOptions{"PostgreSQL.UseUnicode=True", "PostgreSQL.Schema=trevix",
                                                  "PostgreSQL.Charset=utf8"};
// Encrypted whenever the server offers it: the tenant's password travels in CREATE USER.
const std::string kPreferTls = "PostgreSQL.SSLMode=smPrefer";

void Bind(TUniScript& script, TUniConnection& connection, std::span<const std::string_view> stored) {
    script.SetConnection(&connection);
    LoadTemplate(script.SQL(), stored);
}

void Bind(TUniScript& script, TUniConnection& connection, std::string_view text) {
    script.SetConnection(&connection);
    script.SQL().SetText(text);
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Describe(const TStatementFailure& failure) {
    return "[" + (failure.sqlState.empty() ? std::string("-----") : failure.sqlState) + "] " +
           failure.message + " | Anweisung: " + failure.firstLine;
}

// The server's password_encryption, which says what kind of verifier it expects for a password.
std::string PasswordEncryption(TUniConnection& admin) {
    const auto rows = admin.SelectRows("SHOW password_encryption");
    if (rows.size() != 1 || rows.front().size() != 1)
        throw EDatabaseError("Unexpected server response to SHOW password_encryption");
    return rows.front().front();
}

const char* StepName(int progress) {
    switch (progress) {
    case 10:
        return "alte Datenbank und Rolle löschen";
    case 20:
        return "Rolle anlegen";
    case 30:
        return "Datenbank und Schema anlegen";
    case 50:
        return "Struktur anlegen";
    case 70:
        return "Wertelisten einfügen";
    case 80:
        return "Mandantenzeile einfügen";
    case 90:
        return "Wertelisten des Mandanten einfügen";
    default:
        return nullptr;
    }
}

} // namespace

TInstallation::TInstallation(TInstallerHost& host, TCustomConnectDialog& loginDialog)
    : host_(host), loginDialog_(loginDialog) {
    UniConnection1.SetProviderName("PostgreSQL");
    UniConnection1.SetServer("localhost");
    UniConnection1.SetUsername("NAME");
    UniConnection1.SpecificOptions() = kConnectionOptions;
    UniConnection1.SpecificOptions().push_back(kPreferTls);

    // The tenant connection is pointed at the new tenant at step 30 and never prompts.
    UniConnection2.SetProviderName("PostgreSQL");
    UniConnection2.SetServer("localhost");
    UniConnection2.SetPort(5432);
    UniConnection2.SetDatabase(LowerTenantCode(kSampleTenantCode));
    UniConnection2.SetUsername(LowerTenantCode(kSampleTenantCode));
    UniConnection2.SetPassword("geheim");
    UniConnection2.SetLoginPrompt(false);
    UniConnection2.SpecificOptions() = {kConnectionOptions[2], kConnectionOptions[1], kConnectionOptions[0],
                                        kPreferTls};

    Bind(UniScriptDropDatabase, UniConnection1, kDropDatabaseTemplate);
    Bind(UniScriptUser, UniConnection1, kUserTemplate);
    Bind(UniScriptDB, UniConnection1, kDatabaseTemplate);
    Bind(UniScriptCreateSchema, UniConnection2, kCreateSchemaTemplate);
    Bind(UniScriptStruktur, UniConnection2, StructureScript());
    Bind(UniScriptOwnerGrants, UniConnection2, OwnerGrantScript());
    Bind(UniScriptWerteListe, UniConnection2, ValueListScript());
    Bind(UniScriptMandantWerteliste, UniConnection2, kTenantValueListTemplate);

    q_insertMandant.SetConnection(&UniConnection2);
    LoadTemplate(q_insertMandant.SQL(), kInsertTenantTemplate);
    for (std::size_t i = 0; i < q_insertMandant.Params().Count(); ++i)
        q_insertMandant.Params()[i].SetDataType(TFieldType::ftString);
    q_insertMandant.ParamByName("mandant").SetValue(std::string(kSampleTenantCode));
    WatchFailures();
}

void TInstallation::WatchFailures() {
    // Sent ahead of their answers: on a distant server the round trip, not the server, decides how
    // long an installation takes. The judgement below never stops a run, so nothing is lost by it.
    // The role and the database are created one statement at a time (see Create).
    for (TUniScript* script : {&UniScriptCreateSchema, &UniScriptStruktur, &UniScriptOwnerGrants,
                               &UniScriptWerteListe, &UniScriptMandantWerteliste})
        Watch(*script);
}

void TInstallation::Watch(TUniScript& script) {
    script.SetPipelined(true);
    script.OnError = [this](TDAScript&, const std::exception& error, const std::string& sql,
                            TErrorAction& action) { OnStatementError(error, sql, action); };
}

void TInstallation::RunStatements(TUniConnection& connection, const std::vector<std::string>& statements) {
    if (statements.empty())
        return;
    std::string text;
    for (const std::string& statement : statements)
        text += statement + ";\n";
    TUniScript script;
    Bind(script, connection, text);
    Watch(script);
    script.Execute();
}

void TInstallation::SetStatementObserver(TStatementObserver* observer) {
    UniConnection1.SetStatementObserver(observer);
    UniConnection2.SetStatementObserver(observer);
}

void TInstallation::SetDryRun(bool dryRun) {
    dryRun_ = dryRun;
    UniConnection1.SetDryRun(dryRun);
    UniConnection2.SetDryRun(dryRun);
}

void TInstallation::Button1Click() {
    outcome_ = {};
    outcome_.SetDryRun(dryRun_);
    connectionLossReported_ = false;
    result_ = TInstallationResult::Stopped;
    log_.BeginRun();
    progress_ = 0;
    stepReached_ = {};
    interruption_.clear();
    log_.Write("Mandant " + host_.TenantCode() +
               (dryRun_ ? ": Probelauf beginnt: Anweisungen, die etwas verändern würden, werden nur angezeigt"
                        : ": Installation beginnt"));
    if (auto refusal = InputRefusal(host_.TenantCode(), host_.TenantPassword(), host_.MasterData())) {
        log_.Write("Eingabe abgelehnt: " + *refusal);
        result_ = TInstallationResult::Refused;
        host_.ShowWarning(*refusal);
        return;
    }
    try {
        Run();
    } catch (const EInterrupted& e) {
        result_ = TInstallationResult::Interrupted;
        interruption_ =
            InterruptionText(e.Signal(), progress_, LowerTenantCode(host_.TenantCode()), stepReached_);
        log_.Write("Ergebnis: " + interruption_);
        throw;
    } catch (const EAbort&) {
        log_.Write("Ergebnis: Anmeldung aufgegeben, Installation beendet");
        throw;
    } catch (const std::exception& e) {
        log_.Write("Ergebnis: Installation abgebrochen: " + ErrorBoxMessage(e));
        throw;
    }
}

void TInstallation::Run() {
    // The tenant session of an earlier run in this window would keep its database from being dropped.
    UniConnection2.Disconnect();
    UniConnection1.SetConnectDialog(&loginDialog_);
    // A login given up is not the end: reading the administrator's rights asks again.
    loginDialog_.Execute();
    if (!ChooseTenantRoleKind()) {
        result_ = TInstallationResult::Refused;
        host_.SetProgress(0);
        return;
    }
    const TScopeExit unlock([this]() noexcept { tenantLock_.reset(); });
    tenantLock_.emplace(UniConnection1, LowerTenantCode(host_.TenantCode()));
    template0Locale_ = TClusterChecks(UniConnection1).Run();
    if (template0Locale_)
        log_.Write("Die Vorlage template1 ist nicht UTF-8: die Datenbank wird aus template0 mit der Locale " +
                   *template0Locale_ + " angelegt");
    passwordEncryption_ = PasswordEncryption(UniConnection1);
    if (!MayReplaceExistingTenant()) {
        log_.Write("Ergebnis: Ersetzen nicht bestätigt, nichts verändert");
        result_ = TInstallationResult::Declined;
        host_.SetProgress(0);
        return;
    }
    for (int progress = 0; progress <= 100; ++progress) {
        ThrowIfInterrupted();
        progress_ = progress;
        host_.SetProgress(progress);
        if (const char* step = StepName(progress)) {
            log_.Write("Schritt " + std::to_string(progress) + " %: " + step);
            stepReached_ = {progress, false};
            RunStep(progress);
            stepReached_.finished = true;
        }
    }
    const std::string database = LowerTenantCode(host_.TenantCode());
    StampRelease(database);
    const std::string message = outcome_.FinalMessage(database, log_.File());
    result_ = outcome_.Complete() ? TInstallationResult::Installed : TInstallationResult::Incomplete;
    log_.Write("Ergebnis: " + message);
    if (outcome_.Complete())
        host_.ShowInformation(message);
    else
        host_.ShowWarning(message);
}

bool TInstallation::ChooseTenantRoleKind() {
    rights_ = TAdministratorRights::Read(UniConnection1);
    host_.SetIsolatedTenantForced(
        rights_->Superuser()
            ? std::nullopt
            : std::optional<std::string>("Der angemeldete Benutzer ist kein Superuser: der Mandant wird ohne "
                                         "Superuser-Rechte angelegt"));
    tenantRoleKind_ = rights_->TenantRoleKind(host_.IsolatedTenantRequested());
    outcome_.SetTenantRoleKind(tenantRoleKind_);
    log_.Write(std::string("Administrator: ") + (rights_->Superuser() ? "Superuser" : "kein Superuser") +
               ", Serverversion " + std::to_string(rights_->ServerVersion()) + "; " +
               TenantRoleNote(tenantRoleKind_, LowerTenantCode(host_.TenantCode())));
    if (tenantRoleKind_ == TTenantRoleKind::Superuser)
        return true;
    const auto refusal = rights_->IsolatedTenantRefusal();
    if (!refusal)
        return true;
    log_.Write("Ergebnis: abgelehnt, nichts verändert: " + *refusal);
    host_.ShowWarning(*refusal);
    return false;
}

std::vector<std::string> TInstallation::ApplicationRolesOfTenant() const {
    if (tenantRoleKind_ == TTenantRoleKind::Superuser)
        return {};
    return rights_->GrantableApplicationRoles();
}

bool TInstallation::MayReplaceExistingTenant() {
    const std::string tenant = LowerTenantCode(host_.TenantCode());
    const bool databaseExists = Contains(UniConnection1.GetDatabaseNames(), tenant);
    const bool roleExists = Contains(UniConnection1.GetRoleNames(), tenant);
    const std::string loginDatabase =
        UniConnection1.Database().empty() ? UniConnection1.Username() : UniConnection1.Database();
    const TPgServerAddress server = PgConnectedServer(UniConnection1);
    log_.Write("Server " + (server.Host.empty() ? server.HostAddr : server.Host) + ":" +
               std::to_string(server.Port) + ", Benutzer " + UniConnection1.Username() + ", Datenbank " +
               loginDatabase);
    replacesTenant_ = databaseExists || roleExists;
    if (!replacesTenant_)
        return true;
    log_.Write(std::string("Vorhanden: ") + (databaseExists ? "Datenbank " : "") +
               (roleExists ? "Rolle " : "") + tenant);
    if (databaseExists && loginDatabase == tenant)
        throw EDatabaseError(
            "Die Anmeldung ist mit der Datenbank " + tenant +
            " verbunden, die ersetzt werden soll. Bitte mit einer anderen Datenbank anmelden, "
            "zum Beispiel postgres");
    if (databaseExists)
        return host_.Confirm("Die Datenbank " + tenant +
                             " ist bereits installiert. Soll sie ersetzt werden? Dabei werden alle Daten "
                             "der Datenbank " +
                             tenant + " gelöscht.");
    return host_.Confirm("Die Rolle " + tenant +
                         " ist bereits vorhanden (ohne Datenbank). Soll sie ersetzt werden?");
}

void TInstallation::OnStatementError(const std::exception& error, const std::string& sql,
                                     TErrorAction& action) {
    const TStatementFailure failure = TStatementFailure::Of(error, sql);
    switch (failure.kind) {
    case TStatementFailure::TKind::MissingOwner:
        log_.Write("Übersprungen (Rolle " + failure.newOwner + " fehlt) " + Describe(failure));
        outcome_.CountSkippedOwnership(failure);
        action = TErrorAction::eaContinue;
        return;
    case TStatementFailure::TKind::LostConnection:
        // The next statement opens the connection again. The statements sent ahead of the lost one,
        // and any that find no new connection, fail the same way: the loss is reported once.
        log_.Write("Verbindung verloren " + Describe(failure));
        outcome_.CountFailedStatement();
        action = TErrorAction::eaContinue;
        if (!std::exchange(connectionLossReported_, true))
            HandleApplicationException(EDatabaseError(
                "Die Verbindung zum Server wurde unterbrochen (" + failure.message + "). Die Anweisung \"" +
                failure.firstLine + "\" ist dabei verloren gegangen; die Installation geht weiter."));
        return;
    case TStatementFailure::TKind::RefusedOwner:
        // An isolated tenant keeps what it may not hand away; a superuser tenant may hand anything.
        if (tenantRoleKind_ == TTenantRoleKind::Isolated) {
            log_.Write("Übersprungen (an Rolle " + failure.newOwner + " nicht erlaubt) " + Describe(failure));
            outcome_.CountSkippedOwnership(failure);
            action = TErrorAction::eaContinue;
            return;
        }
        [[fallthrough]];
    case TStatementFailure::TKind::Unexpected:
        log_.Write("Fehler " + Describe(failure));
        outcome_.CountFailedStatement();
        action = TErrorAction::eaException; // shown as the error policy says, and the run goes on
        return;
    }
}

void TInstallation::RunStep(int progress) {
    switch (progress) {
    case 10:
        DropOldTenant();
        break;
    case 20:
        CreateTenantRole();
        break;
    case 30:
        CreateTenantDatabase();
        break;
    case 50:
        CreateTenantStructure();
        break;
    case 70:
        InsertValueLists();
        break;
    case 80:
        InsertTenantRow();
        break;
    case 90:
        InsertTenantValueLists();
        break;
    default:
        break;
    }
}

void TInstallation::DropOldTenant() {
    tenantLock_->Hold();
    const std::string tenantCode = host_.TenantCode();
    LoadTemplate(UniScriptDropDatabase.SQL(), kDropDatabaseTemplate);
    PatchLine(UniScriptDropDatabase.SQL(), 1, tenantCode);
    Drop(UniScriptDropDatabase.SQL().Text(), PgSqlState::InvalidCatalogName,
         "Die Datenbank " + LowerTenantCode(tenantCode));
    // The role goes second: it cannot go while it owns the database.
    Drop("drop user " + tenantCode, PgSqlState::UndefinedObject, "Die Rolle " + LowerTenantCode(tenantCode));
}

void TInstallation::Drop(const std::string& sql, std::string_view notThereState, const std::string& what) {
    std::optional<TStatementFailure> refused;
    UniScriptDropDatabase.OnError = [&](TDAScript&, const std::exception& error, const std::string& statement,
                                        TErrorAction& action) {
        const TStatementFailure failure = TStatementFailure::Of(error, statement);
        log_.Write((failure.sqlState == notThereState ? "Erwartet " : "Fehler ") + Describe(failure));
        if (failure.sqlState == notThereState) {
            action = TErrorAction::eaContinue;
            return;
        }
        refused = failure;
        action = TErrorAction::eaFail;
    };
    const TScopeExit forget([this]() noexcept { UniScriptDropDatabase.OnError = nullptr; });
    UniScriptDropDatabase.SQL().SetText(sql);
    try {
        UniScriptDropDatabase.Execute();
    } catch (const std::exception&) {
        if (!refused)
            throw;
        const std::string why = refused->sqlState == PgSqlState::ObjectInUse
                                    ? ", weil andere Sitzungen mit ihr verbunden sind"
                                    : ": " + refused->message;
        throw EDatabaseError(what + " kann nicht gelöscht werden" + why +
                             ". Die Installation wurde abgebrochen");
    }
}

void TInstallation::Create(TUniScript& script, const std::string& what) {
    std::optional<TStatementFailure> refused;
    script.OnError = [&](TDAScript&, const std::exception& error, const std::string& statement,
                         TErrorAction& action) {
        if (!FirstLineOf(statement).starts_with("CREATE")) {
            OnStatementError(error, statement, action);
            return;
        }
        refused = TStatementFailure::Of(error, statement);
        log_.Write("Fehler " + Describe(*refused));
        action = TErrorAction::eaFail;
    };
    const TScopeExit forget([&script]() noexcept { script.OnError = nullptr; });
    try {
        script.Execute();
    } catch (const std::exception&) {
        if (!refused)
            throw;
        throw EDatabaseError(
            what + " kann nicht angelegt werden: " + refused->message +
            ". Die Installation wurde abgebrochen, damit nichts in eine Rolle oder Datenbank "
            "installiert wird, die sie nicht angelegt hat");
    }
}

void TInstallation::CreateTenantRole() {
    tenantLock_->Hold();
    const std::string role = LowerTenantCode(host_.TenantCode());
    TStringList& lines = UniScriptUser.SQL();
    LoadTemplate(lines, tenantRoleKind_ == TTenantRoleKind::Isolated ? std::span(kIsolatedUserTemplate)
                                                                     : std::span(kUserTemplate));
    PatchLine(lines, 1, role);
    // The server stores the verifier as it comes: the password itself never stands in a statement,
    // so no statement log holds it and the login database's encoding cannot change its bytes.
    PatchLine(lines, 10,
              "PASSWORD  '" + PgPasswordVerifier(passwordEncryption_, role, host_.TenantPassword()) + "'");
    Create(UniScriptUser, "Die Rolle " + role);

    // The memberships an isolated tenant needs: the administrator's in it, to hand it its database,
    // and its own in the application roles, to hand them the structure script's objects.
    std::vector<std::string> memberships;
    if (tenantRoleKind_ == TTenantRoleKind::Isolated) {
        if (auto membership = rights_->MembershipInTenant(role))
            memberships.push_back(*membership);
    }
    for (const std::string& applicationRole : ApplicationRolesOfTenant())
        memberships.push_back("GRANT " + applicationRole + " TO " + role);
    RunStatements(UniConnection1, memberships);
}

void TInstallation::CreateTenantDatabase() {
    tenantLock_->Hold();
    const std::string tenant = LowerTenantCode(host_.TenantCode());
    TStringList& lines = UniScriptDB.SQL();
    PatchLine(lines, 1, tenant);
    PatchLine(lines, 3, "OWNER = " + tenant);
    PatchLine(lines, 4, DatabaseEncodingLine(template0Locale_));
    PatchLine(lines, 9, tenant);
    PatchLine(lines, 11, tenant);
    Create(UniScriptDB, "Die Datenbank " + tenant);

    UniConnection2.Disconnect();
    FollowAdministratorConnection();
    UniConnection2.SetDatabase(tenant);
    UniConnection2.SetUsername(tenant);
    UniConnection2.SetPassword(host_.TenantPassword());
    UniConnection2.Connect();
    // A dry run has no new database to look into.
    if (!template0Locale_ && !dryRun_ && InheritedSchemaTrevix(UniConnection2))
        RefuseInheritedSchemaTrevix(tenant);
    // Other tenants share the application roles with this one: only its own role may connect.
    if (tenantRoleKind_ == TTenantRoleKind::Isolated)
        RunStatements(UniConnection2, {"REVOKE ALL ON DATABASE " + tenant + " FROM PUBLIC"});

    PatchLine(UniScriptCreateSchema.SQL(), 3, host_.TenantCode());
    UniScriptCreateSchema.Execute();
}

void TInstallation::RefuseInheritedSchemaTrevix(const std::string& tenant) {
    std::string message = "Die Vorlage template1 enthält ein Schema trevix, das jede neue Datenbank erbt; "
                          "die Struktur des Mandanten ließe sich darin nicht anlegen. Bitte das Schema "
                          "trevix aus template1 entfernen. ";
    try {
        UndoTenantCreation(tenant);
        message += replacesTenant_
                       ? "Der bisherige Mandant " + tenant + " war zu diesem Zeitpunkt schon gelöscht"
                       : std::string("Es wurde nichts verändert");
    } catch (const EDatabaseError& e) {
        message += e.Message();
    }
    throw EDatabaseError(message);
}

void TInstallation::UndoTenantCreation(const std::string& tenant) {
    UniConnection2.Disconnect();
    // The database was made by this run moments ago, and the lock keeps other runs of the tenant
    // out: the only session on it is this run's own, which a connection pooler keeps open after the
    // connection has closed, and which would keep the database from being dropped.
    try {
        UniConnection1.SelectRows("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = " +
                                  PasswordLiteral(tenant));
    } catch (const EDatabaseError& e) {
        log_.Write("Sitzungen auf der Datenbank " + tenant + " nicht beendet: " + e.Message());
    }
    Drop("drop database " + tenant, PgSqlState::InvalidCatalogName, "Die Datenbank " + tenant);
    Drop("drop user " + tenant, PgSqlState::UndefinedObject, "Die Rolle " + tenant);
}

void TInstallation::FollowAdministratorConnection() {
    // The tenant's password, scripts and row travel to the same server as the administrator's
    // statements: encrypted as the administrator chose, and under the same program name.
    const TPgConnectionOptions administrator = ParsePgConnectionOptions(UniConnection1.SpecificOptions());
    SetPgSSLOptions(UniConnection2, administrator.SSL);
    UniConnection2.SetSpecificOption("ApplicationName", administrator.ApplicationName);
    // Of several servers the one the administrator reached, at the very address: the tenant's
    // database exists there and nowhere else yet.
    const TPgServerAddress server = PgConnectedServer(UniConnection1);
    UniConnection2.SetServer(server.Host);
    UniConnection2.SetPort(server.Port);
    UniConnection2.SetSpecificOption("HostAddr", server.HostAddr);
}

void TInstallation::CreateTenantStructure() {
    // Only a role that may create in the schema can be handed an object in it; that right is not
    // left to roles other tenants share.
    std::vector<std::string> grants;
    std::vector<std::string> revokes;
    for (const std::string& applicationRole : ApplicationRolesOfTenant()) {
        grants.push_back("GRANT CREATE ON SCHEMA trevix TO " + applicationRole);
        revokes.push_back("REVOKE CREATE ON SCHEMA trevix FROM " + applicationRole);
    }
    RunStatements(UniConnection2, grants);
    UniScriptStruktur.Execute();
    // Objects the script hands to qz7k or trevix must still serve the tenant role.
    UniScriptOwnerGrants.Execute();
    RunStatements(UniConnection2, revokes);
}

template <class Step>
void TInstallation::WithWarning(const char* warning, Step step) {
    try {
        step();
    } catch (const EInterrupted&) {
        throw;
    } catch (const std::exception& e) {
        log_.Write(std::string("Warnung: ") + warning + ": " + ErrorBoxMessage(e));
        outcome_.CountFailedStep();
        host_.ShowWarning(warning);
    }
}

void TInstallation::InsertValueLists() {
    WithWarning("Wertliste nicht installiert", [this] { UniScriptWerteListe.Execute(); });
}

void TInstallation::InsertTenantRow() {
    const TTenantMasterData masterData = host_.MasterData();
    q_insertMandant.ParamByName("mandant").SetAsString(host_.TenantCode());
    q_insertMandant.ParamByName("lizenznehmer").SetAsString(masterData.licensee);
    q_insertMandant.ParamByName("password").SetAsString(host_.TenantPassword());
    q_insertMandant.ParamByName("plz").SetAsString(masterData.postalCode);
    q_insertMandant.ParamByName("ort").SetAsString(masterData.city);
    q_insertMandant.ParamByName("strasse").SetAsString(masterData.street);
    q_insertMandant.Execute();
}

void TInstallation::StampRelease(const std::string& database) {
    ThrowIfInterrupted();
    RunStatements(UniConnection1, {ReleaseStampStatement(database)});
    log_.Write("Release vermerkt: " + ReleaseStamp());
}

void TInstallation::InsertTenantValueLists() {
    WithWarning("Mandatn nicht installiert", [this] {
        PatchTenantValueList(UniScriptMandantWerteliste.SQL(), host_.TenantCode());
        UniScriptMandantWerteliste.Execute();
    });
}

} // namespace velmora
