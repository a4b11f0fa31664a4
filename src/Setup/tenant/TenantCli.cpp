// velmora-tenant: a tenant's whole life from the command line. Each subcommand is a TSubcommand;
// this file only finds it, parses its command line and turns its outcome or failure into text, a
// JSON document and an exit status. See --help and the README.

#include "Common/ExceptionHandler.h"
#include "Common/Interrupt.h"
#include "Setup/cli/ExitStatus.h"
#include "Setup/cli/InterruptSignals.h"
#include "Setup/tenant/BatchCommand.h"
#include "Setup/tenant/InstallCommand.h"
#include "Setup/tenant/ListCommand.h"
#include "Setup/tenant/RemoveCommand.h"
#include "Setup/tenant/VerifyCommand.h"
#include "velmora/Version.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <unistd.h>

using namespace velmora;
using namespace velmora::cli;
using namespace velmora::tenant;

namespace {

const TSubcommand kSubcommands[] = {
    InstallSubcommand(),
    ListSubcommand(),
    VerifySubcommand(),
    RemoveSubcommand(),
    BatchSubcommand(),
};

std::string Overview() {
    std::string overview = R"(Aufruf: velmora-tenant UNTERBEFEHL [Optionen]

Verwaltet die Mandanten eines PostgreSQL-Servers: installieren, auflisten, prüfen, entfernen und
viele auf einmal installieren.

Unterbefehle:
)";
    for (const TSubcommand& subcommand : kSubcommands) {
        std::string name(subcommand.name);
        name.resize(std::max<std::size_t>(name.size() + 2, 13), ' ');
        overview += "  " + name + std::string(subcommand.summary) + "\n";
    }
    overview += R"(
Optionen:
  -?, --help                   Zeigt diese Hilfe und endet
  -V, --version                Zeigt die Version und endet

"velmora-tenant UNTERBEFEHL --help" zeigt die Optionen eines Unterbefehls. Alle melden den
Administrator an wie velmora-install (dieselben Optionen, Umgebungsvariablen, Dienste und
Passwortregeln); mit --json schreiben sie ein JSON-Dokument auf die Standardausgabe und den Text
auf die Standardfehlerausgabe.

Exit-Status: 0 erledigt; 1 abgebrochen; 2 falscher Aufruf oder abgelehnt, nichts verändert;
3 unvollständig; 4 Abweichungen gefunden (verify); 128 + Signal, wenn ein Signal den Lauf beendet.
)";
    return overview;
}

int UsageError(const std::string& command, const std::string& message) {
    std::cerr << command << ": " << message << std::endl << "Hilfe: " << command << " --help" << std::endl;
    return kRefused;
}

// What ends a subcommand early, in its text and, with --json, a document of its own.
class TFailure {
public:
    TFailure(std::string_view subcommand, std::optional<TCommandOutput>& output)
        : subcommand_(subcommand), output_(output) {}

    int operator()(int status, std::string_view result, const std::string& message) const {
        if (output_ && !output_->DocumentWritten())
            output_->Document(
                {{"command", subcommand_}, {"result", result}, {"exit_status", status}, {"error", message}});
        return status;
    }

private:
    std::string_view subcommand_;
    std::optional<TCommandOutput>& output_;
};

int RunSubcommand(const TSubcommand& subcommand, const std::vector<std::string>& arguments) {
    const std::string command = "velmora-tenant " + std::string(subcommand.name);
    const TInterruptSignals interruptSignals;
    std::string lastError; // what the application's handler last reported, for the JSON document
    SetApplicationExceptionHandler([&lastError](const std::exception& e) {
        lastError = ErrorBoxMessage(e);
        std::cerr << "Fehler: " << lastError << std::endl;
    });
    std::optional<TCommandOutput> output;
    const TFailure failure(subcommand.name, output);
    try {
        const TCommandLine commandLine = ParseCommandLine(arguments, UserPgEnvironment(), subcommand.syntax);
        if (commandLine.help) {
            std::cout << subcommand.usage();
            return kDone;
        }
        if (commandLine.version) {
            std::cout << "velmora-tenant " << kVelmoraVersion << std::endl;
            return kDone;
        }
        const bool json = commandLine.Has(kJsonOption.name);
        output.emplace(json, std::cout, std::cerr, isatty(json ? STDERR_FILENO : STDOUT_FILENO) == 1);
        return subcommand.run(commandLine, *output);
    } catch (const EUsageError& e) {
        UsageError(command, e.what());
        return failure(kRefused, "refused", e.what());
    } catch (const EInterrupted& e) {
        std::cerr << command << ": durch Signal " << e.Signal() << " unterbrochen" << std::endl;
        return failure(128 + e.Signal(), "interrupted", "Signal " + std::to_string(e.Signal()));
    } catch (const EAbort&) {
        // The log-on was given up; the handler has shown why.
        return failure(kStopped, "stopped", lastError.empty() ? "Anmeldung aufgegeben" : lastError);
    } catch (const std::exception& e) {
        const std::string message = ErrorBoxMessage(e);
        std::cerr << "Fehler: " << message << std::endl;
        return failure(kStopped, "stopped", message);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return UsageError("velmora-tenant", "der Unterbefehl fehlt");
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-?") {
        std::cout << Overview();
        return kDone;
    }
    if (first == "--version" || first == "-V") {
        std::cout << "velmora-tenant " << kVelmoraVersion << std::endl;
        return kDone;
    }
    const auto subcommand = std::ranges::find(kSubcommands, first, &TSubcommand::name);
    if (subcommand == std::end(kSubcommands))
        return UsageError("velmora-tenant", "unbekannter Unterbefehl: " + first);
    return RunSubcommand(*subcommand, {arguments.begin() + 1, arguments.end()});
}
