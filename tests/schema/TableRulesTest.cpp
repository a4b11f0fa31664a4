#include "InstalledTenant.h"

#include <gmock/gmock.h>

using namespace velmora::test;
using ::testing::HasSubstr;

namespace {

const std::string kTenantRow =
    "INSERT INTO trevix.mandant (mandant, lizenznehmer, password, plz, ort, strasse) VALUES ";

const std::string kPerson =
    "INSERT INTO trevix.person01 (name1, plz_o, ort) VALUES ('Muster', '12345', 'Ort') "
    "RETURNING person_id";

} // namespace

TEST_F(InstalledTenant, TenantCodeHoldsFourCharactersBlankPadded) {
    struct Rejected {
        const char* values;
        const char* error;
    };
    const Rejected rejected[] = {
        {"('ABCDE', 'Bau GmbH', 'pw', '12345', 'Ort', 'Weg 1')", "value too long for type character(4)"},
        {"('AB12', 'Bau GmbH', 'pw', '123456', 'Ort', 'Weg 1')",
         "value too long for type character varying(5)"},
        {"('AB12', 'Bau GmbH', 'pw', NULL, 'Ort', 'Weg 1')", "null value in column \"plz\""},
        {"('AB12', 'Bau GmbH', 'pw', '12345', NULL, 'Weg 1')", "null value in column \"ort\""},
        {"('AB12', 'Bau GmbH', 'pw', '12345', 'Ort', NULL)", "null value in column \"strasse\""},
    };
    for (const auto& row : rejected)
        EXPECT_THAT(tenant.failure(kTenantRow + row.values), HasSubstr(row.error)) << row.values;

    tenant.query(kTenantRow + "('AB', 'Bau GmbH', 'pw', '12345', 'Ort', 'Weg 1')");
    EXPECT_EQ(
        tenant.query("SELECT octet_length(mandant) || '|' || (mandant = 'AB') || '|' || (mandant = 'AB  ') "
                     "FROM trevix.mandant"),
        "4|true|true");
    EXPECT_THAT(tenant.failure(kTenantRow + "('AB  ', 'Zweit', 'pw', '12345', 'Ort', 'Weg 1')"),
                HasSubstr("duplicate key value violates unique constraint \"pk_mandant\""));
}

// The defaults 'kvt' and 'KVT' are fixed literals, not the installed tenant's code: a row that relies
// on them needs a tenant row with exactly that code.
TEST_F(InstalledTenant, TenantDefaultsNeedATenantRowWithExactlyThatCode) {
    tenant.query(kTenantRow + "('AB12', 'Bau GmbH', 'pw', '12345', 'Ort', 'Weg 1')");
    const std::string invoice =
        tenant.query("INSERT INTO trevix.buch20 (person_id, belegnr, belegdatum, buchungtext) "
                     "VALUES (1, 'R1', '2018-01-31', 'Rechnung') RETURNING rechnung_id");

    struct Rejected {
        std::string insert;
        const char* error;
    };
    const Rejected rejected[] = {
        {kPerson, "fk_person01_mandant"},
        {"INSERT INTO trevix.artikel01 (hwgbez) VALUES ('Gerüste')", "fk_artikel01_mandant"},
        {"INSERT INTO trevix.artikel02 (wgbez) VALUES ('Stahlrohr')", "fk_artikel02_mandant"},
        {"INSERT INTO trevix.auftrag05 (struktur_ebene) VALUES (0)", "fk_auftrag05_mandant"},
        {"INSERT INTO trevix.buch00 (buchkreisnr) VALUES ('01')", "fk_buch00_mandant"},
        {"INSERT INTO trevix.mahnung (rechnung_id) VALUES (" + invoice + ")", "FK_mahnung_mandant"},
        {"INSERT INTO trevix.mahntext (mahnkz) VALUES (1)", "null value in column \"mandant\""},
        {"INSERT INTO trevix.wl_auftragstatus (auftragstatus_id, auftragstatus_text, art) VALUES (52, "
         "'Angebot', 1)",
         "null value in column \"mandant\""},
    };
    for (const auto& row : rejected)
        EXPECT_THAT(tenant.failure(row.insert), HasSubstr(row.error)) << row.insert;
    // An invoice without tenant has a null code, which the foreign key does not check.
    EXPECT_EQ(tenant.query("SELECT count(*) FROM trevix.buch20 WHERE mandant IS NULL"), "1");

    tenant.query(kTenantRow + "('kvt', 'Vorgabe', 'pw', '12345', 'Ort', 'Weg 1')");
    const std::string person = tenant.query(kPerson);
    tenant.query("INSERT INTO trevix.auftrag01 (auftragsnr, person_id) VALUES ('5320180001', " + person +
                 ")");
    const std::string payment =
        "INSERT INTO trevix.buch10 (person_id, belegnr) VALUES (" + person + ", 'Z1') RETURNING mandant";
    EXPECT_THAT(tenant.failure(payment), HasSubstr("FK_buch10_mandant"));

    tenant.query(kTenantRow + "('KVT', 'Vorgabe', 'pw', '12345', 'Ort', 'Weg 1')");
    EXPECT_EQ(tenant.query(payment), "KVT "); // blank-padded to character(4)
}

