// Statements sent ahead of their answers, against the sandbox server.
#include "PostgreSql/PgSQLPipeline.h"

#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSQLCommand.h"
#include "PostgreSql/ScratchDatabase.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace velmora;
using namespace velmora::test;

namespace {

class PgSQLPipelineTest : public testing::Test {
protected:
    // bufferBytes: the socket's send and receive buffers; 0 keeps the system's.
    void Connect(int bufferBytes = 0) {
        connection =
            std::make_unique<TPgSQLConnection>([bufferBytes](const std::string& host, int port, int timeout) {
                auto tcp = std::make_unique<TCRVioTcp>(host, port, timeout);
                if (bufferBytes > 0)
                    tcp->SetBufferSizes(bufferBytes);
                return std::unique_ptr<TCRVio>(std::move(tcp));
            });
        connection->SetServer(sandbox().host);
        connection->SetPort(std::stoi(sandbox().port));
        connection->SetDatabase(database.Name());
        connection->SetUsername(sandbox().user);
        connection->SetPassword(sandbox().password);
        connection->Connect();
        // A client and a server that both wait would end here instead of hanging the test.
        connection->Protocol().SetTimeout(30);
    }

    // Runs the statements through a pipeline, taking answers only when it is full and at the end;
    // each answer is a row count or the failure's message.
    std::vector<std::string> Run(const std::vector<std::string>& statements) {
        auto pipeline = connection->CreatePipeline();
        std::vector<std::string> outcomes;
        auto receive = [&] {
            try {
                outcomes.push_back(std::to_string(pipeline->Receive()));
            } catch (const EDAError& e) {
                outcomes.push_back(std::string("error: ") + e.what() + (e.IsInDoubt() ? " (in doubt)" : ""));
            } catch (const Exception& e) {
                outcomes.push_back(std::string("error: ") + e.what());
            }
        };
        for (const std::string& sql : statements) {
            while (!pipeline->HasRoom())
                receive();
            pipeline->Send(PgParseSQL(sql, false));
        }
        while (pipeline->InFlight() > 0)
            receive();
        if (connection->IsConnected())
            pipeline->Finish();
        return outcomes;
    }

    ScratchDatabase database{"CREATE TABLE log (n integer PRIMARY KEY, t text)"};
    std::unique_ptr<TPgSQLConnection> connection;
};

} // namespace

TEST_F(PgSQLPipelineTest, EachStatementRunsOnItsOwnAndAnswersComeInOrder) {
    Connect();
    const std::vector<std::string> outcomes = Run({
        "INSERT INTO log VALUES (1, 'a')",
        "INSERT INTO log VALUES (1, 'duplicate')",
        "SELEC 2",
        "SELECT $1",
        "  ",
        "SELECT generate_series(1, 3)",
        "UPDATE log SET t = 'b' WHERE n = 1",
        "INSERT INTO log VALUES (2, 'c')",
    });
    EXPECT_EQ(outcomes, (std::vector<std::string>{
                            "1",
                            "error: duplicate key value violates unique constraint \"log_pkey\"",
                            "error: syntax error at or near \"SELEC\"",
                            "error: Invalid parameters specified",
                            "error: No SQL statement provided",
                            "0",
                            "1",
                            "1",
                        }));
    EXPECT_EQ(database.Query("SELECT string_agg(n || ':' || t, ',' ORDER BY n) FROM log"), "1:b,2:c");
    // Nothing stays prepared on the server, and the session serves single statements again.
    EXPECT_EQ(
        connection->Protocol().ExecuteStmt("SELECT count(*) FROM pg_prepared_statements").Rows.at(0).at(0),
        "0");
}

TEST_F(PgSQLPipelineTest, ALargeScriptWithLargeAnswersPassesTinySocketBuffers) {
    Connect(16384);
    // Each answer is far larger than the statement: a client that only wrote while the server
    // could not get rid of its answers would wait for ever.
    std::vector<std::string> statements;
    for (int i = 0; i < 1000; ++i)
        statements.push_back("SELECT repeat('x', 2000), " + std::to_string(i) + " -- " +
                             std::string(200, 'y'));
    statements.push_back("INSERT INTO log VALUES (1, 'done')");
    const std::vector<std::string> outcomes = Run(statements);
    ASSERT_EQ(outcomes.size(), statements.size());
    EXPECT_EQ(outcomes.back(), "1");
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), "0"), 1000);
    EXPECT_EQ(database.Query("SELECT t FROM log"), "done");
}

TEST_F(PgSQLPipelineTest, AConnectionLostWithStatementsInFlightReportsEachOfThemAsFailed) {
    Connect();
    const std::vector<std::string> outcomes = Run({
        "INSERT INTO log VALUES (1, 'a')",
        "SELECT pg_terminate_backend(pg_backend_pid())",
        "INSERT INTO log VALUES (2, 'b')",
        "INSERT INTO log VALUES (3, 'c')",
    });
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0], "1");
    EXPECT_EQ(outcomes[1], "error: terminating connection due to administrator command");
    for (std::size_t i = 2; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].rfind("error: The connection was lost before the answer", 0), 0u)
            << outcomes[i];
        EXPECT_TRUE(outcomes[i].ends_with("(in doubt)")) << outcomes[i];
    }
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_EQ(database.Query("SELECT string_agg(n || ':' || t, ',' ORDER BY n) FROM log"), "1:a");
}
