#include "RentalOrder.h"

namespace velmora::test {

std::string RentalOrder::insertSql() const {
    const std::string order = std::to_string(kOrder);
    const std::string position = std::to_string(kPosition);
    std::string lines;
    for (const auto& m : movements)
        lines += std::string(lines.empty() ? "" : ", ") + "('QZ7K', " + position + ", '" + m.date + "', '" +
                 m.kind + "', " + m.quantity + ", 10.000, 0.500)";
    return "INSERT INTO trevix.auftrag01 (auftrag_id, mandant, auftragsnr, person_id, auftragstatus_id, "
           "prozent) "
           "VALUES (" +
           order + ", 'QZ7K', '5320180001', 900001, 53, " + prozent +
           ");"
           "INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_code, struktur_ebene, "
           "gewerktext) "
           "VALUES (" +
           std::to_string(kLot) + ", " + order +
           ", 'QZ7K', '01', 0, 'Gerüst');"
           "INSERT INTO trevix.auftrag10 (position_id, auftrag_id, mandant, los_id, pos, positionsart, "
           "mietezeitraum, "
           "tagesberechnung, vorhaltezeit, vorhaltezeitraum) VALUES (" +
           position + ", " + order + ", 'QZ7K', " + std::to_string(kLot) + ", '0010', " + positionsart +
           ", " + mietezeitraum + ", " + tagesberechnung + ", " + vorhaltezeit + ", " + vorhaltezeitraum +
           ");"
           "INSERT INTO trevix.leistung01 (mandant, position_id, lieferdatum, lieferart, menge, ep, epmiete) "
           "VALUES " +
           lines +
           ";"
           "INSERT INTO trevix.buch20 (rechnung_id, mandant, person_id, belegnr, belegdatum, buchungtext, "
           "auftrag_id, "
           "art) VALUES (" +
           std::to_string(kInvoice) + ", 'QZ7K', 900001, '1803001', '2018-03-31', 'Gerüstmiete', " + order +
           ", 3)";
}

std::string RentalOrder::computeSql(const std::string& stichtag) {
    return "SELECT trevix.berechne_rech_pos('" + stichtag + "', " + std::to_string(kInvoice) + ")";
}

std::string RentalOrder::itemsSql() {
    return "SELECT text, lieferart, miete_von, miete_bis, bestand, miete_menge, gp, prozent_ansatz, "
           "mietezeitraum "
           "FROM trevix.buch22 WHERE rechnung_id = " +
           std::to_string(kInvoice) + " ORDER BY posten_id";
}

} // namespace velmora::test
