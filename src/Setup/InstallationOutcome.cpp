#include "Setup/InstallationOutcome.h"

#include "Common/AsciiText.h"
#include "Common/Exceptions.h"
#include "PostgreSql/PgSqlState.h"

#include <cstring>
#include <regex>

namespace velmora {
namespace {

// The role an ALTER ... OWNER TO statement hands its object to, lower case as the server folds it.
std::optional<std::string> NewOwner(std::string_view sql) {
    static const std::regex ownerTo(R"(\bOWNER\s+TO\s+("?)([A-Za-z_][A-Za-z0-9_$]*)\1\s*;?\s*$)",
                                    std::regex::icase);
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(sql.begin(), sql.end(), match, ownerTo))
        return std::nullopt;
    const std::string name = match[2].str();
    return match[1].length() > 0 ? name : LowerAscii(name);
}

const EDAError* DatabaseErrorOf(const std::exception& error) {
    return dynamic_cast<const EDAError*>(&error);
}

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "die Rolle a" or "die Rollen a, b".
std::string Roles(const std::set<std::string>& roles) {
    std::string names;
    for (const std::string& role : roles)
        names += (names.empty() ? "" : ", ") + role;
    return (roles.size() == 1 ? "die Rolle " : "die Rollen ") + names;
}

} // namespace

std::string FirstLineOf(std::string_view sql) {
    std::string_view first;
    while (!sql.empty()) {
        const std::size_t end = std::min(sql.find_first_of("\r\n"), sql.size());
        const std::string_view line = TrimBlanks(sql.substr(0, end));
        sql.remove_prefix(std::min(end + 1, sql.size()));
        if (first.empty())
            first = line;
        // Comments in front of a statement name nothing.
        if (!line.empty() && !line.starts_with("--"))
            return std::string(line);
    }
    return std::string(first);
}

TStatementFailure TStatementFailure::Of(const std::exception& error, std::string_view sql) {
    TStatementFailure failure;
    const EDAError* databaseError = DatabaseErrorOf(error);
    failure.sqlState = databaseError != nullptr ? databaseError->SqlState() : std::string();
    failure.message = InnermostMessage(error);
    failure.firstLine = FirstLineOf(sql);
    // For ALTER ... OWNER TO the server knows no such role (undefined object), or the executing
    // role lacks the membership in the new owner or the right to create in the object's schema.
    using namespace PgSqlState;
    if (databaseError != nullptr && databaseError->IsFatalError()) {
        failure.kind = TKind::LostConnection;
    } else if (const auto owner = NewOwner(sql);
               owner && (failure.sqlState == UndefinedObject || failure.sqlState == InsufficientPrivilege)) {
        failure.kind = failure.sqlState == UndefinedObject ? TKind::MissingOwner : TKind::RefusedOwner;
        failure.newOwner = *owner;
    }
    return failure;
}

std::string InterruptionText(int signal, int progress, const std::string& tenant, TStepReached reached) {
    // What each step leaves once it has finished, and while it runs: the statement in progress may
    // or may not have been carried out when the server cancelled it.
    struct TLeft {
        int step;
        std::string during;
        std::string after;
    };
    const std::string both = "Rolle und Datenbank " + tenant + " sind angelegt";
    const TLeft left[] = {
        {10, "die Datenbank und die Rolle " + tenant + " sind vielleicht schon gelöscht",
         "die Datenbank und die Rolle " + tenant + " gibt es nicht mehr"},
        {20, "die Rolle " + tenant + " ist vielleicht schon angelegt",
         "die Rolle " + tenant + " ist angelegt"},
        {30, "die Rolle " + tenant + " ist angelegt, die Datenbank " + tenant + " vielleicht schon",
         both + ", die Struktur fehlt"},
        {50, both + ", die Struktur ist unvollständig", both + " mit der Struktur, die Wertelisten fehlen"},
        {70, both + " mit der Struktur, die Wertelisten sind unvollständig",
         both + " mit Struktur und Wertelisten, die Mandantenzeile fehlt"},
        {80, both + " mit Struktur und Wertelisten, die Mandantenzeile vielleicht schon",
         both + " mit Struktur, Wertelisten und Mandantenzeile, die Wertelisten des Mandanten fehlen"},
        {90, both + ", es fehlen vielleicht noch Wertelisten des Mandanten", both + " und vollständig"},
    };
    std::string what = "auf dem Server wurde nichts verändert";
    for (const TLeft& stage : left) {
        if (stage.step == reached.step)
            what = reached.finished ? stage.after : stage.during;
    }
    const char* abbreviation = sigabbrev_np(signal);
    const std::string name =
        abbreviation ? std::string("SIG") + abbreviation : "Signal " + std::to_string(signal);
    std::string text = "unterbrochen (" + name + ") bei " + std::to_string(progress) + " %: " + what + ".";
    if (reached.step > 0)
        text += " Eine neue Installation mit --replace ersetzt den Mandanten " + tenant + ".";
    return text;
}

void TInstallationOutcome::CountSkippedOwnership(const TStatementFailure& failure) {
    ++skippedOwnerships_;
    (failure.kind == TStatementFailure::TKind::MissingOwner ? missingOwners_ : refusedOwners_)
        .insert(failure.newOwner);
}

std::optional<std::string> TInstallationOutcome::SkippedNote() const {
    if (skippedOwnerships_ == 0)
        return std::nullopt;
    std::string reasons;
    if (!missingOwners_.empty())
        reasons = Roles(missingOwners_) + " gibt es auf dem Server nicht";
    if (!refusedOwners_.empty())
        reasons += (reasons.empty() ? "an " : "; an ") + Roles(refusedOwners_) +
                   " darf der Mandant ohne Superuser-Rechte nichts übergeben";
    return std::to_string(skippedOwnerships_) + " Besitzerwechsel übersprungen: " + reasons +
           ", die Objekte gehören dem Mandanten.";
}

std::string TInstallationOutcome::FinalMessage(const std::string& database,
                                               const std::filesystem::path& log) const {
    std::string message;
    if (dryRun_) {
        message = "Probelauf beendet: die Datenbank " + database +
                  " wurde nicht installiert, auf dem Server wurde nichts verändert";
    } else if (Complete()) {
        message = "Die Datenbank " + database + " wurde erfolgreich installiert";
    } else {
        message = "Die Installation der Datenbank " + database + " wurde mit Fehlern beendet: ";
        if (failedStatements_ > 0)
            message += Plural(failedStatements_, "Anweisung ist", "Anweisungen sind") + " fehlgeschlagen";
        if (failedStatements_ > 0 && failedSteps_ > 0)
            message += ", ";
        if (failedSteps_ > 0)
            message += Plural(failedSteps_, "Schritt wurde", "Schritte wurden") + " nicht ausgeführt";
        // A new run repairs a tenant only once the cause is gone, which the log names.
        message += ". Das Protokoll nennt die Ursachen; sind sie behoben, ersetzt eine neue Installation den "
                   "Mandanten.";
    }
    // Appended line by line rather than as "\n" + ...: GCC 12 at -O3 reports a false overlap there.
    message += '\n';
    message += TenantRoleNote(tenantRoleKind_, database);
    if (const auto note = SkippedNote()) {
        message += '\n';
        message += *note;
    }
    return message + "\nProtokoll: " + log.string();
}

} // namespace velmora
