#include "InstalledTenant.h"

#include <fstream>
#include <regex>
#include <set>

using namespace velmora::test;

namespace {

// The statements of the structure script, by the command tag psql reports for each. ALTER TABLE
// covers the ownership statements of tables, sequences and views, the keys and the foreign keys.
const std::map<std::string, int> kStructureTally{
    {"SET", 10},
    {"(row)", 1},
    {"CREATE FUNCTION", 10},
    {"ALTER FUNCTION", 10},
    {"CREATE SEQUENCE", 3},
    {"CREATE TABLE", 68},
    {"CREATE VIEW", 38},
    {"ALTER TABLE", 196},
    {"CREATE INDEX", 58},
    {"CREATE TRIGGER", 2},
};

int total(const std::map<std::string, int>& tally) {
    int sum = 0;
    for (const auto& [tag, count] : tally)
        sum += count;
    return sum;
}

// The script's lines that hand an object to one of the roles the installation does not create.
std::set<int> ownershipLinesNamingApplicationRoles() {
    static const std::regex ownership(R"(^ALTER (TABLE|FUNCTION) trevix\..* OWNER TO (qz7k|trevix);$)");
    std::ifstream file(structureScript());
    std::set<int> lines;
    int number = 0;
    for (std::string line; std::getline(file, line);)
        if (++number; std::regex_match(line, ownership))
            lines.insert(number);
    return lines;
}

const char* const kOwnersOtherThanPostgres =
    "SELECT string_agg(relname || ':' || pg_get_userbyid(relowner), ',' ORDER BY relname) FROM pg_class "
    "WHERE relnamespace = 'trevix'::regnamespace AND relkind IN ('r', 'S') "
    "AND pg_get_userbyid(relowner) <> 'postgres'";

} // namespace

TEST(StructureScript, RunsEveryStatementWhenTheNamedRolesExist) {
    ApplicationRoles roles;
    TenantDatabase tenant;
    auto run = tenant.runScripts({structureScript()});
    for (const auto& error : run.errors)
        ADD_FAILURE() << "line " << error.line << ": " << error.message;
    EXPECT_EQ(run.succeeded, kStructureTally);
    EXPECT_EQ(tenant.query(kOwnersOtherThanPostgres),
              "buch20:qz7k,ortsverzeichnis:trevix,sys_format_druck:qz7k");
}

TEST(StructureScript, WithoutTheNamedRolesOnlyTheirOwnershipStatementsFail) {
    ASSERT_EQ(ApplicationRoles::countExisting(), 0);
    TenantDatabase tenant;
    auto run = tenant.runScripts({structureScript()});

    std::set<int> failedLines;
    for (const auto& error : run.errors) {
        EXPECT_TRUE(isMissingRoleOwnership(error)) << "line " << error.line << ": " << error.message;
        failedLines.insert(error.line);
    }
    EXPECT_EQ(failedLines, ownershipLinesNamingApplicationRoles());
    EXPECT_EQ(run.errors.size(), 22u);
    EXPECT_EQ(run.statements(), total(kStructureTally));
    // The objects whose ownership statement failed stay with the tenant role.
    const std::string r = tenant.role();
    EXPECT_EQ(tenant.query(kOwnersOtherThanPostgres),
              "buch20:" + r + ",ortsverzeichnis:" + r + ",sys_format_druck:" + r);
}

TEST(StructureScript, SecondRunFailsOnEveryStatementThatCreatesSomething) {
    TenantDatabase tenant;
    auto first = tenant.runScripts({structureScript()});
    auto second = tenant.runScripts({structureScript()});

    // Every statement that creates something fails, whatever the server calls the object that is
    // already there.
    int creatingStatementsFailed = 0;
    int missingRole = 0;
    for (const auto& error : second.errors) {
        if (isMissingRoleOwnership(error))
            ++missingRole;
        else if (error.message.find("already exists") != std::string::npos ||
                 error.message.find("multiple primary keys") != std::string::npos)
            ++creatingStatementsFailed;
        else
            ADD_FAILURE() << "line " << error.line << ": " << error.message;
    }
    const int functions = 10;
    const int relations = 68 + 3 + 38; // tables, sequences and views
    const int keysAndForeignKeys = 57 + 30;
    EXPECT_EQ(creatingStatementsFailed, functions + relations + 58 + 2 + keysAndForeignKeys);
    // The settings and the ownership statements run again and change nothing.
    EXPECT_EQ(second.succeededWith("SET"), 10);
    EXPECT_EQ(second.succeededWith("ALTER FUNCTION"), functions);
    EXPECT_EQ(second.succeededWith("ALTER TABLE") + missingRole, relations);
    EXPECT_EQ(second.statements(), first.statements());
}

