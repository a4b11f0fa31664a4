#include "Setup/tenant/Catalogue.h"

#include "Common/Exceptions.h"

#include <set>

namespace velmora::tenant {
namespace {

using TRow = std::vector<std::string>;

constexpr const char* kOwner = "Besitzer";
constexpr const char* kGrants = "Rechte";

// The rows of a catalogue query, each checked for the columns it was asked for.
std::vector<TRow> Rows(TUniConnection& connection, const std::string& sql, std::size_t columns) {
    std::vector<TRow> rows = connection.SelectRows(sql);
    for (const TRow& row : rows) {
        if (row.size() != columns)
            throw EDatabaseError("Unexpected server response");
    }
    return rows;
}

// An object's grants as one text, by grantee ("(Besitzer): SELECT UPDATE; qz7k: SELECT", an asterisk
// after a right that may be passed on). The owner is named as such, so that a change of owner is
// reported once, as that; objects without grants of their own show the owner's default rights, so
// that a grant given and taken back again compares equal to none given. kind is an SQL expression
// for acldefault's kind of object.
std::string Grants(const std::string& acl, const std::string& kind, const std::string& owner) {
    return "(SELECT coalesce(pg_catalog.string_agg(g.grantee || ': ' || g.rights, '; ' ORDER BY g.grantee), "
           "'') "
           "FROM (SELECT CASE WHEN e.grantee = " +
           owner +
           " THEN '(Besitzer)' WHEN e.grantee = 0 THEN 'PUBLIC' "
           "ELSE pg_catalog.pg_get_userbyid(e.grantee)::text END AS grantee, "
           "pg_catalog.string_agg(e.privilege_type || CASE WHEN e.is_grantable THEN '*' ELSE '' END, ' ' "
           "ORDER BY e.privilege_type) AS rights "
           "FROM pg_catalog.aclexplode(coalesce(" +
           acl + ", pg_catalog.acldefault(" + kind + ", " + owner + "))) e GROUP BY 1) g)";
}

std::string Qualified(const std::string& name) {
    return "trevix." + name;
}

const char* RelationKind(const std::string& relkind) {
    if (relkind == "v")
        return "Sicht";
    if (relkind == "m")
        return "Materialisierte Sicht";
    if (relkind == "S")
        return "Sequenz";
    if (relkind == "f")
        return "Fremdtabelle";
    return "Tabelle";
}

const char* ConstraintKind(const std::string& contype) {
    if (contype == "p")
        return "Primärschlüssel";
    if (contype == "u")
        return "Eindeutigkeit";
    if (contype == "c")
        return "Prüfbedingung";
    if (contype == "f")
        return "Fremdschlüssel";
    return "Ausschlussbedingung";
}

const char* TriggerState(const std::string& tgenabled) {
    if (tgenabled == "D")
        return "abgeschaltet";
    if (tgenabled == "R")
        return "nur bei Replikation";
    if (tgenabled == "A")
        return "immer";
    return "aktiv";
}

std::string Shown(const std::string& value) {
    return value.empty() ? "(keine)" : value;
}

class TCatalogueReader {
public:
    TCatalogueReader(TUniConnection& connection, std::map<std::string, TCatalogueObject>& objects,
                     std::map<std::string, std::vector<std::string>>& tables)
        : connection_(connection), objects_(objects), tables_(tables) {}

    void ReadDatabase(const std::string& database) {
        for (const TRow& row : Rows(
                 connection_,
                 "SELECT pg_catalog.pg_get_userbyid(d.datdba), pg_catalog.pg_encoding_to_char(d.encoding), " +
                     Grants("d.datacl", "'d'", "d.datdba") +
                     " FROM pg_catalog.pg_database d WHERE d.datname = pg_catalog.current_database()",
                 3))
            Add("Datenbank " + database, {},
                {{kOwner, Owner(row[0])}, {"Kodierung", {row[1]}}, {kGrants, {row[2]}}});
        for (const TRow& row :
             Rows(connection_,
                  "SELECT pg_catalog.pg_get_userbyid(nspowner), " + Grants("nspacl", "'n'", "nspowner") +
                      " FROM pg_catalog.pg_namespace WHERE nspname = 'trevix'",
                  2))
            Add("Schema trevix", {}, {{kOwner, Owner(row[0])}, {kGrants, {row[1]}}});
    }

