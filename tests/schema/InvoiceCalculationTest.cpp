#include "ActiveTenant.h"
#include "ConcurrentSessions.h"
#include "RentalOrder.h"

#include <gtest/gtest.h>

using namespace velmora::test;

namespace {

struct Calculation {
    const char* name;
    RentalOrder order;
    const char* stichtag;
    // text|lieferart|miete_von|miete_bis|bestand|miete_menge|gp|prozent_ansatz|mietezeitraum
    std::vector<std::string> items;
};

// Names the case in the test's output.
void PrintTo(const Calculation& calculation, std::ostream* out) {
    *out << calculation.name;
}

RentalOrder with(void (*change)(RentalOrder&)) {
    RentalOrder order;
    change(order);
    return order;
}

const std::vector<std::string> kWeeklyRent{
    "Miete von/bis |M|2018-01-30|2018-02-12|100.000|2|100.00||Wochen",
    "Miete von/bis |M|2018-02-13|2018-02-20|150.000|2|150.00||Wochen",
    "Miete von/bis |M|2018-02-21|2018-03-31|30.000|6|90.00||Wochen",
};

std::vector<std::string> joined(std::vector<std::string> head, const std::vector<std::string>& middle,
                                std::vector<std::string> tail) {
    head.insert(head.end(), middle.begin(), middle.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const Calculation kCalculations[] = {
    {"WorkedExample", RentalOrder{}, "2018-03-31",
     joined({"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|700.00|70.00|",
             "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|350.00|70.00|"},
            kWeeklyRent, {"Demontage am |R|2018-02-21|2018-03-31|30.000|6|360.00|30.00|"})},
    {"DailyCalculation",
     with([](RentalOrder& o) { o.tagesberechnung = "true"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|14|700.00|70.00|",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|8|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-02-12|100.000|14|100.00||Tage",
      "Miete von/bis |M|2018-02-13|2018-02-20|150.000|8|85.71||Tage",
      "Miete von/bis |M|2018-02-21|2018-03-31|30.000|39|83.57||Tage",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|39|360.00|30.00|"}},
    {"SixtyPercentMonthlyRent",
     with([](RentalOrder& o) {
         o.prozent = "60";
         o.mietezeitraum = "'Monat'";
         o.vorhaltezeit = "1";
         o.vorhaltezeitraum = "'Monate'";
     }),
     "2018-03-31",
     {"Lieferung am |L|2018-02-02|2018-02-15|100.000|1|600.00|70.00|",
      "Lieferung am |L|2018-02-16|2018-02-20|150.000|1|300.00|70.00|",
      "Miete von/bis |M|2018-02-02|2018-02-15|100.000|1|50.00||Monat",
      "Miete von/bis |M|2018-02-16|2018-02-20|150.000|1|75.00||Monat",
      "Miete von/bis |M|2018-02-21|2018-03-31|30.000|2|30.00||Monate",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|2|480.00|30.00|"}},
    // The return ends its own provision period and so is walked before the second delivery; being on
    // the latest movement date with stock left, it also gets a closing rent item up to the cut-off.
    {"ReturnInsideAProvisionPeriod",
     with([](RentalOrder& o) {
         o.movements = {{"2018-01-02", "L", "100"}, {"2018-02-05", "L", "50"}, {"2018-03-01", "R", "-20"}};
     }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-03-01|100.000|5|700.00|70.00|",
      "Lieferung am |L|2018-03-05|2018-03-31|130.000|4|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-03-01|100.000|5|250.00||Wochen",
      "Miete von/bis |M|2018-03-05|2018-03-31|130.000|4|260.00||Wochen",
      "Miete von/bis |M|2018-03-02|2018-03-04|80.000|1|40.00||Woche",
      "Demontage am |R|2018-03-02|2018-03-04|80.000|1|60.00|30.00|",
      "Miete von/bis |M|2018-03-02|2018-03-31|80.000|1|10.00||"}},
    // The return after the cut-off is ignored, also as the second delivery's look-ahead row.
    {"LinesAfterTheCutOffDateAreIgnored",
     RentalOrder{},
     "2018-02-19",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|700.00|70.00|",
      "Lieferung am |L|2018-02-13|2018-02-19|150.000|1|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-02-12|100.000|2|100.00||Wochen",
      "Miete von/bis |M|2018-02-13|2018-02-19|150.000|1|75.00||Woche"}},
    // Equal provision ends: the smaller quantity comes first with an empty interval, the second carries
    // the rent on the combined stock.
    {"EqualProvisionEnds",
     with([](RentalOrder& o) {
         o.movements = {{"2018-01-02", "L", "100"}, {"2018-01-02", "L", "50"}};
     }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-03-31|150.000|9|700.00|70.00|",
      "Lieferung am |L|2018-01-30|2018-01-29|50.000|0|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-03-31|150.000|9|675.00||Wochen"}},
    {"ReturnEmptyingTheStockPaysNoRent",
     with([](RentalOrder& o) { o.movements.back().quantity = "-150"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|700.00|70.00|",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-02-12|100.000|2|100.00||Wochen",
      "Miete von/bis |M|2018-02-13|2018-02-20|150.000|2|150.00||Wochen",
      "Demontage am |R|2018-02-21|2018-03-31|0.000|6|450.00|30.00|"}},
    {"QuantityPositionsPayOnDeliveryOnly",
     with([](RentalOrder& o) { o.positionsart = "1"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|1000.00|0.00|",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|500.00|0.00|",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|6||0.00|"}},
    {"RentOnlyPositionsPayRentOnly", with([](RentalOrder& o) { o.positionsart = "3"; }), "2018-03-31",
     joined({"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|0.00|0.00|",
             "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|0.00|0.00|"},
            kWeeklyRent, {"Demontage am |R|2018-02-21|2018-03-31|30.000|6|0.00|0.00|"})},
    {"PositionKindZeroGetsNoAmounts",
     with([](RentalOrder& o) { o.positionsart = "0"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|||",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|||",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|6|||"}},
    {"PositionKindNullGetsNoAmounts",
     with([](RentalOrder& o) { o.positionsart = "NULL"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|2|||",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|2|||",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|6|||"}},
    {"OrderWithoutPercentage", with([](RentalOrder& o) { o.prozent = "NULL"; }), "2018-03-31",
     joined({"Lieferung am |L|2018-01-30|2018-02-12|100.000|2||70.00|",
             "Lieferung am |L|2018-02-13|2018-02-20|150.000|2||70.00|"},
            kWeeklyRent, {"Demontage am |R|2018-02-21|2018-03-31|30.000|6||30.00|"})},
    {"DailyFlagUnset",
     with([](RentalOrder& o) { o.tagesberechnung = "NULL"; }),
     "2018-03-31",
     {"Lieferung am |L|2018-01-30|2018-02-12|100.000|14|700.00|70.00|",
      "Lieferung am |L|2018-02-13|2018-02-20|150.000|8|350.00|70.00|",
      "Miete von/bis |M|2018-01-30|2018-02-12|100.000|14|||",
      "Miete von/bis |M|2018-02-13|2018-02-20|150.000|8|||",
      "Miete von/bis |M|2018-02-21|2018-03-31|30.000|39|||",
      "Demontage am |R|2018-02-21|2018-03-31|30.000|39|360.00|30.00|"}},
    // A provision period that ends on or after the cut-off date gives no rent; the delivery item shows
    // the period count of the negative or empty interval (weeks: -14 days give 2, -10 days none).
    {"ProvisionEndsAfterTheCutOff",
     with([](RentalOrder& o) {
         o.movements = {{"2018-01-02", "L", "100"}};
     }),
     "2018-01-15",
     {"Lieferung am |L|2018-01-30|2018-01-15|100.000|2|700.00|70.00|"}},
    {"ProvisionEndsTenDaysAfterTheCutOff",
     with([](RentalOrder& o) {
         o.movements = {{"2018-01-02", "L", "100"}};
     }),
     "2018-01-19",
     {"Lieferung am |L|2018-01-30|2018-01-19|100.000||700.00|70.00|"}},
    {"ProvisionEndsOnTheCutOff",
     with([](RentalOrder& o) {
         o.movements = {{"2018-01-02", "L", "100"}};
     }),
     "2018-01-29",
     {"Lieferung am |L|2018-01-30|2018-01-29|100.000|0|700.00|70.00|"}},
};

std::string lines(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : "\n") + item;
    return text;
}

class InvoiceCalculation : public ActiveTenant {
protected:
    void write(const RentalOrder& order = {}) const { sql(order.insertSql()); }
    std::string items() const { return sql(RentalOrder::itemsSql()); }
    std::string count() const {
        return sql("SELECT count(*) FROM trevix.buch22 WHERE rechnung_id = " +
                   std::to_string(RentalOrder::kInvoice));
    }
};

class InvoiceItems : public InvoiceCalculation, public ::testing::WithParamInterface<Calculation> {};

} // namespace

TEST_P(InvoiceItems, AreComputedUpToTheCutOffDate) {
    write(GetParam().order);
    sql(RentalOrder::computeSql(GetParam().stichtag));
    EXPECT_EQ(items(), lines(GetParam().items));
}

INSTANTIATE_TEST_SUITE_P(Cases, InvoiceItems, ::testing::ValuesIn(kCalculations),
                         [](const auto& test) { return std::string(test.param.name); });

// The items of an earlier run are replaced; the working table of the session holds the last walk.
TEST_F(InvoiceCalculation, RunsTwiceInOneTransaction) {
    write();
    const std::string twice = "BEGIN;" + RentalOrder::computeSql("2018-02-19") + ";" +
                              RentalOrder::computeSql("2018-03-31") +
                              ";SELECT string_agg(miete_bis || ':' || bestand || ':' || miete_menge, ',' "
                              "ORDER BY leistung_id) FROM leistung;COMMIT";
    EXPECT_EQ(sql(twice), "\n\n2018-02-12:100.000:2,2018-02-20:150.000:2,2018-03-31:30.000:6");
    EXPECT_EQ(items(), lines(kCalculations[0].items));
}

TEST_F(InvoiceCalculation, NothingUpToTheCutOffDateLeavesNoItems) {
    write();
    sql(RentalOrder::computeSql("2018-03-31"));
    ASSERT_EQ(count(), "6");
    sql(RentalOrder::computeSql("2017-12-31"));
    EXPECT_EQ(count(), "0");
}

// A second session computing the same invoice waits for the first and then replaces its items, so the
// invoice never holds the items of both.
TEST_F(InvoiceCalculation, ConcurrentRunsOnOneInvoiceWaitForEachOther) {
    write();
    ConcurrentSessions sessions(tenant);
    auto first = sessions.holdTransactionAfter(RentalOrder::computeSql("2018-03-31"));
    auto second = sessions.runWhileHeld(RentalOrder::computeSql("2018-03-31"));
    first.get();
    second.get();
    EXPECT_EQ(items(), lines(kCalculations[0].items));
}
