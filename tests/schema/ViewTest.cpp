#include "ActiveTenant.h"
#include "RentalOrder.h"

#include <gtest/gtest.h>

using namespace velmora::test;

namespace {

class View : public ActiveTenant {};

// Orders 910001 and 910002 of the customer 900001 (customer number K-1), and around them:
//   930001 invoice 1190.00, due yesterday, paid 500.00 with 10.00 cash discount, credited 100.00 by 930002
//   930003 credit note 50.00 that names no invoice
//   930004 invoice 238.00 of order 910002, due tomorrow, unpaid
//   930005 progress invoice 119.00, due ten days ago, settled by two allocations (one without discount)
const char* const kReceivables =
    "INSERT INTO trevix.adresse_art_zuweisung (adresse_art_id, person_id, mandant, kunden_nr) "
    "VALUES (1, 900001, 'QZ7K', 'K-1');"
    "INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, auftragsbez1, person_id) VALUES "
    "(910001, 'QZ7K', '5320180001', 'Rathaus', 900001), (910002, 'QZ7K', '5320180002', 'Schule', 900001);"
    "INSERT INTO trevix.buch20 (rechnung_id, mandant, person_id, belegnr, belegdatum, buchungtext, art, "
    "betragbrutto, faellig, auftrag_id, gutschrift_beleg_id) VALUES "
    "(930001, 'QZ7K', 900001, '1804001', '2018-04-09', 'Rechnung Rathaus', 3, 1190, current_date - 1, "
    "910001, NULL),"
    "(930002, 'QZ7K', 900001, '1804002', '2018-04-10', 'Gutschrift', 4, 100, NULL, 910001, 930001),"
    "(930003, 'QZ7K', 900001, '1804005', '2018-04-11', 'Gutschrift frei', 4, 50, NULL, 910001, NULL),"
    "(930004, 'QZ7K', 900001, '1804003', '2018-04-12', 'Rechnung Schule', 3, 238, current_date + 1, 910002, "
    "NULL),"
    "(930005, 'QZ7K', 900001, '1804004', '2018-04-13', 'Abschlag Rathaus', 1, 119, current_date - 10, "
    "910001, NULL);"
    "INSERT INTO trevix.buch10 (beleg_id, person_id, mandant, belegnr, belegdatum) "
    "VALUES (950001, 900001, 'QZ7K', 'Z1', '2018-05-02');"
    "INSERT INTO trevix.buch11 (buch_id, beleg_id, rechnung_id, zahlung, skontobetrag, buchungtext) VALUES "
    "(960001, 950001, 930001, 500, 10, 'Teilzahlung'), (960002, 950001, 930005, 100, 0, 'Abschlag 1'),"
    "(960003, 950001, 930005, 19, NULL, 'Abschlag 2')";

} // namespace

TEST_F(View, ReceivablesPerInvoiceOrderAndCustomer) {
    sql(kReceivables);
    EXPECT_EQ(sql("SELECT rechnung_id, art, auftragsnr, skonto, zahlbetrag, gutschrift, brutto FROM "
                  "trevix.v_rechnung_op"),
              "930001|3|5320180001|10.00|500.00|100.00|1190.00\n"
              "930002|4|5320180001|0|0|0|100.00\n"
              "930004|3|5320180002|0|0|0|238.00\n"
              "930005|1|5320180001|0.00|119.00|0|119.00\n"
              "930003|4|5320180001|0|0|0|50.00");
    // Credit notes that name an invoice are not listed themselves.
    EXPECT_EQ(sql("SELECT rechnung_id, belegnr, skonto, zahlbetrag, gutschrift, brutto, zahlung, op FROM "
                  "trevix.v_rechnung_op_liste"),
              "930003|1804005|0|0|0|50.00|0|0\n"
              "930005|1804004|0.00|119.00|0|119.00|119.00|0.00\n"
              "930004|1804003|0|0|0|238.00|0|238.00\n"
              "930001|1804001|10.00|500.00|100.00|1190.00|610.00|580.00");
    EXPECT_EQ(sql("SELECT auftrag_id, person_id, mandant, skonto, zahlbetrag, op FROM trevix.v_auftrag_op "
                  "ORDER BY auftrag_id"),
              "910001|900001|QZ7K|10.00|500.00|580.00\n"
              "910002|900001|QZ7K|0|0|238.00");
    EXPECT_EQ(sql("SELECT person_id, mandant, skonto, zahlbetrag, op FROM trevix.v_kunden_op"),
              "900001|QZ7K|10.00|500.00|818.00");
}

