// velmora-tenant verify as a program: its exit statuses, its text and its JSON document.

#include "TenantCliRun.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace velmora::test;
using testing::Contains;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

class TenantVerifyTest : public testing::Test {
protected:
    ~TenantVerifyTest() override {
        DropDatabase(tenant);
        psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
    }

    ApplicationRoles roles;
    const std::string tenant = "v9cl";
};

// A fresh tenant verifies equal (0), a damaged one names its damage (4), a name without tenant is
// refused (2); with --json the document is the only output on standard output.
TEST_F(TenantVerifyTest, ExitStatusTextAndDocumentSayWhatTheVerificationFound) {
    const ProcessResult installed =
        RunTenant({"install", "-t", tenant, "--licensee", "Bau AG", "--postal-code", "54321", "--city",
                   "Köln", "--street", "Ring 2"},
                  "Kennwort\n");
    ASSERT_EQ(installed.exitCode, 0) << installed.err;

    const ProcessResult equal = RunTenant({"verify", tenant});
    EXPECT_EQ(equal.exitCode, 0) << equal.err;
    EXPECT_THAT(equal.out, HasSubstr("Der Mandant v9cl stimmt mit dem ausgelieferten Schema überein\n"));

    Superuser(tenant, "DROP VIEW trevix.v_zahlungsaufstellung");
    const ProcessResult drift = RunTenant({"verify", "--json", tenant});
    EXPECT_EQ(drift.exitCode, 4) << drift.err;
    const nlohmann::json document = nlohmann::json::parse(drift.out);
    EXPECT_EQ(document.at("result"), "drift");
    EXPECT_EQ(document.at("exit_status"), 4);
    EXPECT_EQ(document.at("tenant"), tenant);
    EXPECT_EQ(document.at("differences"),
              nlohmann::json::array({"Sicht trevix.v_zahlungsaufstellung fehlt"}));
    EXPECT_THAT(
        drift.err,
        HasSubstr("Sicht trevix.v_zahlungsaufstellung fehlt\n1 Abweichung vom ausgelieferten Schema\n"));

    const ProcessResult none = RunTenant({"verify", "--json", "v9zz"});
    EXPECT_EQ(none.exitCode, 2) << none.err;
    EXPECT_EQ(nlohmann::json::parse(none.out).at("result"), "refused");
    EXPECT_THAT(none.err, HasSubstr("Den Mandanten v9zz gibt es auf dem Server nicht"));

    const ProcessResult missing = RunTenant({"verify"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_THAT(missing.err, HasSubstr("der Mandant fehlt"));
    EXPECT_EQ(missing.out, "");
}

} // namespace