TEST(StructureScript, LeavesTheSearchPathEmptyForTheRestOfTheSession) {
    TenantDatabase tenant;
    auto result = tenant.psqlAsTenant(
        {"-f", structureScript(), "-c", "SELECT '[' || current_setting('search_path') || ']'", "-c",
         "SELECT count(*) FROM trevix.mandant", "-c", "SELECT count(*) FROM mandant"});
    EXPECT_NE(result.out.find("[]\n0\n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("ERROR:  relation \"mandant\" does not exist"), std::string::npos)
        << result.err;
}

TEST_F(InstalledTenant, CatalogHoldsTheTablesKeysIndexesAndForeignKeys) {
    struct Count {
        const char* what;
        const char* sql;
        const char* expected;
    };
    const Count counts[] = {
        {"tables", "SELECT count(*) FROM pg_class WHERE relnamespace = ns AND relkind = 'r'", "68"},
        {"value-list tables",
         "SELECT count(*) FROM pg_class WHERE relnamespace = ns AND relkind = 'r' AND relname LIKE 'wl\\_%'",
         "11"},
        {"columns",
         "SELECT count(*) FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
         "WHERE c.relnamespace = ns AND c.relkind = 'r' AND a.attnum > 0",
         "717"},
        {"not-null columns",
         "SELECT count(*) FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
         "WHERE c.relnamespace = ns AND c.relkind = 'r' AND a.attnum > 0 AND a.attnotnull",
         "229"},
        {"column defaults",
         "SELECT count(*) FROM pg_attrdef d JOIN pg_class c ON c.oid = d.adrelid WHERE c.relnamespace = ns",
         "145"},
        {"key defaults from vlm1_sequence",
         "SELECT count(*) FROM pg_attrdef WHERE pg_get_expr(adbin, adrelid) = "
         "'nextval(''trevix.vlm1_sequence''::regclass)'",
         "26"},
        {"primary keys", "SELECT count(*) FROM pg_constraint WHERE connamespace = ns AND contype = 'p'",
         "56"},
        {"unique constraints",
         "SELECT string_agg(conname, ',') FROM pg_constraint WHERE connamespace = ns AND contype = 'u'",
         "idx_auftrag_nachtrag"},
        {"foreign keys, all MATCH SIMPLE",
         "SELECT count(*) FILTER (WHERE confmatchtype = 's') || '/' || count(*) FROM pg_constraint "
         "WHERE connamespace = ns AND contype = 'f'",
         "30/30"},
        {"foreign keys to the tenant table",
         "SELECT count(*) FROM pg_constraint WHERE connamespace = ns AND confrelid = "
         "'trevix.mandant'::regclass",
         "11"},
        {"check constraints", "SELECT count(*) FROM pg_constraint WHERE connamespace = ns AND contype = 'c'",
         "0"},
        {"indexes besides the keys, unique ones, btree ones",
         "SELECT count(*) || '/' || count(*) FILTER (WHERE i.indisunique) || '/' || count(*) FILTER (WHERE "
         "am.amname = 'btree') "
         "FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_am am ON am.oid = c.relam "
         "WHERE c.relnamespace = ns AND NOT EXISTS (SELECT 1 FROM pg_constraint WHERE conindid = "
         "i.indexrelid)",
         "58/4/58"},
        {"unique indexes",
         "SELECT string_agg(c.relname || substring(pg_get_indexdef(i.indexrelid) FROM '\\(.*\\)$'), ',' "
         "ORDER BY c.relname) "
         "FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid WHERE c.relnamespace = ns AND "
         "i.indisunique "
         "AND NOT EXISTS (SELECT 1 FROM pg_constraint WHERE conindid = i.indexrelid)",
         "adresszuweisung_idx_idx_lr_nr(lieferant_nr),adresszuweisung_idx_idx_pers_nr(personal_nr),"
         "adresszuweisung_idx_kd_nr(kunden_nr),ix_artikel03_artikelnr(mandant, artikelnr)"},
        {"foreign keys with update or delete rules",
         "SELECT string_agg(conname || ':' || confupdtype::text || confdeltype::text, ',' ORDER BY conname) "
         "FROM "
         "pg_constraint "
         "WHERE connamespace = ns AND contype = 'f' AND (confupdtype <> 'a' OR confdeltype <> 'a')",
         "FK_auftrag20_auftrag01:cc,FK_buch11_buch10:ac,FK_buch21_buch20:ac,FK_buch22_auftrag10:ca,"
         "FK_buch22_buch20:ac,FK_leistung01_auftrag10_02:cc,fk_adresse_art_zuweisung_adresse_art:rr,"
         "fk_artikel02_mandant:ar"},
        {"sequences",
         "SELECT string_agg(concat_ws(' ', sequencename, data_type, start_value, min_value, max_value, "
         "increment_by, "
         "cycle, cache_size), ',' ORDER BY sequencename) FROM pg_sequences WHERE schemaname = 'trevix'",
         "adresse_art_zuweisung_adresse_art_id_seq bigint 1 1 9223372036854775807 1 f 1,"
         "tempval_sequence bigint 1 1 10000000 1 f 1,vlm1_sequence bigint 1 1 1000000000 1 f 1"},
    };
    for (const auto& count : counts) {
        std::string sql =
            std::regex_replace(std::string(count.sql), std::regex(R"(\bns\b)"), "'trevix'::regnamespace");
        EXPECT_EQ(tenant.query(sql), count.expected) << count.what;
    }
}

