// What the installation sequence relies on of the components, one test per promise.
#include "ComponentFixture.h"
#include "support/ExpectFailure.h"

#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

using ContractTest = ComponentTest;

} // namespace

TEST_F(ContractTest, ChangingALoginValueClosesAnOpenConnectionAndTheNextConnectUsesIt) {
    connection.Connect();
    connection.SetUsername(connection.Username());
    connection.SetPort(connection.Port());
    EXPECT_TRUE(connection.Connected()) << "setting the same values closes nothing";

    ScratchDatabase other(kLogTable);
    connection.SetDatabase(other.Name());
    EXPECT_FALSE(connection.Connected());
    connection.Connect();
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, current_database())");
    script.Execute();
    EXPECT_EQ(other.Query("SELECT t FROM trevix.log"), other.Name());

    const std::vector<std::function<void()>> changes = {
        [&] { connection.SetServer(connection.Server() == "localhost" ? "127.0.0.1" : "localhost"); },
        [&] { connection.SetPort(connection.Port() + 1); },
        [&] { connection.SetDatabase(database.Name()); },
        [&] { connection.SetUsername("someone_else"); },
        [&] { connection.SetPassword("another password"); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Configure(connection);
        connection.SetDatabase(other.Name());
        connection.Connect();
        changes[i]();
        EXPECT_FALSE(connection.Connected()) << "change " << i;
    }
}

TEST_F(ContractTest, AssigningTheLoginDialogLinksBothWays) {
    ScriptedLoginDialog dialog(true);
    connection.SetConnectDialog(&dialog);
    EXPECT_EQ(dialog.Connection(), &connection);
    EXPECT_EQ(connection.ConnectDialog(), &dialog);
}

TEST_F(ContractTest, ConnectPromptsOnlyWhenAskedAndAGivenUpLoginIsSilent) {
    ScriptedLoginDialog cancelling(false);
    connection.SetLoginPrompt(true);
    connection.SetConnectDialog(&cancelling);
    EXPECT_THROW(connection.Connect(), EAbort);
    EXPECT_FALSE(connection.Connected());

    ScriptedLoginDialog confirming(true);
    connection.SetConnectDialog(&confirming);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    connection.Connect();
    EXPECT_EQ(confirming.executions, 1) << "connecting an open connection does nothing";

    connection.Disconnect();
    connection.SetLoginPrompt(false);
    connection.SetPassword("wrong");
    const EUniError e =
        ExpectFailure<EUniError>([&] { connection.Connect(); }, "a wrong password was accepted");
    EXPECT_THAT(e.what(), HasSubstr("password authentication failed"));
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(confirming.executions, 1);
}

TEST_F(ContractTest, DisconnectClosesAnOpenConnectionAndLeavesAClosedOneAlone) {
    connection.Connect();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_NO_THROW(connection.Disconnect());
    EXPECT_FALSE(connection.Connected());
}

// The login dialog's own promise, that Execute answers whether the connection is open and gives
// back the old login values when the login is given up, is the dialog's and tested with it.

TEST_F(ContractTest, AScriptOpensItsConnectionAndRunsEveryStatementEachCommittedOnItsOwn) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\n"
                 "INSERT INTO log VALUES (1, 'duplicate');\n"
                 "INSERT INTO log VALUES (2, 'b');\n"
                 "INSERT INTO log VALUES (3, 'c')");
    ASSERT_FALSE(connection.Connected());
    script.Execute();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(Logged(), "1:a,2:b,3:c");
    // A message ending in a quote gets no full stop.
    EXPECT_THAT(errorBoxes, ElementsAre("duplicate key value violates unique constraint \"log_pkey\""));
    EXPECT_THAT(errorCodes, ElementsAre(23505));
}

TEST_F(ContractTest, AScriptPromptsForItsClosedConnectionUntilItWasOpenedImplicitly) {
    ScriptedLoginDialog dialog(true);
    connection.SetLoginPrompt(true);
    connection.SetConnectDialog(&dialog);
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a')");
    script.Execute();
    EXPECT_EQ(dialog.executions, 1);

    // Once opened by a script, a lost connection is opened again without asking.
    script.SQL().SetText("SELECT pg_terminate_backend(pg_backend_pid());\nINSERT INTO log VALUES (2, 'b')");
    script.Execute();
    EXPECT_EQ(dialog.executions, 1);
    EXPECT_EQ(Logged(), "1:a,2:b");
    EXPECT_EQ(errorBoxes.size(), 1u);
}

