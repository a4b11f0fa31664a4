// Tenants installed by the installation, compared with the shipped schema by the verification:
// fresh ones of every kind verify equal, a damaged one has each damage named, and the scratch
// database never outlives a verification.

#include "Setup/tenant/TenantVerification.h"

#include "Common/Interrupt.h"
#include "Dabrix/PostgreSQLUniProvider.h"
#include "InstallationDoubles.h"
#include "Setup/Installation.h"
#include "Setup/TenantLock.h"
#include "Setup/tenant/ScratchDatabase.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

using namespace velmora;
using namespace velmora::test;
using namespace velmora::tenant;
using testing::AllOf;
using testing::ElementsAre;
using testing::EndsWith;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;

namespace {

const std::string kAdminPassword = "Verwalter-1";

struct IsolatingHost : RecordingHost {
    bool IsolatedTenantRequested() const override { return true; }
};

// An administrator's open connection to a database of the sandbox.
std::unique_ptr<TUniConnection> Connect(const TAdminLogin& login, const std::string& database) {
    auto connection = std::make_unique<TUniConnection>();
    connection->SetProviderName("PostgreSQL");
    connection->SetServer(login.server);
    connection->SetPort(login.port);
    connection->SetDatabase(database);
    connection->SetUsername(login.username);
    connection->SetPassword(login.password);
    connection->SetLoginPrompt(false);
    connection->Connect();
    return connection;
}

// The scratch databases of a tenant's verifications that still exist.
std::string ScratchDatabasesOf(const std::string& tenant) {
    return Superuser("postgres", "SELECT count(*) FROM pg_database WHERE starts_with(datname, '" +
                                     std::string(kScratchDatabasePrefix) + tenant + "_')");
}

// Tenants installed by the installation into a sandbox with the roles qz7k and trevix; what a test
// installs is dropped after it, the databases first, then the roles, the administrator last.
class TenantVerificationTest : public testing::Test {
protected:
    ~TenantVerificationTest() override {
        for (const std::string& tenant : tenants_) {
            DropDatabase(tenant);
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
        }
        if (!admin_.empty())
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + admin_});
    }

    // A LOGIN CREATEDB CREATEROLE administrator without superuser rights, as managed services have.
    TAdminLogin ManagedAdministrator() {
        admin_ = uniqueName("admin");
        Superuser("postgres", "CREATE ROLE " + admin_ + " LOGIN CREATEDB CREATEROLE NOSUPERUSER PASSWORD '" +
                                  kAdminPassword + "'");
        TAdminLogin login = ScriptedLogin::sandboxLogin();
        login.username = admin_;
        login.password = kAdminPassword;
        return login;
    }

    void Install(RecordingHost& host, const std::string& code, const TAdminLogin& admin) {
        tenants_.push_back(LowerTenantCode(code));
        DropDatabase(tenants_.back());
        psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenants_.back()});
        host.tenantCode = code;
        ScriptedLogin login(0, admin);
        TInstallation installation(host, login);
        installation.Button1Click();
        ASSERT_EQ(installation.Result(), TInstallationResult::Installed)
            << testing::PrintToString(host.warnings);
    }

    void Install(const std::string& code) {
        RecordingHost host;
        Install(host, code, ScriptedLogin::sandboxLogin());
    }

    static TTenantVerificationResult Verify(const std::string& code, std::ostream& out,
                                            const TAdminLogin& admin = ScriptedLogin::sandboxLogin()) {
        const TPostgreSQLUniProvider provider;
        const std::unique_ptr<TUniConnection> connection = Connect(admin, "postgres");
        const auto connectTo = [&admin](const std::string& database) { return Connect(admin, database); };
        return TTenantVerification(*connection, connectTo, out).Verify(code);
    }

    static TTenantVerificationResult Verify(const std::string& code,
                                            const TAdminLogin& admin = ScriptedLogin::sandboxLogin()) {
        std::ostringstream out;
        return Verify(code, out, admin);
    }

private:
    StateHome stateHome_;
    ApplicationRoles roles_;
    std::vector<std::string> tenants_;
    std::string admin_;
};