// Every due document of an order with open items is listed, the settled ones included; the dunning
// level shown is the one the next reminder will have.
TEST_F(View, DunningListShowsDueDocumentsOfOrdersWithOpenItems) {
    sql(kReceivables);
    EXPECT_EQ(
        sql("SELECT kundennummer, name1, rechnung_id, belegnr, mahnkz, faellig = current_date - 1, op FROM "
            "trevix.v_mahnliste"),
        "K-1|Bauherr AG|930001|1804001|1|t|580.00\n"
        "K-1|Bauherr AG|930005|1804004|1|f|0.00");
}

TEST_F(View, PaymentsAndTheirInvoices) {
    sql(kReceivables);
    EXPECT_EQ(sql("SELECT buch_id, rechnung_id, auftrag_id, belegnr, rechnungtext, belegdatum, zahlung, "
                  "skontobetrag, "
                  "summebuchung, buchungtext FROM trevix.v_buchung ORDER BY buch_id"),
              "960001|930001|910001|1804001|Rechnung Rathaus|2018-05-02|500.00|10.00|510.00|Teilzahlung\n"
              "960002|930005|910001|1804004|Abschlag Rathaus|2018-05-02|100.00|0.00|100.00|Abschlag 1\n"
              "960003|930005|910001|1804004|Abschlag Rathaus|2018-05-02|19.00||19.00|Abschlag 2");
    // One row per allocation, each subtracting only its own; an allocation without cash discount
    // subtracts its payment alone.
    EXPECT_EQ(sql("SELECT rechnung_id, belegnr, betragbrutto, zahlung, skontobetrag, op FROM "
                  "trevix.v_zahlungsaufstellung ORDER BY belegnr DESC, zahlung"),
              "930005|1804004|119.00|19.00||100.00\n"
              "930005|1804004|119.00|100.00|0.00|19.00\n"
              "930004|1804003|238.00|||238.00\n"
              "930001|1804001|1190.00|500.00|10.00|680.00");
}

TEST_F(View, AddressLists) {
    sql("INSERT INTO trevix.person01 (person_id, mandant, name1, name2, konzern, plz_o, ort) VALUES "
        "(900003, 'QZ7K', 'Stahl', 'KG', true, '12345', 'Ort'), (900004, 'QZ7K', 'Leer', '', NULL, '12345', "
        "'Ort');"
        "INSERT INTO trevix.adresse_art_zuweisung (adresse_art_id, person_id, mandant, kunden_nr, "
        "lieferant_nr) VALUES "
        "(1, 900001, 'QZ7K', 'K-1', NULL), (1, 900003, 'QZ7K', 'K-3', NULL), (2, 900003, 'QZ7K', NULL, "
        "'L-3'),"
        "(2, 900004, 'QZ7K', NULL, 'L-4');"
        "INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, person_id) VALUES "
        "(910001, 'QZ7K', '5320180001', 900001), (910004, 'QZ7K', '5320180004', 900004)");
    EXPECT_EQ(sql("SELECT '[' || name || ']', mandant, name1, name2, person_id, kunden_nr FROM "
                  "trevix.v_kunden_liste"),
              "[Bauherr AG]|QZ7K|Bauherr AG||900001|K-1\n"
              "[Stahl KG]|QZ7K|Stahl|KG|900003|K-3");
    EXPECT_EQ(sql("SELECT '[' || name || ']', person_id, lieferant_nr FROM trevix.v_lieferant_liste"),
              "[Leer ]|900004|L-4\n"
              "[Stahl KG]|900003|L-3");
    EXPECT_EQ(sql("SELECT name, person_id, kunden_nr FROM trevix.v_konzern_liste ORDER BY kunden_nr"),
              "Stahl KG|900003|K-3\n"
              "Stahl KG|900003|");
    EXPECT_EQ(sql("SELECT person_id, kundennummer FROM trevix.v_kunde ORDER BY person_id"), "900001|K-1\n"
                                                                                            "900003|K-3");
    // An order whose person is no customer does not appear.
    EXPECT_EQ(sql("SELECT auftrag_id, person_id, name1, kundennummer FROM trevix.v_auftragkunde"),
              "910001|900001|Bauherr AG|K-1");
}

