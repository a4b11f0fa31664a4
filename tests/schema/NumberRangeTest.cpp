#include "ActiveTenant.h"
#include "ConcurrentSessions.h"

#include <gmock/gmock.h>

using namespace velmora::test;
using ::testing::HasSubstr;

namespace {

class NumberRange : public ActiveTenant {};

} // namespace

// Order numbers: kind, year of the clock and a running number per tenant, kind and year.
TEST_F(NumberRange, OrderNumbersRunPerTenantKindAndYear) {
    const std::string year = sql("SELECT to_char(current_timestamp, 'YYYY')");
    const std::string lastYear = std::to_string(std::stoi(year) - 1);
    // Last year's range does not carry over into this year.
    sql("INSERT INTO trevix.auftrag01nr (mandant, belegart, belegnr, jahr) VALUES ('QZ7K', 53, 57, " +
        lastYear + ")");

    struct Call {
        const char* arguments;
        std::string number;
    };
    const Call calls[] = {
        {"'QZ7K', 53", "53" + year + "0001"}, {"'QZ7K', 53", "53" + year + "0002"},
        {"'QZ7K', 52", "52" + year + "0001"}, {"'AB12', 53", "53" + year + "0001"},
        {"'qz7k', 53", "53" + year + "0001"}, {"'QZ7K', 7", "07" + year + "0001"},
        {"", "53" + year + "0001"}, // the defaults: tenant 'kvt', kind 53
    };
    for (const auto& call : calls)
        EXPECT_EQ(sql(std::string("SELECT trevix.next_atnr(") + call.arguments + ")"), call.number)
            << call.arguments;
    EXPECT_EQ(sql("SELECT string_agg(mandant || ':' || belegart || ':' || belegnr, ',' ORDER BY mandant "
                  "COLLATE \"C\", "
                  "belegart, belegnr) FROM trevix.auftrag01nr WHERE jahr = " +
                  year),
              "AB12:53:1,QZ7K:7:1,QZ7K:52:1,QZ7K:53:1,QZ7K:53:2,kvt:53:1,qz7k:53:1");
}

// Invoice numbers: two-digit year, month and a running number per tenant, booking circle and month;
// the booking circle selects the range but is not part of the number.
TEST_F(NumberRange, InvoiceNumbersRunPerBookingCircleAndMonth) {
    struct Call {
        const char* arguments;
        const char* number;
    };
    const Call calls[] = {
        {"'QZ7K', '2018-04-09'", "1804001"},       {"'QZ7K', '2018-04-30'", "1804002"},
        {"'QZ7K', '2018-04-09', '01'", "1804001"}, {"'QZ7K', '2018-03-31'", "1803001"},
        {"'QZ7K', '2019-04-01'", "1904001"},       {"'QZ7K', '2000-01-01'", "0001001"},
        {"'QZ7K', '2099-12-31'", "9912001"},
    };
    for (const auto& call : calls)
        EXPECT_EQ(sql(std::string("SELECT trevix.next_renr(") + call.arguments + ")"), call.number)
            << call.arguments;
    EXPECT_EQ(sql("SELECT string_agg(concat_ws(':', buchungkreis, belegnr, belegdatum, jahr, monat, "
                  "laufende_nr), ',' "
                  "ORDER BY monat, buchungkreis, laufende_nr) FROM trevix.buch20a WHERE jahr = 2018"),
              "00:1803001:2018-03-31:2018:3:1,00:1804001:2018-04-09:2018:4:1,00:1804002:2018-04-30:2018:4:2,"
              "01:1804001:2018-04-09:2018:4:1");
    // Without a date the number follows the current date.
    EXPECT_EQ(sql("SELECT trevix.next_renr('QZ7K') = to_char(current_date, 'YYMM') || '001'"), "t");
}

// The stored number's width sets the width of the next one; the prefix comes without its blanks.
TEST_F(NumberRange, CustomerNumbersKeepTheirWidthAndPrefix) {
    struct Counter {
        const char* tenant;
        const char* prefix;
        const char* stored;
        const char* issued;
        const char* storedAfter;
    };
    const Counter counters[] = {
        {"QZ7K", "''", "00000001", "00000002", "00000002"}, // as the installation writes it
        {"AB12", "'KD    '", "00000041", "KD00000042", "00000042"},
        {"CD34", "''", "123", "124", "124"},
        {"EF56", "''", "0999", "1000", "1000"},
        {"GH78", "NULL", "00000007", "00000008", "00000008"}, // an unset prefix is no prefix
    };
    for (const auto& c : counters) {
        if (std::string(c.tenant) != kTenant)
            sql(std::string(
                    "INSERT INTO trevix.sys_cnt_kundennummer (mandant, prefix, kdnr, aktiv) VALUES ('") +
                c.tenant + "', " + c.prefix + ", '" + c.stored + "', true)");
        EXPECT_EQ(sql(std::string("SELECT trevix.next_kdnr('") + c.tenant + "')"), c.issued) << c.tenant;
        EXPECT_EQ(sql(std::string("SELECT kdnr::text FROM trevix.sys_cnt_kundennummer WHERE mandant = '") +
                      c.tenant + "'"),
                  c.storedAfter)
            << c.tenant;
    }
}

