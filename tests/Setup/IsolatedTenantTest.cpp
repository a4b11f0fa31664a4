// Tenants installed by velmora-install as administrators of the kinds managed PostgreSQL services
// set up (LOGIN CREATEDB CREATEROLE, never a superuser) and as the sandbox's superuser.

#include "Setup/TenantInput.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>

using namespace velmora::test;
using testing::HasSubstr;
using testing::Not;

namespace {

// A libpq connection string for a role of the sandbox; it overrides the superuser of the environment.
std::string LogOn(const std::string& database, const std::string& role, const std::string& password) {
    return "dbname=" + database + " user=" + role + " password=" + password;
}

const std::string kAdminPassword = "Verwalter-1";
const std::string kTenantPassword = "Kennwort-1";

enum class TAdministrator {
    Superuser,             // the sandbox's own superuser
    OwnsApplicationRoles,  // LOGIN CREATEDB CREATEROLE that created qz7k and trevix itself
    ApplicationRolesAlien, // the same, with qz7k and trevix created by a superuser
    WithoutCreateRole,     // LOGIN CREATEDB
};

// The text with every placeholder replaced by value.
std::string Replaced(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at))
        text.replace(at, placeholder.size(), value);
    return text;
}

class IsolatedTenantTest : public testing::Test {
protected:
    ~IsolatedTenantTest() override { RemoveWhatWasMade(); }

    // The tenants first, then the application roles, whose memberships the administrator granted,
    // then the administrator.
    void RemoveWhatWasMade() {
        for (const std::string& tenant : tenants_) {
            DropDatabase(tenant);
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
        }
        tenants_.clear();
        psql("postgres", {"-c", "DROP ROLE IF EXISTS qz7k, trevix"});
        if (admin_ != sandbox().user)
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + admin_});
    }

    // Sets up the administrator and the roles qz7k and trevix as that kind of administrator finds them.
    void Prepare(TAdministrator administrator) {
        ASSERT_EQ(ApplicationRoles::countExisting(), 0);
        if (administrator == TAdministrator::Superuser) {
            admin_ = sandbox().user;
            adminPassword_ = sandbox().password;
            Superuser("postgres", "CREATE ROLE qz7k NOSUPERUSER; CREATE ROLE trevix NOSUPERUSER");
            return;
        }
        admin_ = uniqueName("admin");
        adminPassword_ = kAdminPassword;
        Superuser("postgres", "CREATE ROLE " + admin_ + " LOGIN CREATEDB " +
                                  (administrator == TAdministrator::WithoutCreateRole ? "NO" : "") +
                                  "CREATEROLE NOSUPERUSER PASSWORD '" + kAdminPassword + "'");
        const std::string creator = administrator == TAdministrator::OwnsApplicationRoles
                                        ? LogOn("postgres", admin_, kAdminPassword)
                                        : "postgres";
        Superuser(creator, "CREATE ROLE qz7k NOSUPERUSER; CREATE ROLE trevix NOSUPERUSER");
    }

    // Runs velmora-install as the prepared administrator; the tenant's password comes on standard input.
    ProcessResult Install(const std::string& code, const std::vector<std::string>& options = {}) {
        tenants_.push_back(velmora::LowerTenantCode(code));
        std::vector<std::string> argv{VELMORA_INSTALL, "--tenant",      code,    "--licensee",
                                      "Bau AG",        "--postal-code", "54321", "--city",
                                      "Köln",          "--street",      "Ring 2"};
        argv.insert(argv.end(), options.begin(), options.end());
        return RunProcess(argv,
                          {"PGHOST=" + sandbox().host, "PGPORT=" + sandbox().port, "PGUSER=" + admin_,
                           "PGPASSWORD=" + adminPassword_, "PGDATABASE=postgres", "PGPASSFILE=/nonexistent",
                           "XDG_STATE_HOME=" + stateHome_.path()},
                          kTenantPassword + "\n");
    }

    // psql as the tenant role on its own database.
    PsqlResult AsTenant(const std::string& tenant, const std::string& sql) const {
        return psql(LogOn(tenant, tenant, kTenantPassword), {"-v", "ON_ERROR_STOP=1", "-c", sql});
    }

    // Whether the server follows the rules of version 16 on: CREATEROLE grants only roles held with
    // ADMIN OPTION.
    static bool GrantsNeedAdminOption() {
        return std::stoi(Superuser("postgres", "SHOW server_version_num")) >= 160000;
    }

    std::string Log() const { return stateHome_.logText(); }
    const std::string& stateHomePath() const { return stateHome_.path(); }

private:
    StateHome stateHome_;
    std::vector<std::string> tenants_;
    std::string admin_;
    std::string adminPassword_;
};

// What the tenant role may do on the server, and who owns what in its database.
struct Tenant {
    std::string attributes; // super, create db, create role, replication, bypass RLS, login
    std::string publicConnects;
    std::string owners; // of the database, the schema, mandant, vlm1_sequence, v_artikel, ortsverzeichnis
};

