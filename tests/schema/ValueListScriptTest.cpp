#include "InstalledTenant.h"

#include <gmock/gmock.h>
#include <regex>

using namespace velmora::test;

namespace {

// Every row of a table as PostgreSQL prints a row value, in key order.
std::string rows(const TenantDatabase& tenant, const std::string& table, const std::string& orderBy) {
    return tenant.query("SELECT string_agg(t::text, ',' ORDER BY " + orderBy + ") FROM trevix." + table +
                        " t");
}

} // namespace

TEST_F(InstalledTenant, ValueListScriptWritesTheStandardRows) {
    EXPECT_EQ(install.succeededWith("DELETE"), 2);
    EXPECT_EQ(install.succeededWith("INSERT"), 35);

    struct Table {
        const char* name;
        const char* orderBy;
        const char* rows;
    };
    const Table tables[] = {
        {"wl_lvstruktur", "struktur_ebene",
         R"((0,Los),(1,"Stufe 1"),(2,"Stufe 2"),(3,"Stufe 3"),(4,"Stufe 4"))"},
        {"adresse_art", "adresse_art_id", "(1,kunde,),(2,lieferant,),(3,personal,)"},
        {"wl_lieferart", "lieferart", "(L,Lieferung),(R,Rücklieferung)"},
        {"wl_positionart", "id", "(1,Mengenberechnung),(2,Vorhaltung/Miete),(3,Miete)"},
        {"wl_rechnungart", "rechnungart_id",
         "(1,Abschlagsrechnung),(2,Schlussrechnung),(3,Rechnung),(4,Gutschrift)"},
        {"wl_mwst", "id", "(1,19.00,2008-01-01,2100-12-31)"},
        {"wl_gaeb_position_art", "id",
         R"((1,Grundposition),(2,Alternativposition),(3,Nachtragsposition),)"
         R"((4,"Bedarfsposition ohne Gesamtbetrag"),(5,Bezugsbeschreibung),(6,Wiederholungsbeschreibung),)"
         R"((7,Ausführungsbeschreibung),(8,"Ausführung gemäß Ausführungsbeschreibung"),)"
         R"((9,"Wiederholungsbeschreibung zu OZ"),(10,Leitbeschreibung))"},
        {"wl_gaeb_strukturcode", "struktur_id",
         "(-1,MIGRATION,-1),(0,1.22.33.44.55.PPPP.I,0),(1,11.22.33.44.PPPP.I,1),(2,11.22.33.PPPP.I,2),"
         "(3,11.22.PPPP.I,3),(4,11.PPPP.I,4),(5,PPPP.I,5)"},
        {"wl_auftragstatus", "auftragstatus_id", ""},
        {"wl_leistung", "leistung", ""},
        {"wl_material_verwendung", "verwendung_id", ""},
        {"wl_umsatzsteuer", "ust_id", ""},
    };
    for (const auto& table : tables)
        EXPECT_EQ(rows(tenant, table.name, table.orderBy), table.rows) << table.name;
    // The umlauts arrive as UTF-8 characters, not as their bytes.
    EXPECT_EQ(
        tenant.query("SELECT length(liefertext) || '/' || octet_length(liefertext) FROM trevix.wl_lieferart "
                     "WHERE lieferart = 'R'"),
        "13/14");
}

TEST_F(InstalledTenant, ValueListScriptRunTwiceFailsOnlyOnTheKeyedTables) {
    tenant.query(
        "INSERT INTO trevix.mandant (mandant, plz, ort, strasse) VALUES ('AB12', '12345', 'Ort', 'Weg 1')");
    tenant.query(
        "INSERT INTO trevix.wl_auftragstatus VALUES ('AB12', 52, 'Angebot', 1), ('AB12', 53, 'Auftrag', 2)");

    auto second = tenant.runScripts({valueListScript()});
    static const std::regex duplicate(R"re(^duplicate key value violates unique constraint "(\w+)"$)re");
    std::map<std::string, int> failuresByKey;
    for (const auto& error : second.errors) {
        std::smatch match;
        if (std::regex_match(error.message, match, duplicate))
            ++failuresByKey[match[1]];
        else
            ADD_FAILURE() << "line " << error.line << ": " << error.message;
    }
    const std::map<std::string, int> expected{
        {"pk_adresse_art", 3}, {"PK_wl_positionart", 3},        {"PK_wl_rechnungart", 4},
        {"PK_wl_mwst", 1},     {"PK_wl_gaeb_position_art", 10}, {"PK_wl_gaeb_strukturcode", 7},
    };
    EXPECT_EQ(failuresByKey, expected);
    EXPECT_EQ(second.succeededWith("INSERT"), 35 - 28);
    EXPECT_EQ(second.succeededWith("DELETE"), 2);

    EXPECT_EQ(tenant.query("SELECT count(*) FROM trevix.wl_lvstruktur"), "5");
    EXPECT_EQ(tenant.query("SELECT count(*) FROM trevix.wl_lieferart"), "4");
    EXPECT_EQ(tenant.query("SELECT count(*) FROM trevix.wl_auftragstatus"), "0");
}