// The default tenant code is QZ7K; a tenant without a counter row gets no number and changes nothing.
TEST_F(NumberRange, CustomerNumberDefaultTenantAndMissingCounter) {
    EXPECT_EQ(sql("SELECT trevix.next_kdnr()"), "00000002");
    EXPECT_EQ(sql("SELECT coalesce(trevix.next_kdnr('XY99'), 'NULL')"), "NULL");
    EXPECT_EQ(sql("SELECT coalesce(trevix.next_kdnr('qz7k'), 'NULL')"), "NULL");
    EXPECT_EQ(sql("SELECT string_agg(mandant || ':' || kdnr, ',') FROM trevix.sys_cnt_kundennummer"),
              "QZ7K:00000002");
}

// Two sessions asking at the same time get two numbers: the second waits for the first.
TEST_F(NumberRange, ConcurrentCustomerNumbersDiffer) {
    ConcurrentSessions sessions(tenant);
    auto first = sessions.holdTransactionAfter("SELECT trevix.next_kdnr('QZ7K')");
    auto second = sessions.runWhileHeld("SELECT trevix.next_kdnr('QZ7K')");
    EXPECT_EQ(first.get(), "00000002");
    EXPECT_EQ(second.get(), "00000003");
    EXPECT_EQ(sql("SELECT kdnr FROM trevix.sys_cnt_kundennummer"), "00000003");
}

// Standard service numbers continue the greatest number of the whole catalogue, whatever its tenant.
TEST_F(NumberRange, StandardServiceNumbersContinueTheCatalogue) {
    EXPECT_EQ(sql("SELECT trevix.next_standardleistung_nr()"), "0001");
    sql("INSERT INTO trevix.standlstg01 (mandant, pos) SELECT 'AB12', to_char(n, 'FM0000') FROM "
        "generate_series(1, 41) n");
    EXPECT_EQ(sql("SELECT trevix.next_standardleistung_nr('QZ7K')"), "0042");
    EXPECT_EQ(sql("SELECT pg_typeof(trevix.next_standardleistung_nr())"), "character");
}

TEST_F(NumberRange, KeysComeFromTheSharedSequence) {
    const std::string numbers =
        sql("SELECT trevix.nextnumber() || ',' || nextval('trevix.vlm1_sequence') || ',' || "
            "trevix.nextnumber() || ',' || pg_typeof(trevix.nextnumber())");
    EXPECT_EQ(numbers, "1,2,3,numeric");
}

// A number that does not fit its format is refused with a clear error, and the ledger keeps no row.
TEST_F(NumberRange, NumbersPastTheirWidthAreRefused) {
    const std::string year = sql("SELECT to_char(current_timestamp, 'YYYY')");
    sql("INSERT INTO trevix.auftrag01nr (mandant, belegart, belegnr, jahr) VALUES ('QZ7K', 53, 9999, " +
        year +
        ");"
        "INSERT INTO trevix.buch20a (mandant, buchungkreis, belegnr, belegdatum, jahr, monat, laufende_nr) "
        "VALUES ('QZ7K', '00', '1804999', '2018-04-09', 2018, 4, 999);"
        "INSERT INTO trevix.sys_cnt_kundennummer (mandant, prefix, kdnr) VALUES ('AB12', '', '99999999');"
        "INSERT INTO trevix.standlstg01 (mandant, pos) VALUES ('AB12', '9999')");
    const std::string ledgers =
        "SELECT (SELECT count(*) FROM trevix.auftrag01nr) || ',' || "
        "(SELECT count(*) FROM trevix.buch20a) || ',' || "
        "(SELECT string_agg(kdnr, ',' ORDER BY mandant) FROM trevix.sys_cnt_kundennummer)";
    const std::string before = sql(ledgers);

    struct Refused {
        const char* call;
        const char* error;
    };
    const Refused refused[] = {
        {"trevix.next_atnr('QZ7K', 100)", "order kind 100 does not fit the two digits of an order number"},
        {"trevix.next_atnr('QZ7K', -1)", "order kind -1 does not fit the two digits of an order number"},
        {"trevix.next_atnr('QZ7K', 53)", "order numbers of kind 53 for "},
        {"trevix.next_renr('QZ7K', '2018-04-30')",
         "invoice numbers of booking circle 00 for 2018-4 are used up"},
        {"trevix.next_renr('QZ7K', '2100-01-01')",
         "invoice date 2100-01-01 lies outside the years 2000 to 2099"},
        {"trevix.next_renr('QZ7K', '1999-12-31')",
         "invoice date 1999-12-31 lies outside the years 2000 to 2099"},
        {"trevix.next_kdnr('AB12')", "customer numbers of tenant AB12 are used up"},
        {"trevix.next_standardleistung_nr()", "standard service numbers are used up"},
    };
    for (const auto& r : refused) {
        const std::string error = tenant.failure(std::string("SELECT ") + r.call);
        EXPECT_THAT(error, HasSubstr(r.error)) << r.call;
        EXPECT_THAT(error, ::testing::Not(HasSubstr("#"))) << r.call;
    }
    EXPECT_EQ(sql(ledgers), before);
    // The ranges are still usable below their limits.
    EXPECT_EQ(
        sql("SELECT trevix.next_atnr('QZ7K', 99) || ',' || trevix.next_renr('QZ7K', '2018-04-09', '01')"),
        "99" + year + "0001,1804001");
}