TEST_F(InstalledTenant, CustomerSupplierAndStaffNumbersAreUniqueAcrossAllTenants) {
    tenant.query(kTenantRow + "('kvt', 'Vorgabe', 'pw', '12345', 'Ort', 'Weg 1')");
    const std::string person = tenant.query(kPerson);
    // Assigns the person to an address kind for a tenant, with the number 4711 in the given column.
    auto assignment = [&](int kind, const std::string& code, const std::string& numberColumn) {
        return "INSERT INTO trevix.adresse_art_zuweisung (adresse_art_id, person_id, mandant" +
               (numberColumn.empty() ? "" : ", " + numberColumn) + ") VALUES (" + std::to_string(kind) +
               ", " + person + ", '" + code + "'" + (numberColumn.empty() ? "" : ", '4711'") + ")";
    };

    const std::pair<std::string, std::string> numbers[] = {
        {"kunden_nr", "adresszuweisung_idx_kd_nr"},
        {"lieferant_nr", "adresszuweisung_idx_idx_lr_nr"},
        {"personal_nr", "adresszuweisung_idx_idx_pers_nr"},
    };
    for (const auto& [column, index] : numbers) {
        tenant.query(assignment(1, "T1" + column, column));
        EXPECT_THAT(tenant.failure(assignment(2, "T2" + column, column)),
                    HasSubstr("duplicate key value violates unique constraint \"" + index + "\""))
            << column;
    }
    // Rows without numbers do not collide.
    tenant.query(assignment(3, "N1", ""));
    tenant.query(assignment(3, "N2", ""));
    EXPECT_EQ(tenant.query("SELECT count(*) FROM trevix.adresse_art_zuweisung"), "5");
}

TEST_F(InstalledTenant, KeySequenceStopsAfterOneBillion) {
    EXPECT_EQ(tenant.query("SELECT nextval('trevix.vlm1_sequence')"), "1");
    tenant.query("SELECT setval('trevix.vlm1_sequence', 999999999)");
    EXPECT_EQ(tenant.query("SELECT nextval('trevix.vlm1_sequence')"), "1000000000");

    const char* const exhausted = "reached maximum value of sequence \"vlm1_sequence\" (1000000000)";
    EXPECT_THAT(tenant.failure("SELECT nextval('trevix.vlm1_sequence')"), HasSubstr(exhausted));
    EXPECT_THAT(
        tenant.failure("INSERT INTO trevix.sys_dokustruktur (bezeichnung, mandant) VALUES ('Pläne', 'AB12')"),
        HasSubstr(exhausted));
}
