#include "Setup/tenant/TenantRemoval.h"

#include "Common/Exceptions.h"
#include "Dabrix/UniSQL.h"
#include "Setup/TenantInput.h"
#include "Setup/TenantLock.h"
#include "Setup/cli/ExitStatus.h"
#include "Setup/tenant/TenantList.h"

#include <algorithm>

namespace velmora::tenant {
namespace {

using TRow = std::vector<std::string>;

// DROP DATABASE ... WITH (FORCE) ends the sessions that connect in between; older servers know
// only the plain drop.
constexpr int kDropDatabaseForce = 130000;

// The lower-case code passed the tenant code rules: letters, digits and underscores only, so it
// stands in statements unquoted and in literals without escaping, as the installation writes it.
std::string Literal(const std::string& name) {
    return "'" + name + "'";
}

void Execute(TUniConnection& connection, const std::string& statement) {
    TUniSQL sql;
    sql.SetConnection(&connection);
    sql.SetParamCheck(false);
    sql.SQL().SetText(statement);
    sql.Execute();
}

int ServerVersion(TUniConnection& connection) {
    const std::vector<TRow> rows = connection.SelectRows("SELECT current_setting('server_version_num')");
    if (rows.size() != 1 || rows.front().empty())
        throw EDatabaseError("Unexpected server response");
    return std::stoi(rows.front().front());
}

int ExitStatus(TRemovalResult result) {
    switch (result) {
    case TRemovalResult::Removed:
    case TRemovalResult::DryRun:
        return cli::kDone;
    case TRemovalResult::Refused:
    case TRemovalResult::Declined:
        return cli::kRefused;
    case TRemovalResult::Stopped:
        return cli::kStopped;
    case TRemovalResult::Incomplete:
        return cli::kIncomplete;
    }
    return cli::kStopped;
}

} // namespace

TTenantRemoval::TTenantRemoval(TAdminSession& session, std::ostream& text, std::ostream& errors)
    : session_(session), text_(text), errors_(errors) {}

TRemovalReport TTenantRemoval::Run(const std::string& tenantCode, const TRemovalOptions& options,
                                   const TConfirm& confirm) {
    TRemovalReport report;
    report.tenant = UpperTenantCode(tenantCode);
    report.database = LowerTenantCode(tenantCode);
    database_ = report.database;
    log_.BeginRun();
    log_.Write("Mandant " + report.tenant + ": Entfernen beginnt" + (options.dryRun ? " (Probelauf)" : ""));
    TUniConnection& admin = session_.Connection();
    log_.Write("Server " + admin.Server() + ":" + std::to_string(admin.Port()) + ", Benutzer " +
               admin.Username());
    if (auto refusal = TenantCodeRefusal(report.tenant)) {
        report.reason = *refusal;
        return Finish(report, TRemovalResult::Refused, "abgelehnt: " + *refusal);
    }

    const TTenantLock lock(admin, database_);
    const std::vector<TRow> exists = admin.SelectRows(
        "SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_database WHERE datname = " + Literal(database_) +
        "), EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = " + Literal(database_) + ")");
    if (exists.size() != 1 || exists.front().size() != 2)
        throw EDatabaseError("Unexpected server response");
    const bool databaseExists = exists.front()[0] == "t";
    const bool roleExists = exists.front()[1] == "t";
    const std::vector<TSession> sessions = Sessions();
    if (auto refusal = Refusal(sessions, options, databaseExists, roleExists)) {
        errors_ << "Warnung: " << *refusal << std::endl;
        report.reason = *refusal;
        return Finish(report, TRemovalResult::Refused, "abgelehnt: " + *refusal);
    }
    report.statements = Statements({databaseExists, roleExists, sessions});
    if (options.dryRun) {
        text_ << "Probelauf: diese Anweisungen würden ausgeführt, nichts wurde verändert:" << std::endl;
        for (const std::string& statement : report.statements)
            text_ << statement << ";" << std::endl;
        return Finish(report, TRemovalResult::DryRun, "Probelauf, nichts verändert");
    }
    const std::string what = databaseExists ? "die Datenbank " + database_ + " mit allen Daten" +
                                                  (roleExists ? " und die Rolle " + database_ : "")
                                            : "die Rolle " + database_ + " (ohne Datenbank)";
    std::string question = "Mandant " + report.tenant + " entfernen: " + what + " löschen?";
    if (!sessions.empty())
        question += " " + std::to_string(sessions.size()) + " angemeldete Sitzungen werden beendet.";
    if (!confirm(question))
        return Finish(report, TRemovalResult::Declined, "nicht bestätigt, nichts verändert");
    Carry(report, {databaseExists, roleExists, sessions});
    return report;
}

std::vector<TTenantRemoval::TSession> TTenantRemoval::Sessions() {
    std::vector<TSession> sessions;
    for (const TRow& row : session_.Connection().SelectRows(
             "SELECT pid, coalesce(usename, ''), coalesce(datname, ''), application_name "
             "FROM pg_catalog.pg_stat_activity WHERE backend_type = 'client backend' "
             "AND pid <> pg_catalog.pg_backend_pid() AND (datname = " +
             Literal(database_) + " OR usename = " + Literal(database_) + ") ORDER BY pid")) {
        if (row.size() != 4)
            throw EDatabaseError("Unexpected server response");
        sessions.push_back({row[0], row[1], row[2], row[3]});
    }
    return sessions;
}

std::optional<std::string> TTenantRemoval::Refusal(const std::vector<TSession>& sessions,
                                                   const TRemovalOptions& options, bool databaseExists,
                                                   bool roleExists) {
    if (!databaseExists && !roleExists)
        return "Den Mandanten " + database_ + " gibt es auf diesem Server nicht: weder Datenbank noch Rolle";
    if (databaseExists && !HoldsTenantTable(*session_.ConnectTo(database_)))
        return "Die Datenbank " + database_ +
               " ist kein Mandant (sie hat keine Tabelle trevix.mandant); es wurde "
               "nichts gelöscht";
    if (sessions.empty() || options.force)
        return std::nullopt;
    std::string list;
    for (const TSession& session : sessions)
        list += (list.empty() ? "" : ", ") +
                ("PID " + session.pid + " " + session.user + "@" + session.database +
                 (session.application.empty() ? "" : " (" + session.application + ")"));
    return std::to_string(sessions.size()) + " Sitzung(en) sind mit dem Mandanten " + database_ +
           " angemeldet: " + list + ". Mit --force werden sie beendet; es wurde nichts gelöscht";
}

std::vector<std::string> TTenantRemoval::Statements(const TFound& found) const {
    std::vector<std::string> statements;
    // The sessions the user was told of; any that came since, DROP DATABASE ... WITH (FORCE) ends.
    if (!found.sessions.empty()) {
        std::string pids;
        for (const TSession& session : found.sessions)
            pids += (pids.empty() ? "" : ", ") + session.pid;
        statements.push_back("SELECT pg_catalog.pg_terminate_backend(pid) FROM pg_catalog.pg_stat_activity "
                             "WHERE pid IN (" +
                             pids + ")");
    }
    if (found.database)
        statements.push_back(
            "DROP DATABASE " + database_ +
            (!found.sessions.empty() && ServerVersion(session_.Connection()) >= kDropDatabaseForce
                 ? " WITH (FORCE)"
                 : ""));
    if (found.role)
        statements.push_back("DROP ROLE " + database_);
    return statements;
}

void TTenantRemoval::Carry(TRemovalReport& report, const TFound& found) {
    TUniConnection& admin = session_.Connection();
    auto next = report.statements.begin();
    if (!found.sessions.empty()) {
        const std::vector<TRow> ended = admin.SelectRows(*next++);
        report.sessionsEnded = static_cast<int>(std::ranges::count(ended, TRow{"t"}));
        log_.Write(std::to_string(report.sessionsEnded) + " Sitzung(en) beendet");
    }
    std::vector<std::string> done;
    // A failed drop ends the removal: the role stays while its database does.
    const auto drop = [&](bool& dropped, const std::string& what) {
        try {
            Execute(admin, *next++);
        } catch (const EDAError& e) {
            report.reason = e.what();
            errors_ << "Fehler: " << e.what() << std::endl;
            return false;
        }
        dropped = true;
        done.push_back(what + " gelöscht");
        log_.Write(done.back());
        return true;
    };
    if (found.database && !drop(report.databaseDropped, "Datenbank " + database_)) {
        Finish(report, TRemovalResult::Stopped,
               "Datenbank " + database_ + " nicht gelöscht, nichts verändert: " + report.reason);
        return;
    }
    if (found.role && !drop(report.roleDropped, "Rolle " + database_)) {
        const std::string outcome = "Rolle " + database_ + " nicht gelöscht: " + report.reason;
        if (found.database)
            Finish(report, TRemovalResult::Incomplete, "Datenbank " + database_ + " gelöscht, " + outcome);
        else
            Finish(report, TRemovalResult::Stopped, outcome + "; nichts verändert");
        return;
    }
    std::string outcome = done.front();
    for (auto it = done.begin() + 1; it != done.end(); ++it)
        outcome += ", " + *it;
    Finish(report, TRemovalResult::Removed, outcome);
}

TRemovalReport& TTenantRemoval::Finish(TRemovalReport& report, TRemovalResult result,
                                       const std::string& outcome) {
    report.result = result;
    report.exitStatus = ExitStatus(result);
    log_.Write("Ergebnis: " + outcome);
    text_ << "Mandant " << report.tenant << ": " << outcome << std::endl
          << "Protokoll: " << log_.File().string() << std::endl;
    return report;
}

} // namespace velmora::tenant
