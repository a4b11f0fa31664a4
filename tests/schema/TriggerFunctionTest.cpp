#include "ActiveTenant.h"

#include <gmock/gmock.h>

using namespace velmora::test;

namespace {

class TriggerFunction : public ActiveTenant {
protected:
    void SetUp() override {
        ActiveTenant::SetUp();
        if (!HasFatalFailure())
            sql("INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, person_id) "
                "VALUES (910001, 'QZ7K', '5320180001', 900001)");
    }

    // A position with the given provision period; returns its id.
    std::string position(const std::string& vorhaltezeit, const std::string& vorhaltezeitraum) const {
        return sql("INSERT INTO trevix.auftrag10 (auftrag_id, mandant, vorhaltezeit, vorhaltezeitraum) "
                   "VALUES (910001, 'QZ7K', " +
                   vorhaltezeit + ", " + vorhaltezeitraum + ") RETURNING position_id");
    }
};

} // namespace

// The provision period counts from the day before the delivery; calendar months keep the day of the
// month or fall back to the month's last day.
TEST_F(TriggerFunction, ProvisionPeriodEndsByUnit) {
    struct Case {
        const char* vorhaltezeit;
        const char* vorhaltezeitraum;
        const char* lieferdatum;
        const char* lieferart;
        const char* vorhaltungBis;
    };
    const Case cases[] = {
        {"4", "'Wochen'", "2018-04-09", "L", "2018-05-06"},
        {"10", "'Tage'", "2018-04-09", "L", "2018-04-18"},
        {"1", "'Monate'", "2018-03-01", "L", "2018-03-28"}, // 2018-02-28 plus a month keeps the 28th
        {"1", "'Monate'", "2018-04-01", "L", "2018-04-30"}, // 2018-03-31 plus a month: April has 30 days
        {"1", "'Monate'", "2018-01-31", "L", "2018-02-28"},
        {"1", "'Monate'", "2020-01-31", "L", "2020-02-29"},
        {"12", "'Monate'", "2018-12-01", "L", "2019-11-30"},
        {"0", "'Wochen'", "2018-04-09", "L", "2018-04-08"},
        {"0", "'Tage'", "2018-04-09", "L", "2018-04-08"},
        {"0", "'Monate'", "2018-04-09", "L", "2018-04-08"},
        {"4", "'Woche'", "2018-04-09", "L", "2018-04-09"}, // singular words are no unit
        {"1", "'Monat'", "2018-04-09", "L", "2018-04-09"},
        {"4", "NULL", "2018-04-09", "L", "2018-04-09"},
        {"4", "'Wochen'", "2018-04-09", "R", "2018-04-09"}, // a return ends on its own date
        {"NULL", "'Tage'", "2018-04-09", "R", "2018-04-09"},
        {"4", "'Wochen'", "2018-04-09", " ", "2018-05-06"}, // the blank default kind counts as a delivery
    };
    for (const auto& c : cases) {
        const std::string id = position(c.vorhaltezeit, c.vorhaltezeitraum);
        // a supplied end date is replaced
        EXPECT_EQ(sql("INSERT INTO trevix.leistung01 (position_id, lieferdatum, lieferart, vorhaltung_bis) "
                      "VALUES (" +
                      id + ", '" + c.lieferdatum + "', '" + c.lieferart +
                      "', '1900-01-01') RETURNING vorhaltung_bis"),
                  c.vorhaltungBis)
            << c.vorhaltezeit << ' ' << c.vorhaltezeitraum << ' ' << c.lieferdatum << " '" << c.lieferart
            << "'";
    }
}

// A line is recomputed from the position's values whenever it is written, whatever column changes.
TEST_F(TriggerFunction, ProvisionPeriodFollowsThePositionOnTheNextWrite) {
    const std::string id = position("4", "'Wochen'");
    const std::string line =
        sql("INSERT INTO trevix.leistung01 (position_id, lieferdatum, lieferart) VALUES (" + id +
            ", '2018-04-09', 'L') RETURNING leistung_id");
    sql("UPDATE trevix.auftrag10 SET vorhaltezeit = 10, vorhaltezeitraum = 'Tage' WHERE position_id = " + id);
    const std::string end = "SELECT vorhaltung_bis FROM trevix.leistung01 WHERE leistung_id = " + line;
    EXPECT_EQ(sql(end), "2018-05-06");
    sql("UPDATE trevix.leistung01 SET menge = 5 WHERE leistung_id = " + line);
    EXPECT_EQ(sql(end), "2018-04-18");
}

TEST_F(TriggerFunction, ProvisionPeriodWithoutLengthIsRejected) {
    const std::string id = position("NULL", "'Wochen'");
    EXPECT_THAT(
        tenant.failure("INSERT INTO trevix.leistung01 (position_id, lieferdatum, lieferart) VALUES (" + id +
                       ", '2018-04-09', 'L')"),
        ::testing::HasSubstr("null value in column \"vorhaltung_bis\""));
}

// The display text of a node is its code without the filling blanks, one blank and its trade text.
TEST_F(TriggerFunction, StructureNodeListText) {
    struct Case {
        const char* columns;
        const char* values;
        const char* listtext;
    };
    const Case cases[] = {
        {", struktur_code, gewerktext", ", '1', 'Rohbau'", "[1 Rohbau]"},
        {", struktur_code, gewerktext", ", '01', 'Gerüst'", "[01 Gerüst]"},
        {", struktur_code, gewerktext", ", 'A B', ' Dach '", "[A B  Dach ]"},
        {", struktur_code, gewerktext, listtext", ", '02', 'Fassade', 'stale'", "[02 Fassade]"},
        {"", "", "[000 ]"}, // the defaults
    };
    for (const auto& c : cases)
        EXPECT_EQ(sql(std::string("INSERT INTO trevix.auftrag05 (mandant, struktur_ebene") + c.columns +
                      ") VALUES ('QZ7K', 1" + c.values + ") RETURNING '[' || listtext || ']'"),
                  c.listtext)
            << c.values;
}

// Only an update that names the code or the trade text recomputes the display text.
TEST_F(TriggerFunction, StructureNodeListTextOnUpdate) {
    const std::string id =
        sql("INSERT INTO trevix.auftrag05 (mandant, struktur_ebene, struktur_code, gewerktext) "
            "VALUES ('QZ7K', 1, '1', 'Rohbau') RETURNING struktur_id");
    const std::string where = " WHERE struktur_id = " + id + " RETURNING listtext";
    EXPECT_EQ(sql("UPDATE trevix.auftrag05 SET gewerktext = 'Ausbau'" + where), "1 Ausbau");
    EXPECT_EQ(sql("UPDATE trevix.auftrag05 SET struktur_code = '2'" + where), "2 Ausbau");
    EXPECT_EQ(sql("UPDATE trevix.auftrag05 SET listtext = 'frei'" + where), "frei");
    EXPECT_EQ(sql("UPDATE trevix.auftrag05 SET gewerktext = gewerktext, listtext = 'frei'" + where),
              "2 Ausbau");
}