Tenant Inspect(const std::string& tenant) {
    return {
        Superuser("postgres", "SELECT rolsuper, rolcreatedb, rolcreaterole, rolreplication, rolbypassrls, "
                              "rolcanlogin FROM pg_roles WHERE rolname = '" +
                                  tenant + "'"),
        Superuser("postgres", "SELECT has_database_privilege('public', '" + tenant + "', 'CONNECT')"),
        Superuser("postgres",
                  "SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = '" + tenant + "'") +
            "," +
            Superuser(tenant,
                      "SELECT string_agg(o, ',') FROM ("
                      " SELECT 1, pg_get_userbyid(nspowner) FROM pg_namespace WHERE nspname = 'trevix'"
                      " UNION ALL SELECT 2, tableowner::text FROM pg_tables WHERE tablename = 'mandant'"
                      " UNION ALL SELECT 3, sequenceowner::text FROM pg_sequences"
                      "   WHERE sequencename = 'vlm1_sequence'"
                      " UNION ALL SELECT 4, viewowner::text FROM pg_views WHERE viewname = 'v_artikel'"
                      " UNION ALL SELECT 5, tableowner::text FROM pg_tables"
                      "   WHERE tablename = 'ortsverzeichnis' ORDER BY 1) owners(n, o)")};
}

// Rows the foreign keys check with the rights of each table's owner: buch20 refers to mandant and
// person01, buch21 and mahnung to buch20.
const char* const kForeignKeyInserts =
    "INSERT INTO trevix.person01 (person_id, mandant, name1, plz_o, ort) "
    "VALUES (900001, 'CODE', 'Bauherr AG', '12345', 'Musterstadt');"
    "INSERT INTO trevix.buch20 (rechnung_id, mandant, person_id, belegnr, belegdatum, buchungtext) "
    "VALUES (930001, 'CODE', 900001, '1804001', '2018-04-09', 'Rechnung Rathaus');"
    "INSERT INTO trevix.buch21 (beleg_id, pos_text, menge, mengeneinheit, ep, mwst, gp) "
    "VALUES (930001, 'Gerüst', 1, 'St', 100, 19, 100);"
    "INSERT INTO trevix.mahnung (rechnung_id, mandant) VALUES (930001, 'CODE')";

// Each kind of administrator gets the tenant it may make: a superuser the tenant as the templates
// make it, unless asked for an isolated one; an administrator without superuser rights an isolated
// tenant, or nothing at all when it may not create roles. Every tenant made answers on every view
// and passes its foreign-key checks.
TEST_F(IsolatedTenantTest, EachKindOfAdministratorGetsTheTenantItMayMake) {
    const std::string superuserTenant = "t|t|t|t|f|t";
    const std::string isolated = "f|f|f|f|f|t";
    struct Case {
        TAdministrator administrator;
        std::vector<std::string> options;
        std::string attributes;
        std::string publicConnects;
        std::string owners;     // with @ for the tenant
        std::string finalLines; // of the final message: the kind, then the skipped ownerships, if any
    };
    const std::string handedToApplicationRoles = "@,@,@,@,qz7k,trevix";
    const std::string keptByTheTenant = "@,@,@,@,@,@";
    const std::string isolatedLine =
        "Mandantenrolle @: ohne Superuser-Rechte, nur für die eigene Datenbank\n";
    const std::string keptFromPostgres =
        "97 Besitzerwechsel übersprungen: an die Rolle postgres darf der Mandant "
        "ohne Superuser-Rechte nichts übergeben, die Objekte gehören dem "
        "Mandanten.\n";
    const std::string keptFromAll =
        "119 Besitzerwechsel übersprungen: an die Rollen postgres, qz7k, trevix darf "
        "der Mandant ohne Superuser-Rechte nichts übergeben, die Objekte gehören dem "
        "Mandanten.\n";
    const Case cases[] = {
        {TAdministrator::Superuser,
         {},
         superuserTenant,
         "t",
         "@,@,postgres,postgres,qz7k,trevix",
         "Mandantenrolle @: Superuser\n"},
        {TAdministrator::Superuser,
         {"--isolated-tenant"},
         isolated,
         "f",
         handedToApplicationRoles,
         isolatedLine + keptFromPostgres},
        {TAdministrator::OwnsApplicationRoles,
         {},
         isolated,
         "f",
         handedToApplicationRoles,
         isolatedLine + keptFromPostgres},
        // Before version 16 CREATEROLE may grant any role without superuser rights.
        {TAdministrator::ApplicationRolesAlien,
         {},
         isolated,
         "f",
         GrantsNeedAdminOption() ? keptByTheTenant : handedToApplicationRoles,
         isolatedLine + (GrantsNeedAdminOption() ? keptFromAll : keptFromPostgres)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "administrator " << static_cast<int>(c.administrator) << " "
                                        << testing::PrintToString(c.options));
        RemoveWhatWasMade();
        Prepare(c.administrator);
        const std::string code = "Q7I" + std::to_string(&c - cases);
        const std::string tenant = velmora::LowerTenantCode(code);
        const ProcessResult run = Install(code, c.options);

        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "") << "no error and no warning";
        const std::string lines = Replaced(c.finalLines, "@", tenant);
        EXPECT_THAT(run.out, HasSubstr("Die Datenbank " + tenant + " wurde erfolgreich installiert\n" +
                                       lines + "Protokoll: "));
        // The log holds each line of the final message.
        for (std::size_t end = lines.find('\n'), begin = 0; end != std::string::npos;
             begin = end + 1, end = lines.find('\n', begin))
            EXPECT_THAT(Log(), HasSubstr(lines.substr(begin, end - begin)));
        const Tenant made = Inspect(tenant);
        EXPECT_EQ(made.attributes, c.attributes);
        EXPECT_EQ(made.publicConnects, c.publicConnects);
        EXPECT_EQ(made.owners, Replaced(c.owners, "@", tenant));

        const ViewReads reads = readEveryView(LogOn(tenant, tenant, kTenantPassword));
        EXPECT_EQ(reads.views, 38);
        for (const std::string& failure : reads.failures)
            ADD_FAILURE() << failure;
        const PsqlResult inserts = AsTenant(tenant, Replaced(kForeignKeyInserts, "CODE", code));
        EXPECT_EQ(inserts.exitCode, 0) << inserts.err;
        EXPECT_THAT(AsTenant(tenant, "INSERT INTO trevix.mahnung (rechnung_id, mandant) VALUES (939999, '" +
                                         code + "')")
                        .err,
                    HasSubstr("violates foreign key constraint"))
            << "the checks ran and judged";
    }
}

