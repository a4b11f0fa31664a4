#include "ActiveTenant.h"

namespace velmora::test {

void ActiveTenant::SetUp() {
    InstalledTenant::SetUp();
    if (HasFatalFailure())
        return;
    sql("INSERT INTO trevix.mandant (mandant, lizenznehmer, password, plz, ort, strasse) "
        "VALUES ('QZ7K', 'Gerüstbau Muster GmbH', 'geheim', '12345', 'Musterstadt', 'Hauptstr. 1');"
        "INSERT INTO trevix.sys_cnt_kundennummer (mandant, prefix, kdnr, aktiv) "
        "VALUES ('QZ7K', '', '00000001', true);"
        "INSERT INTO trevix.wl_auftragstatus (mandant, auftragstatus_id, auftragstatus_text, art) "
        "VALUES ('QZ7K', 52, 'Angebot', 1), ('QZ7K', 53, 'Auftrag', 2);"
        "INSERT INTO trevix.person01 (person_id, mandant, name1, plz_o, ort) "
        "VALUES (900001, 'QZ7K', 'Bauherr AG', '12345', 'Musterstadt')");
}

} // namespace velmora::test
