#include "Setup/tenant/Subcommand.h"

namespace velmora::tenant {

std::string SubcommandUsage(std::string_view synopsis, std::string_view description,
                            std::string_view ownOptions, std::string_view exitStatuses) {
    std::string usage = "Aufruf: " + std::string(synopsis) + "\n\n" + std::string(description) + "\n\n";
    usage += "Optionen:\n" + std::string(ownOptions) +
             "  -?, --help                   Zeigt diese Hilfe und endet\n"
             "  -V, --version                Zeigt die Version und endet\n\n";
    usage += cli::ConnectionUsage();
    usage += R"(Das Passwort des Administrators braucht das Programm nur, wenn der Server eines verlangt; es
kommt wie bei velmora-install aus der Datei der Option, PGPASSWORD, der Passwortdatei oder vom
Terminal.

)";
    return usage + "Exit-Status: " + std::string(exitStatuses) + "\n";
}

} // namespace velmora::tenant