// An administrator without superuser rights that may not create roles is told so once, before
// anything changes.
TEST_F(IsolatedTenantTest, AnAdministratorWhoMayNotCreateRolesChangesNothing) {
    Prepare(TAdministrator::WithoutCreateRole);
    const ProcessResult run = Install("Q7IN");

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "Hinweis: Der angemeldete Benutzer ist kein Superuser: der Mandant wird ohne "
                       "Superuser-Rechte angelegt.\nFortschritt 0 %\n");
    EXPECT_EQ(run.err,
              "Warnung: Der angemeldete Benutzer ist kein Superuser und hat nicht das Recht CREATEROLE. "
              "Ohne Superuser-Rechte braucht die Installation die Rechte CREATEROLE und CREATEDB, um "
              "Rolle und Datenbank des Mandanten anzulegen. Es wurde nichts verändert\nProtokoll: " +
                  stateHomePath() + "/velmora/installation.log\n");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7in'"), "0");
    EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_database WHERE datname = 'q7in'"), "0");
    EXPECT_THAT(Log(), HasSubstr("Ergebnis: abgelehnt, nichts verändert"));
}

// Two isolated tenants share the application roles but reach nothing of each other, nor anything
// of the server beyond their own database.
TEST_F(IsolatedTenantTest, IsolatedTenantsReachOnlyTheirOwnDatabase) {
    Prepare(TAdministrator::OwnsApplicationRoles);
    ASSERT_EQ(Install("Q7IA").exitCode, 0);
    ASSERT_EQ(Install("Q7IB").exitCode, 0);

    const auto refusal = [](const PsqlResult& result) {
        EXPECT_NE(result.exitCode, 0) << result.out;
        return result.err;
    };
    EXPECT_THAT(refusal(psql(LogOn("q7ia", "q7ib", kTenantPassword), {"-c", "SELECT 1"})),
                HasSubstr("permission denied for database \"q7ia\""));
    EXPECT_THAT(refusal(AsTenant("q7ib", "SELECT count(*) FROM pg_authid")),
                HasSubstr("permission denied for table pg_authid"));
    EXPECT_THAT(refusal(AsTenant("q7ib", "CREATE ROLE q7ix")), HasSubstr("permission denied to create role"));
    EXPECT_THAT(refusal(AsTenant("q7ib", "ALTER ROLE q7ia PASSWORD 'fremd'")),
                HasSubstr("permission denied"));
    EXPECT_THAT(refusal(AsTenant("q7ib", "SELECT pg_read_file('PG_VERSION')")),
                HasSubstr("permission denied for function pg_read_file"));
    EXPECT_EQ(AsTenant("q7ia", "SELECT count(*) FROM trevix.mandant").out, "1\n");
}

// The administrator without superuser rights replaces the isolated tenant it made: it owns the
// database through its membership and drops the role it holds with ADMIN OPTION.
TEST_F(IsolatedTenantTest, AnAdministratorWithoutSuperuserRightsReplacesItsTenant) {
    Prepare(TAdministrator::OwnsApplicationRoles);
    ASSERT_EQ(Install("Q7IR").exitCode, 0);
    ASSERT_EQ(AsTenant("q7ir", "CREATE TABLE trevix.left_over ()").exitCode, 0);

    const ProcessResult replaced = Install("Q7IR", {"--replace"});

    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(replaced.err, "");
    EXPECT_EQ(AsTenant("q7ir", "SELECT count(*) FROM pg_tables WHERE tablename = 'left_over'").out, "0\n");
    EXPECT_EQ(Inspect("q7ir").attributes, "f|f|f|f|f|t");
}

} // namespace
