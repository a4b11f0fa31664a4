#include "Setup/cli/InstallRun.h"

#include "Common/ExceptionHandler.h"
#include "Common/Interrupt.h"
#include "Setup/cli/AdminPassword.h"
#include "Setup/cli/ConsoleHost.h"
#include "Setup/cli/InstallConnections.h"
#include "Setup/cli/InterruptSignals.h"
#include "Setup/cli/PasswordInput.h"
#include "Setup/cli/StatementPrinter.h"

#include <iostream>

namespace velmora::cli {
namespace {

TExitStatus ExitStatus(TInstallationResult result) {
    switch (result) {
    case TInstallationResult::Installed:
        return kDone;
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

// The one line for a run a signal ended, which names the log; the exit status tells the signal as
// a shell does.
void Interrupted(TInstallReport& report, const EInterrupted& interrupt, const std::string& outcome,
                 const TInstallationLog& log, std::ostream& err) {
    err << "Installation " << outcome << " Protokoll: " << log.File().string() << std::endl;
    report.result = TInstallationResult::Interrupted;
    report.exitStatus = 128 + interrupt.Signal();
    report.logFile = log.File();
    report.error = outcome;
}

} // namespace

TInstallReport RunInstall(const TCommandLine& commandLine, std::ostream& out, std::ostream& err) {
    TInstallReport report;
    report.tenant = commandLine.tenantCode;
    report.dryRun = commandLine.dryRun;
    const TInterruptSignals interruptSignals;
    SetApplicationExceptionHandler(
        [&err](const std::exception& e) { err << "Fehler: " << ErrorBoxMessage(e) << std::endl; });
    TPasswordInput input;
    TConsoleHost host(commandLine.tenantCode, commandLine.masterData, commandLine.replace, out, err);
    host.SetIsolatedTenantRequested(commandLine.isolatedTenant);
    TAdminLogin adminLogin = commandLine.adminLogin;
    if (commandLine.passwordPromptFirst)
        adminLogin.password = input.Read(AdminPasswordPrompt(adminLogin));
    TUnattendedConnectDialog loginDialog(adminLogin, TAdminPasswordSource(commandLine, input, err));
    TLocalSocketFallback tenantLogOn;
    TInstallation installation(host, loginDialog);
    PrepareConnections(installation, commandLine, tenantLogOn);
    // The statements go where the progress goes.
    TStatementPrinter statementPrinter(out, commandLine.echo);
    if (commandLine.echo || commandLine.dryRun)
        installation.SetStatementObserver(&statementPrinter);
    installation.SetDryRun(commandLine.dryRun);

    // The administrator logs on before the tenant's password is read: standard input holds the
    // administrator's line first, and only when the server asks for a password. The installation's
    // own log-on then finds the connection open.
    installation.UniConnection1.SetConnectDialog(&loginDialog);
    try {
        if (!loginDialog.Execute()) {
            TInstallationLog log;
            log.Write("Mandant " + commandLine.tenantCode +
                      ": Anmeldung des Administrators aufgegeben, nichts verändert");
            err << "Anmeldung aufgegeben: Installation bei 0 % beendet" << std::endl
                << "Protokoll: " << log.File().string() << std::endl;
            report.result = TInstallationResult::Stopped;
            report.logFile = log.File();
            report.error = "Anmeldung aufgegeben";
            return report;
        }
        host.SetTenantPassword(TenantPassword(commandLine, input));
    } catch (const EInterrupted& e) {
        TInstallationLog log;
        const std::string outcome =
            InterruptionText(e.Signal(), 0, LowerTenantCode(commandLine.tenantCode), {});
        log.Write("Mandant " + commandLine.tenantCode + ": Ergebnis: " + outcome);
        Interrupted(report, e, outcome, log, err);
        return report;
    }
    try {
        installation.Button1Click();
    } catch (const EInterrupted& e) {
        Interrupted(report, e, installation.Interruption(), installation.Log(), err);
        report.progress = host.Progress();
        report.roleKind = installation.TenantRoleKind();
        return report;
    } catch (const EAbort&) {
        err << "Anmeldung aufgegeben: Installation bei " << host.Progress() << " % beendet" << std::endl;
        report.error = "Anmeldung aufgegeben";
    } catch (const std::exception& e) {
        report.error = ErrorBoxMessage(e);
        err << "Fehler: " << report.error << std::endl
            << "Installation bei " << host.Progress() << " % abgebrochen" << std::endl;
    }
    report.result = installation.Result();
    report.exitStatus = ExitStatus(report.result);
    report.progress = host.Progress();
    report.roleKind = installation.TenantRoleKind();
    report.logFile = installation.Log().File();
    // A finished run names the log in its final message already.
    if (report.result != TInstallationResult::Installed && report.result != TInstallationResult::Incomplete)
        err << "Protokoll: " << report.logFile.string() << std::endl;
    return report;
}

int RunInstall(const TCommandLine& commandLine) {
    return RunInstall(commandLine, std::cout, std::cerr).exitStatus;
}

} // namespace velmora::cli
