// The statement command on a session whose server drops the connection where a real one will not.
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSQLCommand.h"
#include "PostgreSql/ScriptedServer.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::backend;

namespace {

std::string ShowAnswer(const std::string& value) {
    return RowDescription({"setting"}) + DataRow({value}) + CommandComplete("SHOW") + ReadyForQuery();
}

// A log-on and the session set-up's two show queries.
void AddSession(TServerScript& script) {
    script.Then(LoginAccepted()).Then(VersionAnswer()).Then(ShowAnswer("on")).Then(ShowAnswer("hex"));
}

std::string PrepareAnswer(int paramCount) {
    std::string description = Int16(static_cast<std::int16_t>(paramCount));
    for (int i = 0; i < paramCount; ++i)
        description += Int32(23);
    return Message('1', "") + Message('t', description) + Message('n', "") + ReadyForQuery();
}

std::string ExecuteAnswer(const std::string& tag) {
    return Message('3', "") + Message('2', "") + CommandComplete(tag) + ReadyForQuery();
}

class PgSQLCommandScriptTest : public testing::Test {
protected:
    PgSQLCommandScriptTest() : connection(script.Factory()) {
        AddSession(script);
        connection.SetServer("scripted");
        connection.Connect();
    }

    // A statement without parameters.
    void SetStatement(const std::string& sql) { command.SetSQL(PgParseSQL(sql)); }

    // The connection is closed, and the next use opens a new session where the statement runs.
    void ExpectTheNextStatementToRunOnANewSession() {
        EXPECT_FALSE(connection.IsConnected());
        AddSession(script);
        script.Then(PrepareAnswer(0))
            .Then(ExecuteAnswer("DELETE 3"))
            .Then(Message('3', "") + Message('3', "") + ReadyForQuery());
        connection.Connect();
        EXPECT_EQ(script.Opened(), 2);
        SetStatement("DELETE FROM t");
        command.Execute(connection);
        EXPECT_EQ(command.RowsAffected(), 3);
        EXPECT_TRUE(connection.IsConnected());
    }

    TServerScript script;
    TPgSQLConnection connection;
    TPgSQLCommand command;
};

} // namespace

TEST_F(PgSQLCommandScriptTest, AConnectionLostWhileUnpreparingIsClosedAfterTheStatementRan) {
    // The server hangs up instead of answering the closing of the statement.
    script.Then(PrepareAnswer(0)).Then(ExecuteAnswer("INSERT 0 1"));
    SetStatement("INSERT INTO t VALUES (1)");
    command.Execute(connection);
    EXPECT_EQ(command.RowsAffected(), 1);
    EXPECT_FALSE(command.Prepared());
    ExpectTheNextStatementToRunOnANewSession();
}

TEST_F(PgSQLCommandScriptTest, AConnectionLostWhileRefusingAParameterCountIsClosed) {
    // The server describes a parameter the statement does not have, then hangs up on the unprepare.
    script.Then(PrepareAnswer(1));
    SetStatement("SELECT $1");
    try {
        command.Execute(connection);
        FAIL() << "the statement ran without its parameter";
    } catch (const EPgError&) {
        FAIL() << "the lost connection instead of the command's own error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid parameters specified");
    }
    ExpectTheNextStatementToRunOnANewSession();
}
