#include "ActiveTenant.h"

#include <gmock/gmock.h>

using namespace velmora::test;
using ::testing::HasSubstr;

namespace {

// An offer (id 910001) with one lot, two level-1 nodes and five positions; position 920005 refers on
// level 2 to a node of another order (910002). The lot's stored display text is stale.
const char* const kOffer =
    "INSERT INTO trevix.person01 (person_id, mandant, name1, plz_o, ort) "
    "VALUES (900002, 'QZ7K', 'Neukunde', '54321', 'Neustadt');"
    "INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, person_id, art, status, "
    "auftragstatus_id, "
    "auftragsbez1, angebot_id, prozent, nachlass, bearbeiter, save_time) VALUES "
    "(910001, 'QZ7K', '5220180001', 900001, 52, 1, 52, 'Gerüst Rathaus', 'A-17', 60, 3, 'Muster', "
    "'2018-01-05 10:00'),"
    "(910002, 'QZ7K', '5320180009', 900001, 53, 2, 53, 'Anderes', NULL, 0, 0, NULL, '2018-01-06 10:00');"
    "INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_code, struktur_ebene, "
    "gewerktext) VALUES "
    "(940001, 910001, 'QZ7K', '01', 0, 'Los 1'), (940002, 910001, 'QZ7K', '1', 1, 'Fassade'),"
    "(940003, 910001, 'QZ7K', '2', 1, 'Dach'), (940009, 910002, 'QZ7K', '9', 2, 'Fremd');"
    "UPDATE trevix.auftrag05 SET listtext = 'veraltet' WHERE struktur_id = 940001;"
    "INSERT INTO trevix.auftrag10 (position_id, auftrag_id, mandant, los_id, s1_id, s2_id, pos, kurztext, "
    "ep, "
    "epmiete, menge, gp, positionsart, vorhaltezeit, vorhaltezeitraum, mietezeitraum, tagesberechnung, "
    "gaeb_pos_id, temp_id, mietegp, save_time) VALUES "
    "(920001, 910001, 'QZ7K', 940001, 940002, NULL, '0010', 'Arbeitsgerüst', 10, 0.5, 100, 1000, 2, 4, "
    "'Wochen', "
    "'Woche', false, 1, 7, 12.5, '2018-01-05 10:00'),"
    "(920002, 910001, 'QZ7K', 940001, 940002, NULL, '0020', 'Schutznetz', 2, NULL, 50, 100, 1, NULL, NULL, "
    "NULL, "
    "NULL, 2, NULL, NULL, '2018-01-05 10:00'),"
    "(920003, 910001, 'QZ7K', 940001, 940003, NULL, '0010', 'Dachfang', 5, 0.2, 10, 50, 3, NULL, NULL, "
    "'Monat', "
    "true, 1, NULL, NULL, '2018-01-05 10:00'),"
    "(920004, 910001, 'QZ7K', NULL, NULL, NULL, '0030', 'ohne Struktur', 1, NULL, 1, 1, 1, NULL, NULL, NULL, "
    "false, "
    "1, NULL, NULL, '2018-01-05 10:00'),"
    "(920005, 910001, 'QZ7K', 940001, 940003, 940009, '0040', 'fremder Knoten', 1, NULL, 1, 1, 1, NULL, "
    "NULL, "
    "NULL, false, 1, NULL, NULL, '2018-01-05 10:00')";

// Positions of an order, one line each, with their lot and level-1 references shown as the codes of
// nodes of that same order.
std::string positionsOf(const std::string& order) {
    return "SELECT p.pos, l.struktur_code, s1.struktur_code, p.s2_id, p.kurztext, p.ep, p.menge, p.gp, "
           "p.positionsart, p.vorhaltezeitraum, p.tagesberechnung, p.gaeb_pos_id, p.temp_id, p.mietegp "
           "FROM trevix.auftrag10 p "
           "LEFT JOIN trevix.auftrag05 l ON l.struktur_id = p.los_id AND l.auftrag_id = p.auftrag_id "
           "LEFT JOIN trevix.auftrag05 s1 ON s1.struktur_id = p.s1_id AND s1.auftrag_id = p.auftrag_id "
           "WHERE p.auftrag_id = " +
           order + " ORDER BY p.pos, p.kurztext";
}

class Copy : public ActiveTenant {
protected:
    void SetUp() override {
        ActiveTenant::SetUp();
        if (!HasFatalFailure())
            sql(kOffer);
    }
};

} // namespace

