#include "Setup/tenant/ListCommand.h"

#include "Setup/cli/ExitStatus.h"

namespace velmora::tenant {
namespace {

constexpr cli::TOptionName kListOptions[] = {kJsonOption};

template <class T>
nlohmann::json OrNull(const std::optional<T>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json();
}

std::string ListUsage() {
    return SubcommandUsage(
        "velmora-tenant list [Optionen]",
        "Listet jeden Mandanten des Servers auf, jede Datenbank mit der Tabelle trevix.mandant:\n"
        "Mandant, Lizenznehmer, Ort, Datenbank, Besitzer, Größe, Release der Installation und ob sich\n"
        "die Rolle des Mandanten anmelden kann. Am Terminal als Tabelle, sonst eine Zeile je Mandant\n"
        "mit Tabulatoren zwischen den Feldern (Größe in Bytes). Eine Datenbank, in die der\n"
        "Administrator nicht hineinsehen kann, wird als Warnung genannt.",
        kJsonUsage,
        "0 aufgelistet; 1 abgebrochen; 2 falscher Aufruf; 3 unvollständig: mindestens eine\n"
        "Datenbank konnte nicht geprüft werden.");
}

int List(const cli::TCommandLine& commandLine, TCommandOutput& output) {
    TAdminSession session(commandLine, output.Errors());
    const TTenantListing listing = ListTenants(session);
    if (output.TextOnTerminal())
        WriteTenantTable(listing, output.Text());
    else
        WriteTenantLines(listing, output.Text());
    for (const TUncheckedDatabase& database : listing.unchecked)
        output.Errors() << "Warnung: Datenbank " << database.database << " nicht geprüft: " << database.reason
                        << std::endl;
    output.Document(TenantListingJson(listing));
    return listing.unchecked.empty() ? cli::kDone : cli::kIncomplete;
}

} // namespace

TSubcommand ListSubcommand() {
    return {"list",
            "listet die Mandanten des Servers auf",
            {.tenantOptions = false, .ownOptions = kListOptions, .applicationName = "velmora-tenant"},
            ListUsage,
            List};
}

nlohmann::json TenantListingJson(const TTenantListing& listing) {
    nlohmann::json tenants = nlohmann::json::array();
    for (const TTenantEntry& tenant : listing.tenants)
        tenants.push_back({{"tenant", tenant.code},
                           {"licensee", tenant.licensee},
                           {"city", tenant.city},
                           {"database", tenant.database},
                           {"owner", tenant.owner},
                           {"size_bytes", OrNull(tenant.sizeBytes)},
                           {"release", OrNull(tenant.release)},
                           {"role_can_log_on", OrNull(tenant.roleCanLogOn)}});
    nlohmann::json unchecked = nlohmann::json::array();
    for (const TUncheckedDatabase& database : listing.unchecked)
        unchecked.push_back({{"database", database.database}, {"error", database.reason}});
    return {{"tenants", tenants}, {"unchecked", unchecked}};
}

} // namespace velmora::tenant
