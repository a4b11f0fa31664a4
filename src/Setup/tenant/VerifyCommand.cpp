#include "Setup/tenant/VerifyCommand.h"

#include "Setup/cli/ExitStatus.h"
#include "Setup/tenant/AdminSession.h"

namespace velmora::tenant {
namespace {

constexpr cli::TOptionName kVerifyOptions[] = {kJsonOption};

std::string VerifyUsage() {
    return SubcommandUsage(
        "velmora-tenant verify [Optionen] MANDANT",
        "Vergleicht die Datenbank des Mandanten mit dem, was die Installation heute anlegt: Tabellen und\n"
        "Spalten (Typ, NOT NULL, Vorgabe), Schlüssel, Prüfbedingungen, Indexe, Fremdschlüssel, Sequenzen,\n"
        "Funktionen (Signatur, Sprache, Rumpf), Trigger, Sichten, Besitzer und Rechte, die Zeilen der\n"
        "Wertelisten und die Rolle des Mandanten. Dazu baut es mit den Skripten der Installation eine\n"
        "Vergleichsdatenbank auf demselben Server, die es danach wieder löscht. Die eigenen Daten des\n"
        "Mandanten liest es nicht, und am Mandanten ändert es nichts.",
        kJsonUsage,
        "0 gleich; 1 abgebrochen; 2 falscher Aufruf oder kein Mandant dieses Namens; 4 Abweichungen\n"
        "gefunden; 128 + Signal, wenn ein Signal den Lauf beendet.");
}

int Verify(const cli::TCommandLine& commandLine, TCommandOutput& output) {
    if (commandLine.operands.size() != 1)
        throw cli::EUsageError("der Mandant fehlt");
    TAdminSession session(commandLine, output.Errors());
    TTenantVerification verification(
        session.Connection(), [&session](const std::string& database) { return session.ConnectTo(database); },
        output.Text());
    TTenantVerificationResult result;
    try {
        result = verification.Verify(commandLine.operands.front());
    } catch (const ETenantNotVerifiable& e) {
        output.Errors() << "Fehler: " << e.what() << std::endl;
        output.Document({{"command", "verify"},
                         {"tenant", commandLine.operands.front()},
                         {"result", "refused"},
                         {"exit_status", cli::kRefused},
                         {"error", e.what()}});
        return cli::kRefused;
    }
    PrintVerification(result, output.Text());
    output.Document(VerificationJson(result));
    return result.Equal() ? cli::kDone : cli::kDrift;
}

} // namespace

TSubcommand VerifySubcommand() {
    return {"verify",
            "vergleicht einen Mandanten mit dem ausgelieferten Schema",
            {.tenantOptions = false,
             .ownOptions = kVerifyOptions,
             .operands = 1,
             .applicationName = "velmora-tenant"},
            VerifyUsage,
            Verify};
}

nlohmann::json VerificationJson(const TTenantVerificationResult& result) {
    nlohmann::json release;
    if (!result.releaseStamp.empty())
        release = result.releaseStamp;
    return {{"command", "verify"},
            {"tenant", result.tenant},
            {"database", result.tenant},
            {"release", release},
            {"result", result.Equal() ? "equal" : "drift"},
            {"exit_status", result.Equal() ? cli::kDone : cli::kDrift},
            {"differences", result.differences}};
}

void PrintVerification(const TTenantVerificationResult& result, std::ostream& out) {
    out << "Mandant " << result.tenant << ": "
        << (result.releaseStamp.empty() ? "ohne Release-Stempel" : "Release-Stempel " + result.releaseStamp)
        << "\n";
    for (const std::string& difference : result.differences)
        out << difference << "\n";
    if (result.Equal())
        out << "Der Mandant " << result.tenant << " stimmt mit dem ausgelieferten Schema überein"
            << std::endl;
    else
        out << result.differences.size() << (result.differences.size() == 1 ? " Abweichung" : " Abweichungen")
            << " vom ausgelieferten Schema" << std::endl;
}

} // namespace velmora::tenant