TEST_F(ContractTest, AScriptWhoseLoginIsGivenUpRaisesTheSilentCancelBeforeAnyStatement) {
    ScriptedLoginDialog dialog(false);
    connection.SetLoginPrompt(true);
    connection.SetConnectDialog(&dialog);
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a')");
    EXPECT_THROW(script.Execute(), EAbort);
    EXPECT_EQ(dialog.executions, 1);
    EXPECT_EQ(Logged(), "");
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(ContractTest, OnlyFailuresOutsideAStatementLeaveAScriptRun) {
    TUniScript orphan;
    orphan.SQL().SetText("INSERT INTO log VALUES (1, 'a')");
    const EDatabaseError e =
        ExpectFailure<EDatabaseError>([&] { orphan.Execute(); }, "a script without connection ran");
    EXPECT_STREQ(e.what(), "Connection is not defined");

    TUniConnection unreachable;
    Configure(unreachable);
    unreachable.SetPassword("wrong");
    TUniScript script;
    script.SetConnection(&unreachable);
    script.SQL().SetText("INSERT INTO log VALUES (1, 'a')");
    EXPECT_THROW(script.Execute(), EUniError);

    Load(script, "INSERT INTO log VALUES (1, 'a');\n\fINSERT INTO log VALUES (2, 'b')");
    EXPECT_THROW(script.Execute(), EParserError);
    EXPECT_EQ(Logged(), "1:a");
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(ContractTest, ChangedScriptLinesRunFromTheFirstLineNextTime) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\nINSERT INTO log VALUES (2, 'b');");
    script.Execute();
    script.SQL().Delete(1);
    script.SQL().Insert(1, "INSERT INTO log VALUES (3, 'c');");
    script.Execute(); // the first line fails again, the patched second line runs
    script.SQL().SetText("INSERT INTO log VALUES (4, 'd')");
    script.Execute();
    EXPECT_EQ(Logged(), "1:a,2:b,3:c,4:d");
    EXPECT_EQ(errorBoxes.size(), 1u);
}

TEST_F(ContractTest, AQueryFindsItsParametersWithoutRegardToCase) {
    TUniQuery query("q_insertMandant");
    query.SetConnection(&connection);
    query.SQL().SetText("INSERT INTO log VALUES (:n, :text)");
    EXPECT_EQ(&query.ParamByName("TEXT"), &query.ParamByName("text"));
    const EDatabaseError e =
        ExpectFailure<EDatabaseError>([&] { query.ParamByName("x"); }, "a missing parameter was found");
    EXPECT_STREQ(e.what(), "q_insertMandant: Parameter 'x' nicht gefunden");
    TUniParam& text = query.ParamByName("Text");
    EXPECT_TRUE(text.IsNull());
    text.SetAsString("");
    EXPECT_FALSE(text.IsNull());
    EXPECT_EQ(text.DataType(), TFieldType::ftWideString);
    EXPECT_TRUE(text.Bound());
}

TEST_F(ContractTest, AQueryOpensItsConnectionRunsOnceAndRaisesTheServersRefusal) {
    TUniQuery query("q_insertMandant");
    query.SetConnection(&connection);
    query.SQL().SetText("INSERT INTO log VALUES (:n, :t)");
    query.ParamByName("n").SetAsString("1");
    query.ParamByName("t").SetAsString("");
    ASSERT_FALSE(connection.Connected());
    query.Execute();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.RowsAffected(), 1);
    EXPECT_EQ(database.Query("SELECT n, t IS NULL, length(t) FROM trevix.log"), "1|f|0");

    const EUniError e = ExpectFailure<EUniError>([&] { query.Execute(); }, "the duplicate row was inserted");
    EXPECT_THAT(e.what(), HasSubstr("duplicate key value violates unique constraint \"log_pkey\""));
    EXPECT_EQ(e.ErrorCode(), 23505);
    EXPECT_TRUE(e.IsKeyViolation());
    EXPECT_EQ(e.Component(), "q_insertMandant");
    EXPECT_TRUE(errorBoxes.empty()) << "a query leaves its error to the caller";
}

TEST_F(ContractTest, NoComponentStartsATransaction) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\nSELECT 1/0;\nINSERT INTO log VALUES (2, 'b')");
    script.Execute();
    TUniQuery query;
    query.SetConnection(&connection);
    query.SQL().SetText("INSERT INTO log VALUES (3, :t)");
    query.ParamByName("t").SetAsString("c");
    query.Execute();
    // Another session sees every row while this one is still open, and this one is idle.
    ASSERT_TRUE(connection.Connected());
    EXPECT_EQ(Logged(), "1:a,2:b,3:c");
    EXPECT_FALSE(connection.IConnection()->InTransaction());
    EXPECT_EQ(database.Query("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                             "AND state LIKE 'idle in transaction%'"),
              "0");
}
