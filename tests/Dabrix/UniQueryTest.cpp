// The tenant-row query as the setup window holds it, against the sandbox.
#include "ComponentFixture.h"
#include "support/ExpectFailure.h"

#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::HasSubstr;

namespace {

const char* const kTenantSchema =
    "CREATE SCHEMA trevix;"
    "CREATE TABLE trevix.mandant (mandant character(4) NOT NULL CONSTRAINT pk_mandant PRIMARY KEY, "
    "lizenznehmer character varying(200), password character varying(100), "
    "plz character varying(5) NOT NULL, ort character varying(100) NOT NULL, "
    "strasse character varying(100) NOT NULL)";

class TenantRowQueryTest : public ComponentTest {
protected:
    TenantRowQueryTest() : ComponentTest(kTenantSchema) {
        query.SetConnection(&connection);
        for (const char* line : {"INSERT INTO trevix.mandant(", "mandant, ", "lizenznehmer, ", "password, ",
                                 "plz, ", "ort, ", "strasse)", "\tVALUES (", ":mandant, ", ":lizenznehmer, ",
                                 ":password, ", ":plz, ", ":ort, ", ":strasse)"})
            query.SQL().Add(line);
        for (const char* name : {"mandant", "lizenznehmer", "password", "plz", "ort", "strasse"})
            query.ParamByName(name).SetDataType(TFieldType::ftString);
        query.ParamByName("mandant").SetValue("XXXX"); // the design-time sample
    }

    void Insert(const std::string& code, const std::string& licensee) {
        query.ParamByName("mandant").SetAsString(code);
        query.ParamByName("lizenznehmer").SetAsString(licensee);
        query.ParamByName("password").SetAsString("pa'ss");
        query.ParamByName("plz").SetAsString("50667");
        query.ParamByName("ort").SetAsString("Köln");
        query.ParamByName("strasse").SetAsString("Domkloster 4");
        query.Execute();
    }

    TUniQuery query{"q_insertMandant"};
};

} // namespace

TEST_F(TenantRowQueryTest, InsertsTheTenantRowWithItsSixParameters) {
    ASSERT_EQ(query.Params().Count(), 6u);
    Insert("AB12", "");
    EXPECT_EQ(query.RowsAffected(), 1);
    EXPECT_EQ(
        database.Query("SELECT mandant, lizenznehmer IS NULL, length(lizenznehmer), password, plz, ort, "
                       "strasse FROM trevix.mandant"),
        "AB12|f|0|pa'ss|50667|Köln|Domkloster 4");
}

TEST_F(TenantRowQueryTest, ASecondRowForTheSameTenantIsAKeyViolation) {
    Insert("AB12", "Bau GmbH");
    const EUniError e =
        ExpectFailure<EUniError>([&] { Insert("AB12", "Bau GmbH"); }, "the tenant row was inserted twice");
    EXPECT_THAT(e.what(), HasSubstr("pk_mandant"));
    EXPECT_TRUE(e.IsKeyViolation());
    EXPECT_EQ(e.ErrorCode(), 23505);
    // The failed execution left the statement prepared; the next tenant still goes in.
    Insert("CD34", "Tief AG");
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.mandant"), "2");
}

TEST_F(TenantRowQueryTest, ATenantCodeOfFiveCharactersIsRefusedByTheServer) {
    const EUniError e = ExpectFailure<EUniError>([&] { Insert("ABCDE", "Bau GmbH"); },
                                                 "a five-character tenant code was stored");
    EXPECT_THAT(e.what(), HasSubstr("character(4)"));
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.mandant"), "0");
}

TEST_F(TenantRowQueryTest, AMissingRequiredValueIsRefusedByTheServer) {
    query.ParamByName("mandant").SetAsString("AB12");
    query.ParamByName("plz").SetValue(std::nullopt);
    EXPECT_THROW(query.Execute(), EUniError);
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.mandant"), "0");
}

TEST_F(TenantRowQueryTest, ChangingTheTextKeepsTheValuesOfParametersThatStay) {
    query.ParamByName("ort").SetAsString("Bonn");
    // The street goes, and the city is written in another case.
    query.SQL().Delete(13);
    query.SQL().Delete(12);
    query.SQL().Insert(12, ":Ort)");
    query.SQL().Delete(6);
    query.SQL().Delete(5);
    query.SQL().Insert(5, "ort)");
    EXPECT_EQ(query.Params().Count(), 5u);
    EXPECT_EQ(query.ParamByName("ORT").AsString(), "Bonn");
    EXPECT_EQ(query.ParamByName("mandant").AsString(), "XXXX");
}

TEST_F(TenantRowQueryTest, AStatementOfCommentsOnlyIsRefusedBeforeReachingTheServer) {
    TUniSQL statement;
    statement.SetConnection(&connection);
    statement.SQL().SetText("-- nothing to do\n/* really */");
    const Exception e =
        ExpectFailure<Exception, EUniError>([&] { statement.Execute(); }, "an empty statement ran");
    EXPECT_STREQ(e.what(), "No SQL statement provided");
}
