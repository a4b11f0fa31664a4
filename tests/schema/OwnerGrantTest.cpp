#include "InstalledTenant.h"

#include <algorithm>
#include <gmock/gmock.h>

using namespace velmora::test;
using testing::HasSubstr;

namespace {

// Every privilege on schema trevix and its relations held by a role other than the object's owner.
const char* const kGrantedPrivileges =
    "SELECT coalesce(string_agg(g, ',' ORDER BY g), '') FROM ("
    "  SELECT pg_get_userbyid(a.grantee) || ' ' || a.privilege_type || ' ' || c.relname AS g"
    "  FROM pg_class c, aclexplode(c.relacl) a"
    "  WHERE c.relnamespace = 'trevix'::regnamespace AND a.grantee <> c.relowner"
    "  UNION ALL"
    "  SELECT pg_get_userbyid(a.grantee) || ' ' || a.privilege_type || ' ' || n.nspname"
    "  FROM pg_namespace n, aclexplode(n.nspacl) a"
    "  WHERE n.nspname = 'trevix' AND a.grantee <> n.nspowner) granted";

// What the catalog says the owners without superuser rights need: SELECT on each relation of
// another owner that one of their views reads directly, and USAGE on the schema for the owner of
// either table of a foreign key, whose checks query that table as its owner.
const char* const kNeededPrivileges =
    "SELECT coalesce(string_agg(n, ',' ORDER BY n), '') FROM ("
    "  SELECT pg_get_userbyid(v.relowner) || ' SELECT ' || r.relname AS n"
    "  FROM pg_class v JOIN pg_rewrite w ON w.ev_class = v.oid"
    "  JOIN pg_depend d ON d.classid = 'pg_rewrite'::regclass AND d.objid = w.oid"
    "    AND d.refclassid = 'pg_class'::regclass"
    "  JOIN pg_class r ON r.oid = d.refobjid"
    "  JOIN pg_roles o ON o.oid = v.relowner"
    "  WHERE v.relnamespace = 'trevix'::regnamespace AND v.relkind = 'v' AND r.relowner <> v.relowner"
    "    AND NOT o.rolsuper"
    "  UNION"
    "  SELECT pg_get_userbyid(t.relowner) || ' USAGE trevix'"
    "  FROM pg_constraint k JOIN pg_class t ON t.oid IN (k.conrelid, k.confrelid)"
    "  JOIN pg_roles o ON o.oid = t.relowner"
    "  WHERE k.contype = 'f' AND k.connamespace = 'trevix'::regnamespace AND NOT o.rolsuper) needed";

// The structure script, the owner grants and the value-list script run as the tenant role on a
// cluster where qz7k and trevix are plain roles, as a server normally has them.
class OwnedByPlainRoles : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(tenant.query("SELECT count(*) FROM pg_roles WHERE rolname IN ('qz7k', 'trevix') AND NOT "
                               "rolsuper AND NOT rolbypassrls"),
                  "2");
        const ScriptRun run = tenant.runScripts({structureScript(), ownerGrantScript(), valueListScript()});
        for (const auto& error : run.errors)
            ADD_FAILURE() << error.file << ':' << error.line << ": " << error.message;
        ASSERT_EQ(tenant.query("SELECT count(*) FROM pg_class WHERE relnamespace = 'trevix'::regnamespace "
                               "AND relkind IN ('r', 'v') AND "
                               "pg_get_userbyid(relowner) IN ('qz7k', 'trevix')"),
                  "22");
    }

    ApplicationRoles roles; // declared first: the tenant's database is dropped before the roles
    TenantDatabase tenant;
};

TEST_F(OwnedByPlainRoles, EveryViewAnswersTheTenantRole) {
    const ViewReads reads = readEveryView(tenant.connection());
    EXPECT_EQ(reads.views, 38);
    for (const std::string& failure : reads.failures)
        ADD_FAILURE() << failure;
}

// buch20 belongs to qz7k: inserting a row that references it is checked with qz7k's rights, and so
// is changing or deleting a tenant row, which buch20 references.
TEST_F(OwnedByPlainRoles, ForeignKeyChecksOnTheirTablesPass) {
    const char* const statements[] = {
        "INSERT INTO trevix.mandant (mandant, plz, ort, strasse) VALUES "
        "('QZ7K', '12345', 'Musterstadt', 'Hauptstr. 1'), ('QZ7L', '12345', 'Musterstadt', 'Hauptstr. 2'), "
        "('QZ7N', '12345', 'Musterstadt', 'Hauptstr. 3')",
        "INSERT INTO trevix.person01 (person_id, mandant, name1, plz_o, ort) "
        "VALUES (900001, 'QZ7K', 'Bauherr AG', '12345', 'Musterstadt')",
        "INSERT INTO trevix.buch20 (rechnung_id, mandant, person_id, belegnr, belegdatum, buchungtext) "
        "VALUES (930001, 'QZ7K', 900001, '1804001', '2018-04-09', 'Rechnung Rathaus'), "
        "(930002, 'QZ7N', 900001, '1804002', '2018-04-10', 'Rechnung Schule')",
        "INSERT INTO trevix.mahnung (rechnung_id, mandant) VALUES (930001, 'QZ7K')",
        "INSERT INTO trevix.buch21 (beleg_id, pos_text, menge, mengeneinheit, ep, mwst, gp) "
        "VALUES (930001, 'Gerüst', 1, 'St', 100, 19, 100)",
        "INSERT INTO trevix.buch22 (mandant, rechnung_id) VALUES ('QZ7K', 930001)",
        "INSERT INTO trevix.buch10 (beleg_id, person_id, mandant, belegnr) VALUES (950001, 900001, 'QZ7K', "
        "'Z1')",
        "INSERT INTO trevix.buch11 (beleg_id, rechnung_id, zahlung) VALUES (950001, 930001, 100)",
        "UPDATE trevix.mandant SET mandant = 'QZ7M' WHERE mandant = 'QZ7L'",
        "DELETE FROM trevix.mandant WHERE mandant = 'QZ7M'",
    };
    for (const char* sql : statements)
        EXPECT_NO_THROW(tenant.query(sql)) << sql;

    // The checks ran and judged: a missing key is refused by the foreign key, not by a permission.
    EXPECT_THAT(tenant.failure("INSERT INTO trevix.mahnung (rechnung_id, mandant) VALUES (939999, 'QZ7K')"),
                HasSubstr("violates foreign key constraint \"FK_mahnung_buch20\""));
    EXPECT_THAT(tenant.failure("DELETE FROM trevix.mandant WHERE mandant = 'QZ7N'"),
                HasSubstr("violates foreign key constraint \"fk_buch20_mandant\""));
}

TEST_F(OwnedByPlainRoles, GrantsAreExactlyWhatTheOwnersNeed) {
    const std::string needed = tenant.query(kNeededPrivileges);
    EXPECT_EQ(tenant.query(kGrantedPrivileges), needed);
    EXPECT_EQ(std::count(needed.begin(), needed.end(), ',') + 1, 15) << needed;
}

// Without the roles the objects stay with the tenant role: the grants find nobody to grant to, and
// the fixture has checked that they fail nowhere.
class WithoutOwnerRoles : public InstalledTenant {};

TEST_F(WithoutOwnerRoles, GrantNothing) {
    EXPECT_EQ(tenant.query(kGrantedPrivileges), "");
}

} // namespace
