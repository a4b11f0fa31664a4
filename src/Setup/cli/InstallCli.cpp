// velmora-install: installs one tenant from the command line with the very installation the setup
// window runs. See --help and the README.

#include "Common/ExceptionHandler.h"
#include "Common/Interrupt.h"
#include "Setup/Installation.h"
#include "Setup/cli/AdminPassword.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/ConsoleHost.h"
#include "Setup/cli/InstallConnections.h"
#include "Setup/cli/InterruptSignals.h"
#include "Setup/cli/PasswordInput.h"
#include "velmora/Version.h"

#include <cstdlib>
#include <iostream>
#include <pwd.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::cli;

namespace {

enum TExitStatus { kInstalled = 0, kStopped = 1, kRefused = 2, kIncomplete = 3 };

TExitStatus ExitStatus(TInstallationResult result) {
    switch (result) {
    case TInstallationResult::Installed:
        return kInstalled;
    case TInstallationResult::Incomplete:
        return kIncomplete;
    case TInstallationResult::Refused:
    case TInstallationResult::Declined:
        return kRefused; // the warning or the question said why
    case TInstallationResult::NotRun:
    case TInstallationResult::Stopped:
    case TInstallationResult::Interrupted: // ends with the signal's status before it gets here
        break;
    }
    return kStopped;
}

// The environment the command line reads; the user defaults to the login name, as for the server's
// own tools.
TPgEnvironment PgEnvironment() {
    TPgEnvironment environment = PgProcessEnvironment();
    if (const passwd* user = getpwuid(geteuid()); user != nullptr)
        environment.try_emplace("PGUSER", user->pw_name);
    return environment;
}

// On a terminal the tenant password is typed twice, as in the window.
std::string TenantPassword(const TCommandLine& commandLine, TPasswordInput& input) {
    if (commandLine.tenantPasswordFile)
        return PasswordFromFile(*commandLine.tenantPasswordFile);
    std::string password = input.Read("Passwort des Mandanten " + commandLine.tenantCode + ": ");
    if (input.Interactive()) {
        if (auto refusal = PasswordRepeatRefusal(password, input.Read("Wiederholung Passwort: ")))
            throw EUsageError(*refusal);
    }
    return password;
}

// The one line on standard error for a run a signal ended, which names the log; the exit status
// tells the signal as a shell does.
int Interrupted(const EInterrupted& interrupt, const std::string& outcome, const TInstallationLog& log) {
    std::cerr << "Installation " << outcome << " Protokoll: " << log.File().string() << std::endl;
    return 128 + interrupt.Signal();
}

int Install(const TCommandLine& commandLine) {
    const TInterruptSignals interruptSignals;
    SetApplicationExceptionHandler(
        [](const std::exception& e) { std::cerr << "Fehler: " << ErrorBoxMessage(e) << std::endl; });
    TPasswordInput input;
    TConsoleHost host(commandLine.tenantCode, commandLine.masterData, commandLine.replace, std::cout,
                      std::cerr);
    host.SetIsolatedTenantRequested(commandLine.isolatedTenant);
    TAdminLogin adminLogin = commandLine.adminLogin;
    if (commandLine.passwordPromptFirst)
        adminLogin.password = input.Read(AdminPasswordPrompt(adminLogin));
    TUnattendedConnectDialog loginDialog(adminLogin, TAdminPasswordSource(commandLine, input, std::cerr));
    TLocalSocketFallback tenantLogOn;
    TInstallation installation(host, loginDialog);
    PrepareConnections(installation, commandLine, tenantLogOn);

    // The administrator logs on before the tenant's password is read: standard input holds the
    // administrator's line first, and only when the server asks for a password. The installation's
    // own log-on then finds the connection open.
    installation.UniConnection1.SetConnectDialog(&loginDialog);
    try {
        if (!loginDialog.Execute()) {
            TInstallationLog log;
            log.Write("Mandant " + commandLine.tenantCode +
                      ": Anmeldung des Administrators aufgegeben, nichts verändert");
            std::cerr << "Anmeldung aufgegeben: Installation bei 0 % beendet" << std::endl
                      << "Protokoll: " << log.File().string() << std::endl;
            return kStopped;
        }
        host.SetTenantPassword(TenantPassword(commandLine, input));
    } catch (const EInterrupted& e) {
        TInstallationLog log;
        const std::string outcome =
            InterruptionText(e.Signal(), 0, LowerTenantCode(commandLine.tenantCode), {});
        log.Write("Mandant " + commandLine.tenantCode + ": Ergebnis: " + outcome);
        return Interrupted(e, outcome, log);
    }
    try {
        installation.Button1Click();
    } catch (const EInterrupted& e) {
        return Interrupted(e, installation.Interruption(), installation.Log());
    } catch (const EAbort&) {
        std::cerr << "Anmeldung aufgegeben: Installation bei " << host.Progress() << " % beendet"
                  << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "Fehler: " << ErrorBoxMessage(e) << std::endl
                  << "Installation bei " << host.Progress() << " % abgebrochen" << std::endl;
    }
    const TInstallationResult result = installation.Result();
    // A finished run names the log in its final message already.
    if (result != TInstallationResult::Installed && result != TInstallationResult::Incomplete)
        std::cerr << "Protokoll: " << installation.Log().File().string() << std::endl;
    return ExitStatus(result);
}

} // namespace

int main(int argc, char** argv) {
    try {
        const TCommandLine commandLine = ParseCommandLine({argv + 1, argv + argc}, PgEnvironment());
        if (commandLine.help) {
            std::cout << Usage();
            return kInstalled;
        }
        if (commandLine.version) {
            std::cout << "velmora-install " << kVelmoraVersion << std::endl;
            return kInstalled;
        }
        return Install(commandLine);
    } catch (const EUsageError& e) {
        std::cerr << "velmora-install: " << e.what() << std::endl
                  << "Hilfe: velmora-install --help" << std::endl;
        return kRefused;
    }
}
