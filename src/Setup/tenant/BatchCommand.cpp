#include "Setup/tenant/BatchCommand.h"

#include "Common/Interrupt.h"
#include "Setup/cli/AdminPassword.h"
#include "Setup/cli/ExitStatus.h"
#include "Setup/cli/PasswordInput.h"
#include "Setup/tenant/TenantBatch.h"

#include <charconv>
#include <memory>

namespace velmora::tenant {
namespace {

// More installations at once than this only make them wait for each other and the server.
constexpr std::size_t kMaxJobs = 64;

constexpr cli::TOptionName kBatchOptions[] = {
    {"--jobs", 'j', true},
    {"--passwords-out", 0, true},
    {"--replace", 0, false},
    {"--isolated-tenant", 0, false},
    {"--dry-run", 0, false},
    {"--echo", 'e', false},
    kJsonOption,
};

std::string BatchUsage() {
    return SubcommandUsage(
        "velmora-tenant batch [Optionen] DATEI",
        R"(Installiert jeden Mandanten einer CSV-Datei (UTF-8) wie velmora-install, mehrere zugleich, jeden
in einem eigenen Prozess. Die erste Zeile nennt die Spalten tenant, licensee, postal_code, city,
street und wahlweise password und service (ein Dienst aus pg_service.conf wie bei PGSERVICE: der
Server dieses Mandanten; so verteilt eine Datei ihre Mandanten auf mehrere Server). Felder in
Anführungszeichen dürfen Kommas, Zeilenumbrüche und verdoppelte Anführungszeichen enthalten.
Eine fehlerhafte Zeile wird mit ihrer Nummer gemeldet und nicht installiert, die übrigen schon.
Fehlt das Passwort eines Mandanten, wird ein starkes zufälliges erzeugt und mit dem Mandanten in
die Datei von --passwords-out geschrieben, sobald seine Rolle angelegt ist. Am Ende steht eine
Tabelle: Mandant, Zeile, Ergebnis, Sekunden. Die Installationen fragen nie nach dem Passwort des
Administrators; mit -W fragt der Batch einmal vor allen danach.)",
        R"(  -j, --jobs N                 Installiert N Mandanten zugleich (1 bis 64, Vorgabe 4)
      --passwords-out DATEI    Schreibt die erzeugten Passwörter als CSV (tenant,password) in die
                               neue Datei, nur für den Besitzer lesbar; eine vorhandene Datei wird
                               nie überschrieben (dann wird nichts installiert). Nötig, wenn
                               Passwörter fehlen
      --replace                Ersetzt vorhandene Mandanten (wie bei velmora-install)
      --isolated-tenant        Mandantenrollen ohne Superuser-Rechte (wie bei velmora-install)
      --dry-run                Probelauf jeder Installation (wie bei velmora-install): ändert nichts,
                               braucht kein --passwords-out und schreibt keine Passwörter
  -e, --echo                   Jede Installation gibt ihre Anweisungen aus (wie bei velmora-install)
)" + std::string(kJsonUsage),
        "0 alle installiert; sonst der höchste Status der Installationen (1 abgebrochen, 2 abgelehnt "
        "oder fehlerhafte Zeile, 3 unvollständig); 128 + Signal, wenn ein Signal den Lauf beendet (Strg-C "
        "beendet alle laufenden Installationen)");
}

std::size_t Jobs(const cli::TCommandLine& commandLine) {
    const std::optional<std::string> text = commandLine.Value("--jobs");
    if (!text)
        return 4;
    std::size_t jobs = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), jobs);
    if (error != std::errc() || end != text->data() + text->size() || jobs < 1 || jobs > kMaxJobs)
        throw cli::EUsageError("--jobs braucht eine Zahl von 1 bis " + std::to_string(kMaxJobs) + ": " +
                               *text);
    return jobs;
}

// The options every installation gets: the administrator's log-on as given to the batch, and the
// batch's options for the tenants. Nobody is asked for a password: standard input is not theirs.
std::vector<std::string> InstallOptions(const cli::TCommandLine& commandLine) {
    std::vector<std::string> options;
    for (const std::string& option : commandLine.handedOn) {
        if (option != "--password")
            options.push_back(option);
    }
    for (const char* flag : {"--replace", "--isolated-tenant", "--dry-run", "--echo"}) {
        if (commandLine.Has(flag))
            options.push_back(flag);
    }
    if (!commandLine.noPasswordPrompt)
        options.push_back("--no-password");
    return options;
}