// After the worked example of the invoice calculation: the sums by kind of item and by structure level.
TEST_F(View, SumsOfTheComputedInvoiceItems) {
    sql(RentalOrder{}.insertSql());
    sql("INSERT INTO trevix.auftrag10 (position_id, auftrag_id, mandant, los_id, pos) "
        "VALUES (920002, 910001, 'QZ7K', 940001, '0020')");
    sql(RentalOrder::computeSql("2018-03-31"));
    struct Sum {
        const char* view;
        const char* rows;
    };
    const Sum sums[] = {
        {"v_summelieferung", "930001|920001|L|1050.00"},
        {"v_summemiete", "930001|920001|M|340.00"},
        {"v_summedemontage", "930001|920001|R|360.00"},
        // a position of the lot without items falls into a row of its own without invoice
        {"v_buch22_summe_los", "910001|930001|920001|940001|1750.00\n910001|||940001|"},
        {"v_buch22_summe_s1", ""},
        {"v_buch22_summe_s4", ""},
        {"v_delta_leistung_pos", "920001|30.000"},
        {"v_summeleistung_pos", "920001|150.000"},
    };
    for (const auto& s : sums)
        EXPECT_EQ(sql(std::string("SELECT * FROM trevix.") + s.view + " ORDER BY 1, 2"), s.rows) << s.view;
}

// Credit notes count negative in the journal and the monthly revenue, positive in the yearly revenue
// per customer.
TEST_F(View, RevenueJournalAndStatistics) {
    sql("INSERT INTO trevix.adresse_art_zuweisung (adresse_art_id, person_id, mandant, kunden_nr) "
        "VALUES (1, 900001, 'QZ7K', 'K-1');"
        "INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, auftragsbez1, person_id) "
        "VALUES (910001, 'QZ7K', '5320180001', 'Rathaus', 900001);"
        "INSERT INTO trevix.buch20 (rechnung_id, mandant, person_id, belegnr, belegdatum, buchungtext, art, "
        "betrag, "
        "mwstbetrag, betragbrutto, auftrag_id) VALUES "
        "(930001, 'QZ7K', 900001, '1804001', '2018-04-10', 'Rechnung', 3, 1000, 190, 1190, 910001),"
        "(930002, 'QZ7K', 900001, '1804002', '2018-04-20', 'Gutschrift', 4, 100, 19, 119, 910001),"
        "(930003, 'QZ7K', 900001, '1805001', '2018-05-02', 'ohne Auftrag', 3, 10, 1.9, 11.9, NULL)");
    EXPECT_EQ(
        sql("SELECT * FROM trevix.v_rechnungsausgang"),
        "QZ7K|K-1|5320180001|Rathaus|Bauherr AG|||00|1804002|2018-04-20|Gutschrift|-100.00|-19.00|-119.00\n"
        "QZ7K|K-1|5320180001|Rathaus|Bauherr AG|||00|1804001|2018-04-10|Rechnung|1000.00|190.00|1190.00");
    EXPECT_EQ(sql("SELECT mandant, monat, monat_name, jahr, betrag_sum, mwstbetrag_sum, betrabrutto_sum, "
                  "pg_typeof(monat), pg_typeof(jahr) FROM trevix.v_rab_jahr"),
              "QZ7K|4|April 2018|2018|900.00|171.00|1071.00|double precision|double precision");
    EXPECT_EQ(
        sql("SELECT person_id, date_part, sum, pg_typeof(date_part) FROM trevix.v_kunden_umsatz_statistik"),
        "900001|2018|1110.00|double precision");
}