    void ReadRelations() {
        const std::string sql =
            "SELECT c.relname, c.relkind, pg_catalog.pg_get_userbyid(c.relowner), " +
            Grants("c.relacl", "(CASE WHEN c.relkind = 'S' THEN 's' ELSE 'r' END)::\"char\"", "c.relowner") +
            ", CASE WHEN c.relkind IN ('v', 'm') THEN pg_catalog.pg_get_viewdef(c.oid) ELSE '' END, "
            "coalesce(pg_catalog.concat_ws(' ', pg_catalog.format_type(s.seqtypid, NULL), 'START', "
            "s.seqstart, "
            "'INCREMENT', s.seqincrement, 'MINVALUE', s.seqmin, 'MAXVALUE', s.seqmax, 'CACHE', s.seqcache, "
            "CASE WHEN s.seqcycle THEN 'CYCLE' ELSE 'NO CYCLE' END), '') "
            "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "LEFT JOIN pg_catalog.pg_sequence s ON s.seqrelid = c.oid "
            "WHERE n.nspname = 'trevix' AND c.relkind IN ('r', 'p', 'v', 'm', 'S', 'f')";
        for (const TRow& row : Rows(connection_, sql, 6)) {
            std::map<std::string, TCatalogueProperty> properties{{kOwner, Owner(row[2])},
                                                                 {kGrants, {row[3]}}};
            if (row[1] == "v" || row[1] == "m")
                properties.emplace("Definition", TCatalogueProperty{row[4], TPropertyShow::ChangedOnly});
            if (row[1] == "S")
                properties.emplace("Parameter", TCatalogueProperty{row[5]});
            Add(std::string(RelationKind(row[1])) + " " + Qualified(row[0]), {}, std::move(properties));
        }
    }

    void ReadColumns() {
        const std::string sql =
            "SELECT c.relname, a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), "
            "CASE WHEN a.attnotnull THEN 'ja' ELSE 'nein' END, "
            "coalesce(pg_catalog.pg_get_expr(d.adbin, d.adrelid), '') "
            "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
            "WHERE n.nspname = 'trevix' AND c.relkind IN ('r', 'p', 'f') AND a.attnum > 0 "
            "AND NOT a.attisdropped ORDER BY c.relname, a.attnum";
        for (const TRow& row : Rows(connection_, sql, 5)) {
            tables_[row[0]].push_back(row[1]);
            Add(TableLabel(row[0]) + ": Spalte " + row[1], TableLabel(row[0]),
                {{"Typ", {row[2]}}, {"NOT NULL", {row[3]}}, {"Vorgabe", {Shown(row[4])}}});
        }
    }

    void ReadConstraints() {
        const std::string sql =
            "SELECT c.relname, con.conname, con.contype, pg_catalog.pg_get_constraintdef(con.oid) "
            "FROM pg_catalog.pg_constraint con JOIN pg_catalog.pg_class c ON c.oid = con.conrelid "
            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "WHERE n.nspname = 'trevix' AND con.contype IN ('p', 'u', 'c', 'f', 'x')";
        for (const TRow& row : Rows(connection_, sql, 4))
            Add(TableLabel(row[0]) + ": " + ConstraintKind(row[2]) + " " + row[1], TableLabel(row[0]),
                {{"Bedingung", {row[3]}}});
    }

    // The indexes of keys and unique constraints go with their constraints.
    void ReadIndexes() {
        const std::string sql =
            "SELECT i.relname, t.relname, pg_catalog.pg_get_indexdef(i.oid) "
            "FROM pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid "
            "JOIN pg_catalog.pg_class t ON t.oid = x.indrelid "
            "JOIN pg_catalog.pg_namespace n ON n.oid = i.relnamespace WHERE n.nspname = 'trevix' "
            "AND NOT EXISTS (SELECT 1 FROM pg_catalog.pg_constraint con WHERE con.conindid = x.indexrelid "
            "AND con.conrelid = x.indrelid AND con.contype IN ('p', 'u', 'x'))";
        for (const TRow& row : Rows(connection_, sql, 3))
            Add("Index " + Qualified(row[0]), TableLabel(row[1]),
                {{"Definition", {row[2], TPropertyShow::ChangedOnly}}});
    }

    void ReadFunctions() {
        const std::string sql =
            "SELECT p.oid::pg_catalog.regprocedure::text, l.lanname, p.prosrc, "
            "coalesce(pg_catalog.pg_get_function_result(p.oid), ''), "
            "pg_catalog.pg_get_function_arguments(p.oid), pg_catalog.pg_get_userbyid(p.proowner), " +
            Grants("p.proacl", "'f'", "p.proowner") +
            ", pg_catalog.concat_ws(' ', CASE p.provolatile WHEN 'i' THEN 'IMMUTABLE' WHEN 's' THEN 'STABLE' "
            "ELSE 'VOLATILE' END, CASE WHEN p.proisstrict THEN 'STRICT' END, "
            "CASE WHEN p.prosecdef THEN 'SECURITY DEFINER' END, "
            "pg_catalog.array_to_string(p.proconfig, ' ')) "
            "FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
            "JOIN pg_catalog.pg_language l ON l.oid = p.prolang WHERE n.nspname = 'trevix'";
        for (const TRow& row : Rows(connection_, sql, 8))
            Add("Funktion " + row[0], {},
                {{"Sprache", {row[1]}},
                 {"Rumpf", {row[2], TPropertyShow::ChangedOnly}},
                 {"Ergebnis", {row[3]}},
                 {"Parameter", {row[4]}},
                 {kOwner, Owner(row[5])},
                 {kGrants, {row[6]}},
                 {"Eigenschaften", {row[7]}}});
    }

