// velmora-install: installs one tenant from the command line with the very installation the setup
// window runs. See --help and the README.

#include "Common/ExceptionHandler.h"
#include "Setup/Installation.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/ConsoleHost.h"
#include "Setup/cli/PasswordInput.h"
#include "velmora/Version.h"

#include <cstdlib>
#include <iostream>
#include <pwd.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::cli;

namespace {

enum TExitStatus { kInstalled = 0, kStopped = 1, kRefused = 2, kInstalledWithWarning = 3 };

// The PostgreSQL environment; the user defaults to the login name, as for the server's own tools.
std::map<std::string, std::string> PgEnvironment() {
    std::map<std::string, std::string> environment;
    for (const char* name : {"PGHOST", "PGPORT", "PGUSER", "PGDATABASE", "PGPASSWORD"}) {
        if (const char* value = std::getenv(name))
            environment[name] = value;
    }
    if (!environment.contains("PGUSER")) {
        if (const passwd* user = getpwuid(geteuid()))
            environment["PGUSER"] = user->pw_name;
    }
    return environment;
}

std::string AdminPassword(const TCommandLine& commandLine, TPasswordInput& input) {
    if (commandLine.adminPasswordFile)
        return PasswordFromFile(*commandLine.adminPasswordFile);
    if (commandLine.adminPassword)
        return *commandLine.adminPassword;
    return input.Read("Passwort des Administrators " + commandLine.adminLogin.username + ": ");
}

// On a terminal the tenant password is typed twice, as in the window.
std::string TenantPassword(const TCommandLine& commandLine, TPasswordInput& input) {
    if (commandLine.tenantPasswordFile)
        return PasswordFromFile(*commandLine.tenantPasswordFile);
    std::string password = input.Read("Passwort des Mandanten " + commandLine.tenantCode + ": ");
    if (input.Interactive() && input.Read("Wiederholung Passwort: ") != password)
        throw EUsageError("Die Passwörter stimmen nicht überein");
    return password;
}

int Install(const TCommandLine& commandLine, TAdminLogin adminLogin, std::string tenantPassword) {
    SetApplicationExceptionHandler(
        [](const std::exception& e) { std::cerr << "Fehler: " << ErrorBoxMessage(e) << std::endl; });
    TConsoleHost host(commandLine.tenantCode, std::move(tenantPassword), commandLine.masterData, std::cout,
                      std::cerr);
    TUnattendedConnectDialog loginDialog(std::move(adminLogin));
    TInstallation installation(host, loginDialog);
    try {
        installation.Button1Click();
    } catch (const EAbort&) {
        std::cerr << "Anmeldung aufgegeben: Installation bei " << host.Progress() << " % beendet"
                  << std::endl;
        return kStopped;
    } catch (const std::exception& e) {
        std::cerr << "Fehler: " << ErrorBoxMessage(e) << std::endl
                  << "Installation bei " << host.Progress() << " % abgebrochen" << std::endl;
        return kStopped;
    }
    if (!host.Finished())
        return kRefused; // the warning said why
    return host.Warned() ? kInstalledWithWarning : kInstalled;
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
        TPasswordInput input;
        TAdminLogin adminLogin = commandLine.adminLogin;
        adminLogin.password = AdminPassword(commandLine, input);
        std::string tenantPassword = TenantPassword(commandLine, input);
        return Install(commandLine, std::move(adminLogin), std::move(tenantPassword));
    } catch (const EUsageError& e) {
        std::cerr << "velmora-install: " << e.what() << std::endl
                  << "Hilfe: velmora-install --help" << std::endl;
        return kRefused;
    }
}