TEST_F(View, PositionsWithTheirStructure) {
    sql("INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, person_id, nachlass) "
        "VALUES (910001, 'QZ7K', '5320180001', 900001, 3);"
        "INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_code, struktur_ebene, "
        "gewerktext) "
        "VALUES (940001, 910001, 'QZ7K', 'L1', 0, 'Los'), (940002, 910001, 'QZ7K', '1', 1, 'Eins'),"
        "(940003, 910001, 'QZ7K', '2', 2, 'Zwei'), (940004, 910001, 'QZ7K', '3', 3, 'Drei'),"
        "(940005, 910001, 'QZ7K', '01', 4, 'Vier');"
        "INSERT INTO trevix.auftrag10 (position_id, auftrag_id, mandant, los_id, s1_id, s2_id, s3_id, s4_id, "
        "pos, "
        "position_index, kurztext, gp, mietegp, gaeb_pos_id) VALUES "
        "(920001, 910001, 'QZ7K', 940001, 940002, 940003, NULL, 940005, '0010', 'a', 'Gerüst', 100, NULL, 1),"
        "(920002, 910001, 'QZ7K', 940001, 940002, 940004, NULL, NULL, '0010', 'a', NULL, 50, 12.5, 1),"
        "(920003, 910001, 'QZ7K', 940001, 940002, 940003, 940004, 940005, '0020', NULL, 'Netz', 999, NULL, "
        "2),"
        "(920004, 910001, 'QZ7K', 940001, 940002, 940003, 940004, NULL, '0030', 'b', 'Plane', NULL, 5, 1)");
    // Sorted by the codes of the levels, a missing code last. A reference that names a node of another
    // level shows as no node (920002 on level 2).
    EXPECT_EQ(sql("SELECT position_id, los, s1, s2, s3, s4, los_id, s2_id, texts2, texts4, '[' || "
                  "treeanzeige || ']', "
                  "concat('[', pos_komplett, ']') FROM trevix.v_auftrag10"),
              "920003|L1 |1  |2  |3  |01 |940001|940003|Zwei|Vier|[0020 Netz]|[3  .01 .0020        ]\n"
              "920004|L1 |1  |2  |3  ||940001|940003|Zwei||[0030 Plane]|[3  .0030 b          ]\n"
              "920001|L1 |1  |2  ||01 |940001|940003|Zwei|Vier|[0010 Gerüst]|[01 .0010 a          ]\n"
              "920002|L1 |1  ||||940001||||[0010 ]|[0010 a              ]");
    EXPECT_EQ(
        sql("SELECT position_id, s3, gaeb_pos_id, gp, mietegp, gp_mit_miete FROM trevix.v_auftrag10pos"),
        "920003|3  |2|999.00||0\n"
        "920004|3  |1||5.000|\n"
        "920001||1|100.00||100.00\n"
        "920002||1|50.00|12.500|62.500");
    // Only basic positions count; the net total holds the rent totals, the tax only the prices, and the
    // gross total is the two added.
    EXPECT_EQ(
        sql("SELECT atnachlass, netto_gp, mwst, brutto, auftrag_id, mandant FROM trevix.v_summeauftrag"),
        "3.00|167.50|28.50|196.00|910001|QZ7K");
}