// An offer becomes an order for another customer: new head, nodes and positions, the positions pointing
// at the new nodes only.
TEST_F(Copy, OfferBecomesAnOrder) {
    const std::string year = sql("SELECT to_char(current_timestamp, 'YYYY')");
    const std::string sourcePositions = sql(positionsOf("910001"));
    const std::string id = sql("SELECT trevix.copy_angebot(910001, 900002, 53)");

    EXPECT_EQ(
        sql("SELECT auftragsnr, person_id, status, art, auftragstatus_id, mandant, auftragsbez1, angebot_id, "
            "prozent, nachlass, bearbeiter, save_time, bearbeiter_k FROM trevix.auftrag01 WHERE auftrag_id "
            "= " +
            id),
        "53" + year + "0001|900002|2|53|53|QZ7K|Gerüst Rathaus|A-17|60.00|3.00|Muster|2018-01-05 10:00:00|");
    EXPECT_EQ(
        sql("SELECT struktur_code, struktur_ebene, gewerktext, listtext, auftragsnr, struktur_id < 940001 "
            "FROM trevix.auftrag05 WHERE auftrag_id = " +
            id + " ORDER BY struktur_ebene, struktur_code"),
        "01 |0|Los 1|01 Los 1||t\n"
        "1  |1|Fassade|1 Fassade||t\n"
        "2  |1|Dach|2 Dach||t");
    // The same positions under the copied nodes; the level-2 reference to another order's node is
    // dropped; the GAEB kind restarts at 1; rent total and temporary id are not copied.
    EXPECT_EQ(sql(positionsOf(id)), "0010|01 |1  ||Arbeitsgerüst|10.000|100.000|1000.00|2|Wochen|f|1||\n"
                                    "0010|01 |2  ||Dachfang|5.000|10.000|50.00|3||t|1||\n"
                                    "0020|01 |1  ||Schutznetz|2.000|50.000|100.00|1|||1||\n"
                                    "0030||||ohne Struktur|1.000|1.000|1.00|1||f|1||\n"
                                    "0040|01 |2  ||fremder Knoten|1.000|1.000|1.00|1||f|1||");
    EXPECT_EQ(sql("SELECT count(*) FROM trevix.auftrag10 WHERE auftrag_id = " + id +
                  " AND save_time < '2019-01-01'"),
              "0");
    // The working table of the session maps every source node to its copy.
    EXPECT_EQ(sql("SELECT trevix.copy_angebot(910001, 900002, 52) IS NOT NULL;"
                  "SELECT g.struktur_id, n.struktur_code FROM gewerke g "
                  "JOIN trevix.auftrag05 n ON n.struktur_id = g.struktur_id_neu ORDER BY g.struktur_id"),
              "t\n940001|01 \n940002|1  \n940003|2  ");
    // The source is unchanged.
    EXPECT_EQ(sql(positionsOf("910001")), sourcePositions);
    EXPECT_EQ(sql("SELECT count(*) FROM trevix.auftrag05 WHERE auftrag_id = 910001"), "3");
}

TEST_F(Copy, OfferCopiedAsAnOffer) {
    const std::string year = sql("SELECT to_char(current_timestamp, 'YYYY')");
    const std::string id = sql("SELECT trevix.copy_angebot(910001, 900002, 52)");
    EXPECT_EQ(
        sql("SELECT auftragsnr, status, art, auftragstatus_id FROM trevix.auftrag01 WHERE auftrag_id = " +
            id),
        "52" + year + "0001|1|52|52");
}

// Without a source head nothing is copied and no number is drawn, even where nodes or positions carry
// the id.
TEST_F(Copy, MissingSourceCopiesNothing) {
    sql("INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_ebene) VALUES (940077, "
        "919999, "
        "'QZ7K', 0)");
    const std::string counts = "SELECT (SELECT count(*) FROM trevix.auftrag01) || ',' || "
                               "(SELECT count(*) FROM trevix.auftrag05) || ',' || (SELECT count(*) FROM "
                               "trevix.auftrag10) || ',' || (SELECT count(*) FROM trevix.auftrag01nr)";
    const std::string before = sql(counts);
    EXPECT_EQ(sql("SELECT coalesce(trevix.copy_angebot(919999, 900002, 53)::text, 'NULL')"), "NULL");
    EXPECT_EQ(sql(counts), before);
}

// A customer or order kind that does not exist fails the whole call.
TEST_F(Copy, InvalidTargetFailsTheWholeCopy) {
    EXPECT_THAT(tenant.failure("SELECT trevix.copy_angebot(910001, 999999, 53)"),
                HasSubstr("FK_auftrag01_person01"));
    EXPECT_THAT(tenant.failure("SELECT trevix.copy_angebot(910001, 900002, 54)"),
                HasSubstr("FK_auftrag01_wl_auftragstatus_02"));
    EXPECT_EQ(sql("SELECT (SELECT count(*) FROM trevix.auftrag01) || ',' || (SELECT count(*) FROM "
                  "trevix.auftrag01nr)"),
              "2,0");
}

TEST_F(Copy, PositionCopiedBesideItsSource) {
    EXPECT_EQ(sql("SELECT trevix.copy_position(920001)"), "t");
    EXPECT_EQ(sql("SELECT trevix.copy_position(920002)"), "t");
    EXPECT_EQ(sql("SELECT trevix.copy_position(929999)"), "t");
    EXPECT_EQ(sql("SELECT auftrag_id, los_id, s1_id, kurztext, ep, menge, gp, vorhaltezeitraum, gaeb_pos_id, "
                  "temp_id, "
                  "save_time, mietegp FROM trevix.auftrag10 WHERE pos = '01CP' "
                  "ORDER BY kurztext"),
              "910001|940001|940002|Arbeitsgerüst|10.000|100.000|1000.00|Wochen|1|7|2018-01-05 10:00:00|\n"
              "910001|940001|940002|Schutznetz|2.000|50.000|100.00||1||2018-01-05 10:00:00|");
    EXPECT_EQ(sql("SELECT count(*) FROM trevix.auftrag10"), "7");
}
