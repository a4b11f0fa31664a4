#pragma once

#include <string>
#include <vector>

namespace velmora::test {

// A delivery ('L', positive quantity) or return ('R', negative quantity) of the rental position.
struct Movement {
    std::string date;
    std::string kind;
    std::string quantity;
};

// An order of the tenant QZ7K for the customer 900001 with one position under a lot, its delivery
// lines (unit price 10.000, rent price 0.500) and an invoice head. The terms are SQL literals, so
// that NULL can stand for any of them. The defaults are those of the invoice calculation's worked
// example: 70 % on delivery, rent per week after a provision period of four weeks.
struct RentalOrder {
    static constexpr int kOrder = 910001;
    static constexpr int kPosition = 920001;
    static constexpr int kLot = 940001;
    static constexpr int kInvoice = 930001;

    std::string prozent = "0";
    std::string positionsart = "2";
    std::string mietezeitraum = "'Woche'";
    std::string tagesberechnung = "false";
    std::string vorhaltezeit = "4";
    std::string vorhaltezeitraum = "'Wochen'";
    std::vector<Movement> movements{
        {"2018-01-02", "L", "100"}, {"2018-01-16", "L", "50"}, {"2018-02-20", "R", "-120"}};

    // The statements that write the order, its lot, position, delivery lines and invoice head.
    std::string insertSql() const;

    // Computes the invoice's items for the cut-off date.
    static std::string computeSql(const std::string& stichtag);

    // The invoice's items in the order written, one line each:
    // text|lieferart|miete_von|miete_bis|bestand|miete_menge|gp|prozent_ansatz|mietezeitraum
    static std::string itemsSql();
};

} // namespace velmora::test
