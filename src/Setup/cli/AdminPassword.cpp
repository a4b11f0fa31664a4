#include "Setup/cli/AdminPassword.h"

#include "Common/Exceptions.h"
#include "Setup/cli/PgPassFile.h"

namespace velmora::cli {

std::string TAdminPasswordSource::operator()(const TAdminLogin& login) const {
    if (commandLine_.adminPasswordFile)
        return PasswordFromFile(*commandLine_.adminPasswordFile);
    if (commandLine_.adminPassword)
        return *commandLine_.adminPassword;
    if (!commandLine_.passwordFile.empty()) {
        const TPgPassFile::TLookup found =
            TPgPassFile(commandLine_.passwordFile)
                .Find(TPgPassKey::For(login.server, login.port, login.database, login.username));
        if (found.warning)
            warnings_ << "Warnung: " << *found.warning << std::endl;
        // An empty password is none: the user is asked, as the server's own tools do.
        if (found.password && !found.password->empty())
            return *found.password;
    }
    if (commandLine_.noPasswordPrompt)
        throw EDAError("Der Server verlangt ein Passwort, und --no-password verbietet, danach zu fragen", 0);
    return input_.Read(AdminPasswordPrompt(login));
}

std::string AdminPasswordPrompt(const TAdminLogin& login) {
    return "Passwort des Administrators " + login.username + ": ";
}

} // namespace velmora::cli