TEST_F(InstalledTenant, ColumnsAreDefinedAsTheApplicationAddressesThem) {
    struct Column {
        const char* table;
        const char* column;
        const char* expected; // type|not null|default, as the catalog prints them
    };
    const Column columns[] = {
        {"mandant", "mandant", "character(4)|not null|"},
        {"mandant", "password", "character varying(100)||"},
        {"person01", "person_id", "integer|not null|nextval('trevix.vlm1_sequence'::regclass)"},
        {"tagebuch01", "tgb_id", "integer||nextval('trevix.vlm1_sequence'::regclass)"},
        {"sys_dokustruktur", "id", "integer|not null|nextval('trevix.vlm1_sequence'::regclass)"},
        {"person01", "mandant", "character(4)|not null|'kvt'::bpchar"},
        {"adresse_art_zuweisung", "mandant", "character varying(50)|not null|'kvt'::character varying"},
        {"person01_temp", "mandant", "character varying(10)|not null|'QZ7K'::character varying"},
        {"auftrag01nr", "mandant", "character varying(4)|not null|'KVT'::character varying"},
        {"buch10", "mandant", "character(4)|not null|'KVT'::bpchar"},
        {"buch20", "mandant", "character(4)||"},
        {"aufmassblatt", "Bemerkungen", "text||"},
        {"aufmassblatt", "aufttrag_id", "integer||"},
        {"aufmasszeile", "Beschreibung", "character varying(200)||"},
        {"aufmasszeile", "Bemerkung", "text||"},
        {"aufmassformel", "wet4", "numeric(15,5)||"},
        {"sys_format_druck", "left", "numeric(5,2)||"},
        {"sys_format_druck", "right", "numeric(5,2)||"},
        {"auftrag01", "mwstprozent", "numeric(5,2)|not null|19.00"},
        {"auftrag01", "struktur_id", "integer|not null|0"},
        {"auftrag05", "struktur_code", "character(3)|not null|'000'::bpchar"},
        {"auftrag05", "benutzer", "character varying(30)||NULL::character varying"},
        {"auftrag10", "tagesberechnung", "boolean||false"},
        {"auftrag20", "bild", "bytea|not null|"},
        {"buch20", "buchungkreis", "character varying(2)|not null|'00'::character varying"},
        {"buch20", "mwstprozent", "real||"},
        {"buch20", "zahlungsziel", "double precision||"},
        {"leistung01", "ep", "numeric(10,3)||0.000"},
        {"lieferung02", "mwst", "numeric(5,2)|not null|19.0"},
        {"person01", "save_time", "timestamp without time zone||now()"},
        {"sec_user", "name", "character varying(30)|not null|''::character varying"},
        {"wl_mwst", "bis", "date|not null|'2100-12-31'::date"},
    };
    for (const auto& c : columns) {
        const std::string sql = "SELECT format_type(a.atttypid, a.atttypmod) || CASE WHEN a.attnotnull THEN "
                                "'|not null|' ELSE '||' END || "
                                "coalesce(pg_get_expr(d.adbin, d.adrelid), '') FROM pg_attribute a "
                                "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
                                "WHERE a.attrelid = 'trevix." +
                                std::string(c.table) + "'::regclass AND a.attname = '" + c.column + "'";
        EXPECT_EQ(tenant.query(sql), c.expected) << c.table << '.' << c.column;
    }
}
