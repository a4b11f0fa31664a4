#pragma once

#include "Dabrix/Uni.h"

#include <map>
#include <string>
#include <vector>

namespace velmora::tenant {

// How a difference in one property reads.
enum class TPropertyShow {
    Values,      // "<object>: <property> ist <actual> statt <expected>"
    ChangedOnly, // "<object>: <property> geändert", for texts too long to quote (bodies, definitions)
    Owner,       // "Besitzer von <object> ist <actual> statt <expected>"
};

struct TCatalogueProperty {
    std::string value; // in the server's own words
    TPropertyShow show = TPropertyShow::Values;
};

// One object of a tenant database, as the server's catalogue describes it, under the name that
// messages give it ("Tabelle trevix.mandant", "Tabelle trevix.mandant: Spalte plz").
struct TCatalogueObject {
    // The object it belongs to (a column's or a trigger's table), whose absence says it all; empty
    // for none.
    std::string parent;
    std::map<std::string, TCatalogueProperty> properties;
};

// The database and everything in its schema trevix that the installation makes: tables with their
// columns, keys, checks and foreign keys, indexes, sequences, functions, triggers and views, with
// owners and grants. No data row is read. Every text comes from the server's catalogue functions
// (format_type, pg_get_viewdef, ...) with an empty search path, so that two databases on one
// server describe the same object in the same words.
class TCatalogue {
public:
    // Reads the database the connection is connected to; messages name it database. Sets the
    // session's search path empty.
    static TCatalogue Read(TUniConnection& connection, const std::string& database);

    const std::map<std::string, TCatalogueObject>& Objects() const { return objects_; }
    // The tables of schema trevix with their columns in the table's order.
    const std::map<std::string, std::vector<std::string>>& Tables() const { return tables_; }

private:
    std::map<std::string, TCatalogueObject> objects_;
    std::map<std::string, std::vector<std::string>> tables_;
};

// What actual lacks, has besides, or has otherwise than expected, one German line per
// difference, in the order of the objects' names. An object whose parent is itself missing or
// extra goes unmentioned.
std::vector<std::string> CompareCatalogues(const TCatalogue& expected, const TCatalogue& actual);

// The name messages give a table of schema trevix.
std::string TableLabel(const std::string& table);

} // namespace velmora::tenant