// Each kind of tenant the installation makes, checked by the administrator who made it: a superuser
// tenant, whose objects the script hands to postgres, qz7k and trevix; an isolated tenant of a
// superuser, which keeps what it may not hand to postgres; and an isolated tenant of an
// administrator without superuser rights. The tenant's own rows are no drift.
TEST_F(TenantVerificationTest, FreshTenantsOfEveryKindVerifyEqual) {
    Install("V9OK");
    IsolatingHost isolating;
    Install(isolating, "V9IS", ScriptedLogin::sandboxLogin());
    const TAdminLogin managed = ManagedAdministrator();
    RecordingHost managedHost;
    Install(managedHost, "V9MA", managed);
    Superuser("v9ok", "INSERT INTO trevix.wl_auftragstatus VALUES ('V9OK', 54, 'Rechnung', 3);"
                      "INSERT INTO trevix.person01 (person_id, mandant, name1, plz_o, ort) "
                      "VALUES (900001, 'V9OK', 'Bauherr AG', '12345', 'Musterstadt');"
                      "SELECT trevix.next_kdnr('V9OK')");

    struct Case {
        std::string code;
        TAdminLogin admin;
    };
    for (const Case& tenant : {Case{"V9OK", ScriptedLogin::sandboxLogin()},
                               Case{"v9is", ScriptedLogin::sandboxLogin()}, Case{"V9MA", managed}}) {
        SCOPED_TRACE(tenant.code);
        std::ostringstream out;
        const TTenantVerificationResult result = Verify(tenant.code, out, tenant.admin);
        EXPECT_EQ(result.tenant, LowerTenantCode(tenant.code));
        EXPECT_THAT(result.differences, IsEmpty());
        EXPECT_TRUE(result.Equal());
        EXPECT_THAT(out.str(), HasSubstr(std::string(kScratchDatabasePrefix) + result.tenant + "_"));
        EXPECT_EQ(ScratchDatabasesOf(result.tenant), "0");
    }
}

// One tenant damaged in every way at once: each damage is named, and nothing else is.
TEST_F(TenantVerificationTest, EveryDamageIsNamed) {
    Install("V9DM");
    Superuser(
        "v9dm",
        "ALTER TABLE trevix.layout01 DROP COLUMN absender;"
        "ALTER TABLE trevix.mandant ALTER COLUMN plz DROP NOT NULL;"
        "ALTER TABLE trevix.wl_mwst ALTER COLUMN bis SET DEFAULT '2200-12-31';"
        "DROP VIEW trevix.v_zahlungsaufstellung;"
        "CREATE OR REPLACE FUNCTION trevix.next_kdnr(\"Mandant\" text DEFAULT 'QZ7K'::text) RETURNS text "
        "LANGUAGE plpgsql AS $$ BEGIN RETURN '00000001'; END $$;"
        "ALTER TABLE trevix.sys_version OWNER TO qz7k;"
        "REVOKE SELECT ON trevix.v_kunde FROM qz7k;"
        "DELETE FROM trevix.wl_mwst WHERE id = 1;"
        "DELETE FROM trevix.wl_auftragstatus WHERE auftragstatus_id = 53;"
        "DROP TRIGGER leistung01_tr ON trevix.leistung01;"
        "ALTER TABLE trevix.auftrag05 DISABLE TRIGGER auftrag05_tr_listtext;"
        "ALTER TABLE trevix.buch20 DROP CONSTRAINT fk_buch20_mandant;"
        "CREATE INDEX ix_zusatz ON trevix.layout01 (mandant);"
        "ALTER ROLE v9dm NOLOGIN");

    std::ostringstream out;
    const TTenantVerificationResult result = Verify("V9DM", out);
    EXPECT_FALSE(result.Equal());
    EXPECT_THAT(
        result.differences,
        ElementsAre("Rolle v9dm: NOLOGIN statt LOGIN", "Funktion trevix.next_kdnr(text): Rumpf geändert",
                    "Index trevix.ix_zusatz ist zusätzlich vorhanden",
                    AllOf(StartsWith("Sicht trevix.v_kunde: Rechte ist (Besitzer): "),
                          Not(HasSubstr("qz7k: SELECT statt")), EndsWith("; qz7k: SELECT")),
                    "Sicht trevix.v_zahlungsaufstellung fehlt",
                    "Tabelle trevix.auftrag05: Trigger auftrag05_tr_listtext: Zustand ist abgeschaltet "
                    "statt aktiv",
                    "Tabelle trevix.buch20: Fremdschlüssel fk_buch20_mandant fehlt",
                    "Tabelle trevix.layout01: Spalte absender fehlt",
                    "Tabelle trevix.leistung01: Trigger leistung01_tr fehlt",
                    "Tabelle trevix.mandant: Spalte plz: NOT NULL ist nein statt ja",
                    "Besitzer von Tabelle trevix.sys_version ist qz7k statt postgres",
                    "Tabelle trevix.wl_mwst: Spalte bis: Vorgabe ist '2200-12-31'::date statt "
                    "'2100-12-31'::date",
                    "Werteliste trevix.wl_auftragstatus: Zeile (V9DM,53,Auftrag,2) fehlt",
                    "Werteliste trevix.wl_mwst: Zeile (1,19.00,2008-01-01,2100-12-31) fehlt"));
    EXPECT_EQ(ScratchDatabasesOf("v9dm"), "0");
}