// Orders with level-4 nodes get every combination of one node per non-empty level; the nodes of an
// order without level-4 nodes stand alone, without order.
TEST_F(View, StructureTreeCombinesTheLevels) {
    sql("INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_code, struktur_ebene, "
        "gewerktext) "
        "VALUES (940001, 910001, 'QZ7K', 'L', 0, 'Los'), (940002, 910001, 'QZ7K', 'A', 1, 'Links'),"
        "(940003, 910001, 'QZ7K', 'B', 1, 'Rechts'), (940004, 910001, 'QZ7K', 'X', 4, ''),"
        "(940005, 910001, 'QZ7K', 'Y', 4, ''), (940006, 910001, 'QZ7K', 'Z', 4, ''),"
        "(940011, 910002, 'QZ7K', 'M', 0, 'Los'), (940012, 910002, 'QZ7K', 'N', 1, 'Eins')");
    EXPECT_EQ(sql("SELECT auftrag_id, los_id, s1_id, s2_id, s3_id, s4_id, los, s1, s4, textlos, texts1 "
                  "FROM trevix.v_strukturbaum"),
              "910001|940001|940002|||940004|L  |A  |X  |Los|Links\n"
              "910001|940001|940002|||940005|L  |A  |Y  |Los|Links\n"
              "910001|940001|940002|||940006|L  |A  |Z  |Los|Links\n"
              "910001|940001|940003|||940004|L  |B  |X  |Los|Rechts\n"
              "910001|940001|940003|||940005|L  |B  |Y  |Los|Rechts\n"
              "910001|940001|940003|||940006|L  |B  |Z  |Los|Rechts\n"
              "|940011|||||M  |||Los|\n"
              "||940012|||||N  |||Eins");
}

TEST_F(View, OrderTreeTextIsCutAt200Characters) {
    sql("INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, auftragsbez1, person_id, status, "
        "auftragstatus_id) VALUES (910001, 'QZ7K', '5320180001', repeat('x', 195), 900001, 2, 53),"
        "(910002, 'QZ7K', '5220180001', NULL, 900001, 1, 52), (910003, 'QZ7K', '5320180003', 'Bau', 900001, "
        "2, 53)");
    EXPECT_EQ(
        sql("SELECT auftrag_id, left(treeanzeige, 16), length(treeanzeige), pg_typeof(treeanzeige), status, "
            "auftragstatus_id FROM trevix.v_auftragtree"),
        "910003|5320180003 Bau|14|character varying|2|53\n"
        "910001|5320180001 xxxxx|200|character varying|2|53\n"
        "910002|5220180001 |11|character varying|1|52");
}

// Articles with their groups; the group list compares the tenant codes as fixed-width text, so a
// trailing blank does not matter.
TEST_F(View, ArticlesWithTheirGroups) {
    sql("INSERT INTO trevix.mandant (mandant, plz, ort, strasse) VALUES ('AB', '12345', 'Ort', 'Weg 1');"
        "INSERT INTO trevix.artikel01 (hwg_id, mandant, hwgbez) VALUES (960001, 'AB', 'Gerüste');"
        "INSERT INTO trevix.artikel02 (wg_id, mandant, wgkurzbez, wgbez, hwg_id) "
        "VALUES (960002, 'AB', 'R', 'Rohre', 960001);"
        "INSERT INTO trevix.artikel03 (hwg_id, wg_id, artikel_id, mandant, artikelnr, kurztext1) VALUES "
        "(960001, 960002, 960010, 'AB ', 'A-1', 'Rohr 2 m'), (960001, 960002, 960011, 'AB ', 'A-2', 'Rohr 3 "
        "m'),"
        "(960009, 960099, 960012, 'AB', 'A-3', 'ohne Gruppe')");
    EXPECT_EQ(sql("SELECT * FROM trevix.v_artikel ORDER BY artikel_id"),
              "960001|Gerüste|960002|R|Rohre|960010|AB |A-1|Rohr 2 m\n"
              "960001|Gerüste|960002|R|Rohre|960011|AB |A-2|Rohr 3 m\n"
              "|||||960012|AB|A-3|ohne Gruppe");
    EXPECT_EQ(sql("SELECT * FROM trevix.v_artikel02_liste ORDER BY wg_id"), "960001|960002|AB |R|Rohre\n"
                                                                            "960009|960099|AB||");
}
