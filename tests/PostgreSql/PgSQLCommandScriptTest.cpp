// The statement command against scripted servers: which messages leave in which write, how the
// answers are matched, servers that drop the connection where a real one will not, and a session
// whose server answers a query it did not run.
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSQLCommand.h"
#include "PostgreSql/PgSqlState.h"
#include "scripted/ScriptedServer.h"
#include "support/ExpectFailure.h"

#include <gtest/gtest.h>
#include <memory>

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::backend;

namespace {

std::string ShowAnswer(const std::string& value) {
    return RowDescription({"setting"}) + DataRow({value}) + CommandComplete("SHOW") + ReadyForQuery();
}

// The type bytes of the frontend messages in one write, "PDCBECCS" for instance.
std::string MessageTypes(std::string_view bytes) {
    std::string types;
    for (std::size_t at = 0; at + 5 <= bytes.size();) {
        types += bytes[at];
        std::uint32_t length = 0;
        for (std::size_t i = 1; i <= 4; ++i)
            length = length * 256 + static_cast<unsigned char>(bytes[at + i]);
        at += 1 + length;
    }
    return types;
}

std::string SetAnswer() {
    return CommandComplete("SET") + ReadyForQuery();
}

// A log-on and the session set-up's queries (three time limits, two show queries), which travel in
// one write.
void AddSession(TServerScript& script) {
    script.Then(LoginAccepted()).Then(VersionAnswer()).Then([](std::string_view sent) {
        return MessageTypes(sent) == "QQQQQ"
                   ? SetAnswer() + SetAnswer() + SetAnswer() + ShowAnswer("on") + ShowAnswer("hex")
                   : std::string();
    });
}

std::string Described(int paramCount) {
    std::string description = Int16(static_cast<std::int16_t>(paramCount));
    for (int i = 0; i < paramCount; ++i)
        description += Int32(23);
    return Message('1', "") + Message('t', description) + Message('n', "");
}

const std::string ParseComplete = Message('1', "");
const std::string BindComplete = Message('2', "");

// What a server answers to a whole cycle of a statement without values that changed rows.
std::string OneExchangeAnswer(const std::string& tag) {
    return Described(0) + BindComplete + CommandComplete(tag) + ReadyForQuery();
}

class PgSQLCommandScriptTest : public testing::Test {
protected:
    PgSQLCommandScriptTest() : connection(script.Factory()) {
        AddSession(script);
        connection.SetServer("scripted");
        connection.Connect();
    }

    // A statement and its parameter values (none: no parameters).
    void SetStatement(const std::string& sql, const std::vector<std::string>& values = {}) {
        command->SetSQL(PgParseSQL(sql));
        TDAParams params;
        params.Rebuild(command->SQL().ParamNames);
        for (std::size_t i = 0; i < values.size(); ++i)
            params[i].SetAsString(values[i]);
        command->AssignParamValues(params);
    }

    // Answers the next write with answer and records the message types it held.
    void AnswerWrite(std::string answer) {
        script.Then([this, answer = std::move(answer)](std::string_view sent) {
            writes.push_back(MessageTypes(sent));
            return answer;
        });
    }

    // The connection is closed, and the next use opens a new session where the statement runs.
    void ExpectTheNextStatementToRunOnANewSession() {
        EXPECT_FALSE(connection.IsConnected());
        AddSession(script);
        script.Then(OneExchangeAnswer("DELETE 3"));
        connection.Connect();
        EXPECT_EQ(script.Opened(), 2);
        SetStatement("DELETE FROM t");
        command->Execute(connection);
        EXPECT_EQ(command->RowsAffected(), 3);
        EXPECT_TRUE(connection.IsConnected());
    }

    TServerScript script;
    TPgSQLConnection connection;
    std::unique_ptr<TPgSQLCommand> command = std::make_unique<TPgSQLCommand>();
    std::vector<std::string> writes;
};

struct ExchangeCase {
    const char* name;
    std::string sql;
    std::vector<std::string> values;
    std::vector<std::string> answers; // one per write
    std::vector<std::string> expectedWrites;
    std::int64_t expectedRows; // -1: the execution fails with the server's error
};

} // namespace

