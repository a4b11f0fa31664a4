// velmora-install: installs one tenant from the command line with the very installation the setup
// window runs. See --help and the README.

#include "Setup/cli/CommandLine.h"
#include "Setup/cli/ExitStatus.h"
#include "Setup/cli/InstallRun.h"
#include "velmora/Version.h"

#include <iostream>

using namespace velmora;
using namespace velmora::cli;

int main(int argc, char** argv) {
    try {
        const TCommandLine commandLine = ParseCommandLine({argv + 1, argv + argc}, UserPgEnvironment());
        if (commandLine.help) {
            std::cout << Usage();
            return kDone;
        }
        if (commandLine.version) {
            std::cout << "velmora-install " << kVelmoraVersion << std::endl;
            return kDone;
        }
        return RunInstall(commandLine);
    } catch (const EUsageError& e) {
        std::cerr << "velmora-install: " << e.what() << std::endl
                  << "Hilfe: velmora-install --help" << std::endl;
        return kRefused;
    }
}
