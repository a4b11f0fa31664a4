// Script runs against the sandbox: the error policy, broken connections, statements the server
// treats specially, and the script's events.
#include "ComponentFixture.h"

#include <chrono>
#include <gmock/gmock.h>
#include <thread>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

using UniScriptTest = ComponentTest;

const char* const kFourInserts = "INSERT INTO log VALUES (1, 'a');\n"
                                 "INSERT INTO log VALUES (1, 'duplicate');\n"
                                 "  INSERT INTO log VALUES (2, 'b')  ;\n"
                                 "INSERT INTO log VALUES (3, 'c')";

} // namespace

TEST_F(UniScriptTest, AFatalErrorClosesTheConnectionAndTheNextStatementOpensItAgain) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\n"
                 "SELECT pg_terminate_backend(pg_backend_pid());\n"
                 "INSERT INTO log VALUES (2, 'b');\n"
                 "INSERT INTO log VALUES (3, 'c');");
    script.Execute();
    EXPECT_EQ(Logged(), "1:a,2:b,3:c");
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0], "terminating connection due to administrator command.");
    EXPECT_TRUE(connection.Connected());
}

TEST_F(UniScriptTest, CreateDatabaseRunsBecauseEveryStatementIsItsOwnTransaction) {
    const std::string name = uniqueName("script_db");
    TUniScript script;
    Load(script, "CREATE DATABASE " + name + "\n  ENCODING = 'UTF8';\n\nGRANT ALL ON DATABASE " + name +
                     " TO PUBLIC;");
    script.Execute();
    EXPECT_TRUE(errorBoxes.empty()) << errorBoxes.front();
    EXPECT_EQ(database.Query("SELECT has_database_privilege('public', '" + name +
                             "', 'CONNECT') FROM pg_database "
                             "WHERE datname = '" +
                             name + "'"),
              "t");
    connection.Disconnect();
    PsqlValue("postgres", "DROP DATABASE " + name);
}

TEST_F(UniScriptTest, ATextEndingInTwoDashesShowsThatItHoldsNoStatement) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\n-- closing remark\n--");
    script.Execute();
    EXPECT_EQ(Logged(), "1:a");
    EXPECT_THAT(errorBoxes, ElementsAre("No SQL statement provided."));

    errorBoxes.clear();
    script.SQL().SetText("-- only remarks\n/* and more */\n");
    script.Execute();
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(UniScriptTest, RowsOfAStatementAreDroppedAndItsSettingStays) {
    TUniScript script;
    Load(script, "SELECT pg_catalog.set_config('search_path', '', false);\n"
                 "SELECT generate_series(1, 10000);\n"
                 "INSERT INTO log VALUES (1, current_setting('search_path'));\n"
                 "INSERT INTO trevix.log VALUES (2, 'qualified')");
    script.Execute();
    EXPECT_EQ(Logged(), "2:qualified");
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_THAT(errorBoxes[0], HasSubstr("relation \"log\" does not exist"));
}

TEST_F(UniScriptTest, AColonInAScriptStatementIsTheServersNotAParameter) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, ((ARRAY['a', 'b', 'c'])[2:3])::text);\n"
                 "INSERT INTO log VALUES (2, :missing);\n"
                 "INSERT INTO log VALUES (3, 'c')");
    script.Execute();
    EXPECT_EQ(Logged(), "1:{b,c},3:c");
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_THAT(errorBoxes[0], HasSubstr("syntax error"));
}