// Each exchange stands on its own on the unnamed statement: nothing is closed after it, whether it
// failed or not, so nothing is left behind on a backend that a pooler hands to another client.
TEST_F(PgSQLCommandScriptTest, EveryMessageThatNeedsNoAnswerLeavesInTheSameWrite) {
    const std::string rows = DataRow({"1"}) + DataRow({"2"}) + CommandComplete("SELECT 2");
    const std::string failure =
        ErrorResponse("ERROR", PgSqlState::UniqueViolation, "duplicate key") + ReadyForQuery();
    const ExchangeCase cases[] = {
        {"without values", "DELETE FROM t", {}, {OneExchangeAnswer("DELETE 2")}, {"PDBES"}, 2},
        {"rows read to the end",
         "SELECT g FROM t",
         {},
         {ParseComplete + Message('t', Int16(0)) + RowDescription({"g"}) + BindComplete + rows +
          ReadyForQuery()},
         {"PDBES"},
         0},
        {"failed parse",
         "SELEC 1",
         {},
         {ErrorResponse("ERROR", PgSqlState::SyntaxError, "syntax error") + ReadyForQuery()},
         {"PDBES"},
         -1},
        {"failed execution",
         "INSERT INTO t VALUES (1)",
         {},
         {Described(0) + BindComplete + failure},
         {"PDBES"},
         -1},
        // The description picks the values' formats; the statement is parsed anew with its values.
        {"with values",
         "INSERT INTO t VALUES (:a)",
         {"7"},
         {Described(1) + ReadyForQuery(),
          Described(1) + BindComplete + CommandComplete("INSERT 0 1") + ReadyForQuery()},
         {"PDS", "PDBES"},
         1},
        {"with values, failed execution",
         "INSERT INTO t VALUES (:a)",
         {"7"},
         {Described(1) + ReadyForQuery(), Described(1) + BindComplete + failure},
         {"PDS", "PDBES"},
         -1},
    };
    for (const ExchangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        writes.clear();
        for (const std::string& answer : c.answers)
            AnswerWrite(answer);
        command = std::make_unique<TPgSQLCommand>();
        SetStatement(c.sql, c.values);
        if (c.expectedRows < 0) {
            EXPECT_THROW(command->Execute(connection), EPgError);
        } else {
            command->Execute(connection);
            EXPECT_EQ(command->RowsAffected(), c.expectedRows);
        }
        EXPECT_EQ(writes, c.expectedWrites);
        EXPECT_TRUE(connection.IsConnected());
    }
}

TEST_F(PgSQLCommandScriptTest, AStatementThatWantsAValueItLacksIsTheCommandsOwnError) {
    // The server describes a parameter the statement has no value for and refuses the bind.
    AnswerWrite(Described(1) + ErrorResponse("ERROR", "08P01", "bind message supplies 0 parameters") +
                ReadyForQuery());
    SetStatement("SELECT $1");
    const Exception e = ExpectFailure<Exception, EPgError>([&] { command->Execute(connection); },
                                                           "the statement ran without its parameter");
    EXPECT_STREQ(e.what(), "Invalid parameters specified");
    EXPECT_EQ(writes, std::vector<std::string>{"PDBES"});
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(PgSQLCommandScriptTest, AConnectionLostBeforeTheCycleEndsIsFatal) {
    // The server hangs up after the completion, before its ReadyForQuery.
    script.Then(Described(0) + BindComplete + CommandComplete("INSERT 0 1"));
    SetStatement("INSERT INTO t VALUES (1)");
    const EPgError e = ExpectFailure<EPgError>([&] { command->Execute(connection); },
                                               "a statement whose cycle never ended was reported as done");
    EXPECT_TRUE(e.IsFatalError());
    EXPECT_EQ(e.Message(), "Der Server hat die Verbindung unerwartet geschlossen (Host scripted, Port 5432)");
    ExpectTheNextStatementToRunOnANewSession();
}

TEST_F(PgSQLCommandScriptTest, ADatabaseListWithoutItsNameColumnIsRefusedAndTheSessionGoesOn) {
    script.Then(RowDescription({}) + DataRow({}) + CommandComplete("SELECT 1") + ReadyForQuery())
        .Then(RowDescription({"datname"}) + DataRow({"postgres"}) + CommandComplete("SELECT 1") +
              ReadyForQuery());
    const EPgError e =
        ExpectFailure<EPgError>([&] { connection.GetDatabaseNames(); }, "a list without names was accepted");
    EXPECT_EQ(e.Message(), "Unexpected server response");
    EXPECT_FALSE(e.IsFatalError());
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(connection.GetDatabaseNames(), std::vector<std::string>{"postgres"});
}
