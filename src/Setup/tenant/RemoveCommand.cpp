#include "Setup/tenant/RemoveCommand.h"

#include "Common/Interrupt.h"
#include "Setup/cli/CommandLine.h"

#include <iostream>
#include <unistd.h>

namespace velmora::tenant {
namespace {

constexpr cli::TOptionName kRemoveOptions[] = {
    {"--yes", 'y', false},
    {"--force", 0, false},
    {"--dry-run", 0, false},
    kJsonOption,
};

std::string_view ResultName(TRemovalResult result) {
    switch (result) {
    case TRemovalResult::Removed:
        return "removed";
    case TRemovalResult::Refused:
        return "refused";
    case TRemovalResult::Declined:
        return "declined";
    case TRemovalResult::DryRun:
        return "dry_run";
    case TRemovalResult::Stopped:
        return "stopped";
    case TRemovalResult::Incomplete:
        return "incomplete";
    }
    return "stopped";
}

std::string RemoveUsage() {
    return SubcommandUsage(
        "velmora-tenant remove MANDANT [Optionen]",
        "Löscht die Datenbank des Mandanten mit allen Daten und danach seine Rolle. Vorher wird\n"
        "geprüft, dass die Datenbank ein Mandant ist (sie hat die Tabelle trevix.mandant), und am\n"
        "Terminal nachgefragt. Solange Sitzungen mit der Datenbank oder als Rolle des Mandanten\n"
        "angemeldet sind, wird nichts gelöscht, außer mit --force. Jeder Lauf wird im Protokoll\n"
        "$XDG_STATE_HOME/velmora/installation.log festgehalten.",
        "  -y, --yes                    Löscht ohne Rückfrage (ohne Terminal nötig)\n"
        "      --force                  Beendet angemeldete Sitzungen, statt abzulehnen\n"
        "      --dry-run                Zeigt nur die Anweisungen, die ausgeführt würden; ändert nichts\n" +
            std::string(kJsonUsage),
        "0 entfernt (oder Probelauf); 1 abgebrochen, nichts verändert; 2 falscher Aufruf, kein\n"
        "solcher Mandant, kein Mandant, angemeldete Sitzungen ohne --force oder nicht bestätigt\n"
        "(nichts verändert); 3 Datenbank gelöscht, Rolle nicht.");
}

// The user's answer on the terminal; without a terminal nobody can confirm, and only --yes removes.
bool ConfirmOnTerminal(const std::string& question, std::ostream& errors) {
    if (isatty(STDIN_FILENO) != 1) {
        errors << "Warnung: " << question
               << " Ohne Terminal wird nur mit --yes gelöscht; es wurde nichts verändert" << std::endl;
        return false;
    }
    errors << question << " [j/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    ThrowIfInterrupted();
    return answer == "j" || answer == "J" || answer == "ja" || answer == "Ja";
}

int Remove(const cli::TCommandLine& commandLine, TCommandOutput& output) {
    if (commandLine.operands.size() != 1)
        throw cli::EUsageError("der Mandant fehlt");
    const TRemovalOptions options{.force = commandLine.Has("--force"),
                                  .dryRun = commandLine.Has("--dry-run")};
    const bool yes = commandLine.Has("--yes");
    TAdminSession session(commandLine, output.Errors());
    TTenantRemoval removal(session, output.Text(), output.Errors());
    const TRemovalReport report =
        removal.Run(commandLine.operands.front(), options, [&](const std::string& question) {
            return yes || ConfirmOnTerminal(question, output.Errors());
        });
    output.Document(RemovalReportJson(report, removal.Log().File()));
    return report.exitStatus;
}

} // namespace

TSubcommand RemoveSubcommand() {
    return {"remove",
            "entfernt einen Mandanten: Datenbank und Rolle",
            {.tenantOptions = false,
             .ownOptions = kRemoveOptions,
             .operands = 1,
             .applicationName = "velmora-tenant"},
            RemoveUsage,
            Remove};
}

nlohmann::json RemovalReportJson(const TRemovalReport& report, const std::filesystem::path& logFile) {
    nlohmann::json error;
    if (!report.reason.empty())
        error = report.reason;
    return {{"tenant", report.tenant},
            {"database", report.database},
            {"result", ResultName(report.result)},
            {"exit_status", report.exitStatus},
            {"database_dropped", report.databaseDropped},
            {"role_dropped", report.roleDropped},
            {"sessions_ended", report.sessionsEnded},
            {"statements", report.statements},
            {"log_file", logFile.string()},
            {"error", error}};
}

} // namespace velmora::tenant