TEST_F(UniScriptTest, OnErrorDecidesWhatAFailedStatementDoes) {
    struct Case {
        TErrorAction action;
        const char* logged;
        std::size_t errorBoxes;
        bool raises;
    };
    const Case cases[] = {
        {TErrorAction::eaException, "1:a,2:b,3:c", 1, false},
        {TErrorAction::eaContinue, "1:a,2:b,3:c", 0, false},
        {TErrorAction::eaAbort, "1:a", 0, false},
        {TErrorAction::eaFail, "1:a", 0, true},
    };
    for (const Case& c : cases) {
        database.Query("TRUNCATE trevix.log");
        errorBoxes.clear();
        TUniScript script;
        Load(script, kFourInserts);
        std::vector<std::string> failed;
        script.OnError = [&](TDAScript&, const std::exception& e, const std::string& sql,
                             TErrorAction& action) {
            EXPECT_NE(dynamic_cast<const EUniError*>(&e), nullptr);
            failed.push_back(sql);
            action = c.action;
        };
        if (c.raises)
            EXPECT_THROW(script.Execute(), EUniError);
        else
            EXPECT_NO_THROW(script.Execute());
        const int action = static_cast<int>(c.action);
        EXPECT_EQ(Logged(), c.logged) << action;
        EXPECT_EQ(errorBoxes.size(), c.errorBoxes) << action;
        EXPECT_THAT(failed, ElementsAre("INSERT INTO log VALUES (1, 'duplicate')")) << action;
        EXPECT_EQ(script.ErrorOffset(), std::string(kFourInserts).find("INSERT INTO log VALUES (1, 'dup") + 1)
            << "the offset counts the line break as CR LF";
    }
}

TEST_F(UniScriptTest, WithoutAnApplicationHandlerAFailedStatementEndsTheRun) {
    auto handler = SetApplicationExceptionHandler(nullptr);
    TUniScript script;
    Load(script, kFourInserts);
    EXPECT_THROW(script.Execute(), EUniError);
    SetApplicationExceptionHandler(std::move(handler));
    EXPECT_EQ(Logged(), "1:a");
}

TEST_F(UniScriptTest, BeforeExecuteMayChangeOrSkipAStatementAndAfterExecuteSeesThoseThatRan) {
    TUniScript script;
    Load(script, kFourInserts);
    std::vector<std::string> ran;
    script.BeforeExecute = [](TDAScript&, std::string& sql, bool& omit) {
        omit = sql.find("(3,") != std::string::npos;
        if (sql.find("'b'") != std::string::npos)
            sql = "INSERT INTO log VALUES (2, 'changed')";
    };
    script.AfterExecute = [&](TDAScript&, const std::string& sql) { ran.push_back(sql); };
    script.Execute();
    EXPECT_EQ(Logged(), "1:a,2:changed");
    EXPECT_THAT(ran, ElementsAre("INSERT INTO log VALUES (1, 'a')", "INSERT INTO log VALUES (2, 'changed')"));
    EXPECT_EQ(errorBoxes.size(), 1u);
}

TEST_F(UniScriptTest, BreakExecStopsTheRunBeforeItsNextStatement) {
    TUniScript script;
    Load(script, kFourInserts);
    script.AfterExecute = [](TDAScript& sender, const std::string&) { sender.BreakExec(); };
    script.Execute();
    EXPECT_EQ(Logged(), "1:a");
    script.AfterExecute = nullptr;
    script.Execute(); // the next run starts at the first statement again
    EXPECT_EQ(Logged(), "1:a,2:b,3:c");
}

TEST_F(UniScriptTest, ExecuteNextRunsOneStatementAtATime) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\n-- skipped\n;INSERT INTO log VALUES (2, 'b')");
    EXPECT_TRUE(script.ExecuteNext());
    EXPECT_EQ(Logged(), "1:a");
    EXPECT_TRUE(script.ExecuteNext()); // the comment-only statement, not run
    EXPECT_TRUE(script.ExecuteNext());
    EXPECT_FALSE(script.ExecuteNext());
    EXPECT_EQ(Logged(), "1:a,2:b");
}

namespace {

const char* const kFailingInTheMiddle = "INSERT INTO log VALUES (1, 'a');\n"
                                        "INSERT INTO log VALUES (1, 'duplicate');\n"
                                        "SELEC 2;\n"
                                        "INSERT INTO log VALUES (2, 'b');\n"
                                        "SELECT generate_series(1, 100);\n"
                                        "INSERT INTO log VALUES (3, $1);\n"
                                        "UPDATE log SET t = t || '!' WHERE n = 1;\n"
                                        "INSERT INTO log VALUES (4, 'd')";

// Whether the row numbered n appears while the run is held up, within a bounded wait.
bool AppearsWhileWaiting(const ScratchDatabase& database, int n) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (database.Query("SELECT count(*) FROM trevix.log WHERE n = " + std::to_string(n)) == "1")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

} // namespace