    void ReadTriggers() {
        const std::string sql =
            "SELECT c.relname, t.tgname, pg_catalog.pg_get_triggerdef(t.oid), t.tgenabled "
            "FROM pg_catalog.pg_trigger t JOIN pg_catalog.pg_class c ON c.oid = t.tgrelid "
            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "WHERE n.nspname = 'trevix' AND NOT t.tgisinternal";
        for (const TRow& row : Rows(connection_, sql, 4))
            Add(TableLabel(row[0]) + ": Trigger " + row[1], TableLabel(row[0]),
                {{"Definition", {row[2], TPropertyShow::ChangedOnly}}, {"Zustand", {TriggerState(row[3])}}});
    }

private:
    static TCatalogueProperty Owner(const std::string& role) { return {role, TPropertyShow::Owner}; }

    void Add(const std::string& label, std::string parent,
             std::map<std::string, TCatalogueProperty> properties) {
        objects_[label] = {std::move(parent), std::move(properties)};
    }

    TUniConnection& connection_;
    std::map<std::string, TCatalogueObject>& objects_;
    std::map<std::string, std::vector<std::string>>& tables_;
};

void CompareProperties(const std::string& label, const TCatalogueObject& expected,
                       const TCatalogueObject& actual, std::vector<std::string>& differences) {
    for (const auto& [name, property] : expected.properties) {
        const auto found = actual.properties.find(name);
        const std::string value = found == actual.properties.end() ? std::string() : found->second.value;
        if (value == property.value)
            continue;
        switch (property.show) {
        case TPropertyShow::Values:
            differences.push_back(label + ": " + name + " ist " + Shown(value) + " statt " +
                                  Shown(property.value));
            break;
        case TPropertyShow::ChangedOnly:
            differences.push_back(label + ": " + name + " geändert");
            break;
        case TPropertyShow::Owner:
            differences.push_back("Besitzer von " + label + " ist " + value + " statt " + property.value);
            break;
        }
    }
}

} // namespace

std::string TableLabel(const std::string& table) {
    return "Tabelle " + Qualified(table);
}

TCatalogue TCatalogue::Read(TUniConnection& connection, const std::string& database) {
    // Names outside the path are written with their schema, and values (defaults, rows) in one
    // style, the same way in both databases whatever their own settings say.
    connection.SelectRows("SELECT pg_catalog.set_config('search_path', '', false), "
                          "pg_catalog.set_config('datestyle', 'ISO, YMD', false), "
                          "pg_catalog.set_config('intervalstyle', 'postgres', false), "
                          "pg_catalog.set_config('extra_float_digits', '3', false), "
                          "pg_catalog.set_config('bytea_output', 'hex', false), "
                          "pg_catalog.set_config('timezone', 'UTC', false)");
    TCatalogue catalogue;
    TCatalogueReader reader(connection, catalogue.objects_, catalogue.tables_);
    reader.ReadDatabase(database);
    reader.ReadRelations();
    reader.ReadColumns();
    reader.ReadConstraints();
    reader.ReadIndexes();
    reader.ReadFunctions();
    reader.ReadTriggers();
    return catalogue;
}

std::vector<std::string> CompareCatalogues(const TCatalogue& expected, const TCatalogue& actual) {
    const auto& want = expected.Objects();
    const auto& have = actual.Objects();
    std::set<std::string> missing;
    std::set<std::string> extra;
    for (const auto& [label, object] : want) {
        if (!have.contains(label))
            missing.insert(label);
    }
    for (const auto& [label, object] : have) {
        if (!want.contains(label))
            extra.insert(label);
    }
    std::map<std::string, std::vector<std::string>> byObject;
    for (const std::string& label : missing) {
        if (!missing.contains(want.at(label).parent))
            byObject[label].push_back(label + " fehlt");
    }
    for (const std::string& label : extra) {
        if (!extra.contains(have.at(label).parent))
            byObject[label].push_back(label + " ist zusätzlich vorhanden");
    }
    for (const auto& [label, object] : want) {
        if (const auto found = have.find(label); found != have.end())
            CompareProperties(label, object, found->second, byObject[label]);
    }
    std::vector<std::string> differences;
    for (auto& [label, lines] : byObject)
        differences.insert(differences.end(), lines.begin(), lines.end());
    return differences;
}

} // namespace velmora::tenant
