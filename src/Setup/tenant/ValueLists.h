#pragma once

#include "Dabrix/Uni.h"
#include "Setup/tenant/Catalogue.h"

#include <string>
#include <vector>

namespace velmora::tenant {

// The rows the installation writes into the value lists, as a reference database holds them, to be
// looked for in a tenant. A tenant may add rows of its own; only rows it lacks are drift. Its master
// data row and its customer-number counter, which the tenant changes as it works, are no value list.
class TValueLists {
public:
    // Reads every filled table of reference that tenant has too, over the columns both have: a
    // column that tenant lacks is reported once, as a column, not in every row.
    static TValueLists Read(TUniConnection& reference, const TCatalogue& referenceCatalogue,
                            const TCatalogue& tenantCatalogue);

    // "Werteliste trevix.<table>: Zeile <row> fehlt" for every row that tenant lacks, looked for on
    // the server, so that no row of the tenant is read.
    std::vector<std::string> Missing(TUniConnection& tenant) const;

private:
    struct TList {
        std::string table;
        std::string rowText; // the SQL expression that writes a row of x as text
        std::vector<std::string> rows;
    };
    std::vector<TList> lists_;
};

} // namespace velmora::tenant