// A line's service must name an entry the installation can log on with.
TServiceCheck ServiceCheck(const cli::TCommandLine& commandLine) {
    return [&commandLine](const std::string& service) -> std::optional<std::string> {
        TPgEnvironment environment = cli::UserPgEnvironment();
        environment["PGSERVICE"] = service;
        try {
            cli::ParseCommandLine(commandLine.handedOn, environment,
                                  {.tenantOptions = false,
                                   .ownOptions = {},
                                   .operands = 0,
                                   .applicationName = "velmora-tenant"});
            return std::nullopt;
        } catch (const cli::EUsageError& e) {
            return "Dienst " + service + ": " + e.what();
        }
    };
}

std::string_view ResultName(const TBatchRun& run) {
    switch (run.kind) {
    case TBatchRun::TKind::InvalidLine:
        return "invalid_line";
    case TBatchRun::TKind::NotStarted:
        return "not_started";
    case TBatchRun::TKind::Run:
        break;
    }
    switch (run.exitStatus) {
    case cli::kDone:
        return "installed";
    case cli::kRefused:
        return "refused";
    case cli::kIncomplete:
        return "incomplete";
    default:
        return run.exitStatus > 128 ? "interrupted" : "stopped";
    }
}

nlohmann::json BatchJson(const std::string& file, const std::vector<TBatchRun>& runs, int exitStatus) {
    nlohmann::json tenants = nlohmann::json::array();
    for (const TBatchRun& run : runs) {
        nlohmann::json seconds;
        if (run.kind == TBatchRun::TKind::Run)
            seconds = run.seconds;
        tenants.push_back(
            {{"line", run.lineNumber},
             {"tenant", run.tenantCode},
             {"result", ResultName(run)},
             {"exit_status", run.kind == TBatchRun::TKind::Run ? run.exitStatus : WorstExitStatus({run})},
             {"seconds", seconds},
             {"password_generated", run.passwordGenerated},
             {"messages", run.messages}});
    }
    return {{"command", "batch"}, {"file", file}, {"exit_status", exitStatus}, {"tenants", tenants}};
}

// The new file for the generated passwords; refused when it exists, or when passwords must be
// generated and no file is named. A dry run makes no tenant role and needs none.
std::unique_ptr<TPasswordsFile> PasswordsFile(const cli::TCommandLine& commandLine, const TBatchFile& file) {
    if (const auto passwordsOut = commandLine.Value("--passwords-out"))
        return std::make_unique<TPasswordsFile>(*passwordsOut);
    if (std::ranges::any_of(file.tenants, [](const TBatchTenant& tenant) { return !tenant.password; }))
        throw cli::EUsageError("Mandanten ohne Passwort in der Batchdatei: --passwords-out DATEI nennt die "
                               "Datei für die erzeugten Passwörter");
    return nullptr;
}

int Batch(const cli::TCommandLine& commandLine, TCommandOutput& output) {
    if (commandLine.operands.size() != 1)
        throw cli::EUsageError("die Batchdatei fehlt");
    const std::string& path = commandLine.operands.front();
    const std::size_t jobs = Jobs(commandLine);
    const TBatchFile file = ReadBatchFile(path, ServiceCheck(commandLine));
    for (const TBatchLineError& error : file.errors)
        output.Text() << "Zeile " << error.lineNumber
                      << (error.tenantCode.empty() ? "" : " (Mandant " + error.tenantCode + ")") << ": "
                      << error.message << "; sie wird nicht installiert" << std::endl;

    // Where generated passwords go is settled before anything is installed.
    const bool dryRun = commandLine.Has("--dry-run");
    const std::unique_ptr<TPasswordsFile> passwordsFile = dryRun ? nullptr : PasswordsFile(commandLine, file);

    TBatchSettings settings{{"/proc/self/exe", "install"},
                            InstallOptions(commandLine),
                            jobs,
                            std::nullopt,
                            dryRun || commandLine.Has("--echo")};
    if (commandLine.passwordPromptFirst) {
        cli::TPasswordInput input;
        settings.adminPassword = input.Read(cli::AdminPasswordPrompt(commandLine.adminLogin));
    }
    TTenantBatch batch(std::move(settings), output.Text());
    const std::vector<TBatchRun> runs =
        WithInvalidLines(batch.Run(file.tenants, passwordsFile.get()), file.errors);
    output.Text() << std::endl;
    WriteSummary(output.Text(), runs);
    const int signal = RaisedInterrupt();
    const int exitStatus = signal != 0 ? 128 + signal : WorstExitStatus(runs);
    output.Document(BatchJson(path, runs, exitStatus));
    return exitStatus;
}

} // namespace

TSubcommand BatchSubcommand() {
    return {"batch",
            "installiert die Mandanten einer CSV-Datei, mehrere zugleich",
            {.tenantOptions = false,
             .ownOptions = kBatchOptions,
             .operands = 1,
             .applicationName = "velmora-tenant"},
            BatchUsage,
            Batch};
}

} // namespace velmora::tenant