TEST_F(UniScriptTest, APipelinedRunReportsFailuresInScriptOrderAndEndsLikeARunOneAtATime) {
    TUniScript script;
    Load(script, kFailingInTheMiddle);
    script.Execute();
    const std::vector<std::string> oneAtATimeBoxes = errorBoxes;
    const std::string oneAtATimeRows = Logged();
    ASSERT_EQ(oneAtATimeBoxes.size(), 3u);

    database.Query("DELETE FROM trevix.log");
    errorBoxes.clear();
    // The handler sees the first failure while the last statement has already run: it was sent
    // ahead of the answers.
    bool lastRanBeforeTheFirstFailureWasShown = false;
    SetApplicationExceptionHandler([&](const std::exception& e) {
        if (errorBoxes.empty())
            lastRanBeforeTheFirstFailureWasShown = AppearsWhileWaiting(database, 4);
        errorBoxes.push_back(ErrorBoxMessage(e));
    });
    script.SetPipelined(true);
    script.Execute();
    EXPECT_TRUE(lastRanBeforeTheFirstFailureWasShown);
    EXPECT_EQ(errorBoxes, oneAtATimeBoxes);
    EXPECT_EQ(Logged(), oneAtATimeRows);
    EXPECT_EQ(Logged(), "1:a!,2:b,4:d");
}

// OnError is called in script order while later statements are already in flight. A handler that
// stops the run stops it after what was sent so far has run: here, the whole short script.
TEST_F(UniScriptTest, APipelinedRunCallsOnErrorInScriptOrderAndAStopKeepsWhatWasSent) {
    TUniScript script;
    Load(script, kFailingInTheMiddle);
    script.SetPipelined(true);
    std::vector<std::string> failed;
    bool lastRanBeforeTheFirstFailure = false;
    TErrorAction answer = TErrorAction::eaContinue;
    script.OnError = [&](TDAScript&, const std::exception&, const std::string& sql, TErrorAction& action) {
        if (failed.empty())
            lastRanBeforeTheFirstFailure = AppearsWhileWaiting(database, 4);
        failed.push_back(sql);
        action = answer;
    };
    script.Execute();
    EXPECT_TRUE(lastRanBeforeTheFirstFailure);
    EXPECT_THAT(failed, ElementsAre(HasSubstr("'duplicate'"), HasSubstr("SELEC 2"), HasSubstr("$1")));
    EXPECT_TRUE(errorBoxes.empty());
    EXPECT_EQ(Logged(), "1:a!,2:b,4:d");

    database.Query("DELETE FROM trevix.log");
    failed.clear();
    answer = TErrorAction::eaFail;
    EXPECT_THROW(script.Execute(), EDAError);
    EXPECT_EQ(failed.size(), 1u);
    EXPECT_EQ(Logged(), "1:a!,2:b,4:d");
}

TEST_F(UniScriptTest, APipelinedRunReportsEveryStatementInFlightWhenTheConnectionIsLost) {
    TUniScript script;
    Load(script, "INSERT INTO log VALUES (1, 'a');\n"
                 "SELECT pg_terminate_backend(pg_backend_pid());\n"
                 "INSERT INTO log VALUES (2, 'b');\n"
                 "INSERT INTO log VALUES (3, 'c');");
    script.SetPipelined(true);
    script.Execute();
    ASSERT_EQ(errorBoxes.size(), 3u);
    EXPECT_EQ(errorBoxes[0], "terminating connection due to administrator command.");
    EXPECT_THAT(errorBoxes[1], HasSubstr("lost before the answer"));
    EXPECT_THAT(errorBoxes[2], HasSubstr("lost before the answer"));
    EXPECT_EQ(Logged(), "1:a");

    // The next run opens the connection again.
    errorBoxes.clear();
    Load(script, "INSERT INTO log VALUES (5, 'e')");
    script.Execute();
    EXPECT_TRUE(errorBoxes.empty());
    EXPECT_EQ(Logged(), "1:a,5:e");
}
