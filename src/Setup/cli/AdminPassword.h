#pragma once

#include "Setup/UnattendedConnectDialog.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/PasswordInput.h"

#include <ostream>

namespace velmora::cli {

// The administrator's password, looked for only once the server asks for one: the file the command
// line names, else PGPASSWORD, else the first matching line of the password file, else the user (a
// prompt without echo on a terminal, else the next line of standard input), unless the command line
// forbids asking: then the log-on fails with a database error.
class TAdminPasswordSource {
public:
    // Warnings about an ignored password file go to warnings. All three must outlive the source.
    TAdminPasswordSource(const TCommandLine& commandLine, TPasswordInput& input, std::ostream& warnings)
        : commandLine_(commandLine), input_(input), warnings_(warnings) {}

    std::string operator()(const TAdminLogin& login) const;

private:
    const TCommandLine& commandLine_;
    TPasswordInput& input_;
    std::ostream& warnings_;
};

// What the user is asked when the administrator's password is typed.
std::string AdminPasswordPrompt(const TAdminLogin& login);

} // namespace velmora::cli
