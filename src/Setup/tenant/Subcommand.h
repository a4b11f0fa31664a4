#pragma once

#include "Setup/cli/CommandLine.h"
#include "Setup/tenant/CommandOutput.h"

#include <string>
#include <string_view>

namespace velmora::tenant {

// One subcommand of velmora-tenant: what its command line accepts, its help, and its run.
struct TSubcommand {
    std::string_view name;
    std::string_view summary; // the line of the program's overview
    cli::TCommandSyntax syntax;
    std::string (*usage)();
    // Runs with the parsed command line and returns the exit status (cli::TExitStatus). Failures
    // are raised; the program turns them into the text, the JSON document and the status.
    int (*run)(const cli::TCommandLine& commandLine, TCommandOutput& output);
};

inline constexpr cli::TOptionName kJsonOption{"--json", 0, false};
inline constexpr std::string_view kJsonUsage =
    "      --json                   Ergebnis als JSON-Dokument auf der Standardausgabe, der Text\n"
    "                               auf der Standardfehlerausgabe\n";

// The help of a subcommand that logs the administrator on: its synopsis (after "Aufruf: "), what
// it does, its own options' lines, the administrator's log-on and what its exit statuses mean.
std::string SubcommandUsage(std::string_view synopsis, std::string_view description,
                            std::string_view ownOptions, std::string_view exitStatuses);

} // namespace velmora::tenant
