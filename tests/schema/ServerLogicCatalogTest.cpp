#include "TenantDatabase.h"

#include <gtest/gtest.h>

using namespace velmora::test;

namespace {

// The application calls the functions by these names, parameter names and defaults.
const char* const kFunctions =
    "berechne_rech_pos|stichtag date, rechnung_id integer|void|plpgsql|v|f|f|postgres\n"
    "berechne_vorhaltung||trigger|plpgsql|v|f|f|postgres\n"
    "copy_angebot|auftrag_id_quelle integer DEFAULT 1330, person_id_ziel integer DEFAULT 30, auftrag_art "
    "integer "
    "DEFAULT 53|integer|plpgsql|v|f|f|postgres\n"
    "copy_position|pos_id integer DEFAULT 17540|boolean|plpgsql|v|f|f|postgres\n"
    "insert_listtext||trigger|plpgsql|v|f|f|postgres\n"
    "next_atnr|p_mandant text DEFAULT 'kvt'::text, p_art integer DEFAULT 53|text|plpgsql|v|f|f|postgres\n"
    "next_kdnr|\"Mandant\" text DEFAULT 'QZ7K'::text|text|plpgsql|v|f|f|postgres\n"
    "next_renr|p_mandant text DEFAULT 'kvt'::text, p_belegdatum date DEFAULT now(), p_buchungkreis character "
    "DEFAULT '00'::bpchar|text|plpgsql|v|f|f|postgres\n"
    "next_standardleistung_nr|mandant character DEFAULT 'QZ7K'::text|character|plpgsql|v|f|f|postgres\n"
    "nextnumber||numeric|plpgsql|v|f|f|postgres";

// In the order the script creates them, each with its owner.
const char* const kViews =
    "v_artikel:qz7k,v_artikel02_liste:qz7k,v_auftrag11:postgres,v_auftrag12:postgres,v_auftrag13:postgres,"
    "v_auftrag14:postgres,v_auftraglos:postgres,v_auftrag10:postgres,v_auftrag10pos:postgres,"
    "v_rechnung_op:qz7k,v_rechnung_op_liste:qz7k,v_auftrag_op:qz7k,v_kunde:postgres,v_auftragkunde:postgres,"
    "v_auftragtree:postgres,v_buch22_summe_los:trevix,v_buch22_summe_s1:trevix,v_buch22_summe_s2:trevix,"
    "v_buch22_summe_s3:trevix,v_buch22_summe_s4:trevix,v_buchung:postgres,v_delta_leistung_pos:trevix,"
    "v_konzern_liste:qz7k,v_kunden_liste:postgres,v_kunden_op:qz7k,v_kunden_umsatz_statistik:trevix,"
    "v_leistung:postgres,v_lieferant_liste:qz7k,v_mahnliste:qz7k,v_rechnungsausgang:qz7k,v_rab_jahr:trevix,"
    "v_strukturbaum:postgres,v_summeauftrag:postgres,v_summedemontage:postgres,v_summeleistung_pos:trevix,"
    "v_summelieferung:postgres,v_summemiete:postgres,v_zahlungsaufstellung:postgres";

const char* const kTriggers =
    "CREATE TRIGGER auftrag05_tr_listtext BEFORE INSERT OR UPDATE OF struktur_code, gewerktext ON "
    "trevix.auftrag05 FOR EACH ROW EXECUTE FUNCTION trevix.insert_listtext()\n"
    "CREATE TRIGGER leistung01_tr BEFORE INSERT OR UPDATE ON trevix.leistung01 FOR EACH ROW EXECUTE FUNCTION "
    "trevix.berechne_vorhaltung()";

// The invoice calculation reads these columns of its input view.
const char* const kCalculationInput =
    "auftrag_id:integer,mandant:character(4),auftragsnr:character varying(10),"
    "auftragsbez1:character varying(200),kurztext:character varying(300),leistung_id:integer,"
    "lieferart:character(1),position_id:integer,lieferdatum:date,vorhaltung_bis:date,menge:numeric(10,3),"
    "mengeneinheit:character varying(7),ep:numeric(10,3),epmiete:numeric(10,3),fifobolean:boolean,"
    "aufmassblatt_id:integer,aufmasszeile_id:integer,tagesberechnung:boolean,positionsart:numeric(1,0),"
    "mietezeitraum:character varying(15),prozent:numeric(6,2)";

std::string columnsOf(const std::string& view) {
    return "SELECT string_agg(attname || ':' || format_type(atttypid, atttypmod), ',' ORDER BY attnum) "
           "FROM pg_attribute WHERE attrelid = 'trevix." +
           view + "'::regclass AND attnum > 0";
}

} // namespace

TEST(ServerLogicCatalog, FunctionsViewsAndTriggersAsTheScriptCreatesThem) {
    ApplicationRoles roles;
    TenantDatabase tenant;
    auto run = tenant.runScripts({structureScript()});
    ASSERT_TRUE(run.errors.empty()) << run.errors.front().message;

    EXPECT_EQ(
        tenant.query("SELECT p.proname, pg_get_function_arguments(p.oid), pg_get_function_result(p.oid), "
                     "l.lanname, p.provolatile, p.prosecdef, p.proisstrict, pg_get_userbyid(p.proowner) "
                     "FROM pg_proc p JOIN pg_language l ON l.oid = p.prolang "
                     "WHERE p.pronamespace = 'trevix'::regnamespace ORDER BY p.proname"),
        kFunctions);
    EXPECT_EQ(tenant.query("SELECT string_agg(relname || ':' || pg_get_userbyid(relowner), ',' ORDER BY oid) "
                           "FROM pg_class WHERE relnamespace = 'trevix'::regnamespace AND relkind = 'v'"),
              kViews);
    EXPECT_EQ(
        tenant.query("SELECT pg_get_triggerdef(oid) FROM pg_trigger "
                     "WHERE tgrelid::regclass::text LIKE 'trevix.%' AND NOT tgisinternal ORDER BY tgname"),
        kTriggers);
    EXPECT_EQ(tenant.query(columnsOf("v_leistung")), kCalculationInput);

    // Columns whose type the views fix themselves.
    struct Column {
        const char* view;
        const char* column;
        const char* type;
    };
    const Column columns[] = {
        {"v_auftrag10", "treeanzeige", "text"},
        {"v_auftrag10", "pos_komplett", "character(20)"},
        {"v_auftrag10pos", "gp_mit_miete", "numeric"},
        {"v_auftragtree", "treeanzeige", "character varying(200)"},
        {"v_kunden_liste", "name", "text"},
        {"v_kunden_umsatz_statistik", "date_part", "double precision"},
        {"v_rab_jahr", "monat", "double precision"},
        {"v_rab_jahr", "monat_name", "text"},
        {"v_rab_jahr", "jahr", "double precision"},
    };
    for (const auto& c : columns)
        EXPECT_EQ(tenant.query(std::string("SELECT format_type(atttypid, atttypmod) FROM pg_attribute WHERE "
                                           "attrelid = 'trevix.") +
                               c.view + "'::regclass AND attname = '" + c.column + "'"),
                  c.type)
            << c.view << '.' << c.column;
}