// A stream that fails, or raises the interrupt a signal handler would, at the first line the
// verification writes: after the scratch database exists.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(bool interrupt) : interrupt_(interrupt) {}

protected:
    int_type overflow(int_type) override {
        if (interrupt_) {
            RaiseInterrupt(SIGTERM);
            return 0;
        }
        return traits_type::eof();
    }

private:
    bool interrupt_;
};

// Whatever ends a verification half way, the scratch database goes with it; the interrupt is
// raised in a child process, since it stays raised for the rest of a process's life.
TEST_F(TenantVerificationTest, ScratchDatabaseGoesWhateverEndsTheVerification) {
    Install("V9FL");

    FailingBuffer failing(false);
    std::ostream throwing(&failing);
    throwing.exceptions(std::ios::badbit);
    EXPECT_THROW(Verify("V9FL", throwing), std::ios_base::failure);
    EXPECT_EQ(ScratchDatabasesOf("v9fl"), "0");

    EXPECT_EXIT(
        {
            FailingBuffer interrupting(true);
            std::ostream out(&interrupting);
            try {
                Verify("V9FL", out);
            } catch (const EInterrupted&) {
                std::exit(0);
            }
            std::exit(1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(ScratchDatabasesOf("v9fl"), "0");
}

// What names no tenant is refused before anything is made.
TEST_F(TenantVerificationTest, NoTenantIsRefused) {
    Superuser("postgres", "CREATE DATABASE v9nt");
    struct Drop {
        ~Drop() { DropDatabase("v9nt"); }
    } drop;
    for (const std::string code : {"V9XX", "V9NT", "a-b", "VIELE", "NULL", "x'; --"}) {
        SCOPED_TRACE(code);
        EXPECT_THROW(Verify(code), ETenantNotVerifiable);
    }
    EXPECT_EQ(ScratchDatabasesOf(""), "0");
}

// A tenant another run holds (an installation, a removal) is left alone until that run ends.
TEST_F(TenantVerificationTest, TenantOfAnotherRunIsLeftAlone) {
    Install("V9LK");
    const TPostgreSQLUniProvider provider;
    const std::unique_ptr<TUniConnection> otherRun = Connect(ScriptedLogin::sandboxLogin(), "postgres");
    std::optional<TTenantLock> lock(std::in_place, *otherRun, "v9lk");
    EXPECT_THAT([] { Verify("V9LK"); }, testing::ThrowsMessage<EDatabaseError>(HasSubstr("v9lk")));
    EXPECT_EQ(ScratchDatabasesOf("v9lk"), "0");
    lock.reset();
    EXPECT_TRUE(Verify("V9LK").Equal());
}

} // namespace
