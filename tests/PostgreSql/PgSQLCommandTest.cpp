// The statement command against the sandbox server, with the bytes it sends recorded.
#include "PostgreSql/PgSQLCommand.h"

#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSqlState.h"
#include "PostgreSql/ScratchDatabase.h"
#include "support/ExpectFailure.h"
#include "support/Pooler.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;

namespace {

// A socket that hands everything written to it on to the server and keeps a copy.
class RecordingVio : public TCRVio {
public:
    RecordingVio(std::unique_ptr<TCRVio> inner, std::string& sent) : inner_(std::move(inner)), sent_(sent) {}

    void Write(const char* data, std::size_t size) override {
        sent_.append(data, size);
        inner_->Write(data, size);
    }
    std::size_t Read(char* buffer, std::size_t size) override { return inner_->Read(buffer, size); }
    void SetTimeout(std::chrono::milliseconds timeout) override { inner_->SetTimeout(timeout); }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<TCRVio> inner_;
    std::string& sent_;
};

// A message the client sent after log-on: its type and body.
struct SentMessage {
    char type;
    std::string body;
};

// Reads the fields of a message body; the body must outlive the reader.
class BodyReader {
public:
    explicit BodyReader(std::string_view body) : body_(body) {}
    std::string String() {
        std::string text(body_.substr(at_, body_.find('\0', at_) - at_));
        at_ += text.size() + 1;
        return text;
    }
    std::int32_t Int(std::size_t size) {
        std::int32_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = value * 256 + static_cast<unsigned char>(body_[at_++]);
        return size == 2 ? static_cast<std::int16_t>(value) : value;
    }

private:
    std::string_view body_;
    std::size_t at_ = 0;
};

std::vector<SentMessage> Messages(const std::string& bytes) {
    std::vector<SentMessage> messages;
    for (std::size_t at = 0; at + 5 <= bytes.size();) {
        BodyReader header(std::string_view(bytes).substr(at + 1, 4));
        const auto length = static_cast<std::size_t>(header.Int(4));
        messages.push_back({bytes[at], bytes.substr(at + 5, length - 4)});
        at += 1 + length;
    }
    return messages;
}

std::vector<SentMessage> OfType(const std::string& bytes, char type) {
    std::vector<SentMessage> found;
    for (SentMessage& message : Messages(bytes)) {
        if (message.type == type)
            found.push_back(std::move(message));
    }
    return found;
}

// The parameter formats of a Bind message.
std::vector<std::int16_t> BindFormats(const SentMessage& bind) {
    BodyReader reader(bind.body);
    reader.String(); // portal
    reader.String(); // statement
    std::vector<std::int16_t> formats(static_cast<std::size_t>(reader.Int(2)));
    for (std::int16_t& format : formats)
        format = static_cast<std::int16_t>(reader.Int(2));
    return formats;
}

std::string ParsedStatementName(const SentMessage& parse) {
    return BodyReader(parse.body).String();
}

const char* const kTenantTable = "CREATE TABLE mandant (mandant character(4) PRIMARY KEY, "
                                 "lizenznehmer character varying(200), password character varying(100), "
                                 "plz character varying(5) NOT NULL, ort character varying(100) NOT NULL, "
                                 "strasse character varying(100) NOT NULL);"
                                 "CREATE TABLE counters (n integer, d date)";

const char* const kTenantInsert =
    "INSERT INTO mandant(mandant, lizenznehmer, password, plz, ort, strasse)\r\n"
    "\tVALUES (:mandant, :lizenznehmer, :password, :plz, :ort, :strasse)";

class PgSQLCommandTest : public testing::Test {
protected:
    PgSQLCommandTest()
        : connection([this](const std::string& host, int port, int timeout) {
              return std::make_unique<RecordingVio>(TCRVioTcp::Open(host, port, timeout), sent);
          }) {
        connection.SetServer(sandbox().host);
        connection.SetPort(std::stoi(sandbox().port));
        connection.SetDatabase(database.Name());
        connection.SetUsername(sandbox().user);
        connection.SetPassword(sandbox().password);
        TPgConnectionOptions options;
        options.UseUnicode = true;
        connection.SetOptions(options);
        connection.Connect();
        sent.clear();
    }

    // Sets the command's statement and the values of its parameters, in the order of the text.
    void SetStatement(const std::string& sql, const std::vector<std::string>& values = {}) {
        command.SetSQL(PgParseSQL(sql));
        params.Rebuild(command.SQL().ParamNames);
        for (std::size_t i = 0; i < values.size(); ++i)
            params[i].SetAsString(values[i]);
        command.AssignParamValues(params);
    }

    void InsertTenant(const std::string& code, const std::string& licensee = "Bau GmbH") {
        SetStatement(kTenantInsert, {code, licensee, "geheim", "12345", "Köln", "Domstraße 1"});
        command.Execute(connection);
    }

    ScratchDatabase database{kTenantTable};
    std::string sent;
    TPgSQLConnection connection;
    TPgSQLCommand command;
    TDAParams params;
};

} // namespace

TEST_F(PgSQLCommandTest, InsertsTheTenantRowWithTheCharacterColumnInBinaryAndTheOthersAsText) {
    InsertTenant("AB12", "");
    EXPECT_EQ(command.RowsAffected(), 1);

    const auto binds = OfType(sent, 'B');
    ASSERT_EQ(binds.size(), 1u);
    EXPECT_THAT(BindFormats(binds[0]), ElementsAre(1, 0, 0, 0, 0, 0));
    // The empty licensee name is a value, not null; texts arrive as UTF-8.
    EXPECT_EQ(database.Query("SELECT mandant, lizenznehmer IS NULL, '[' || lizenznehmer || ']', ort, strasse "
                             "FROM mandant"),
              "AB12|f|[]|Köln|Domstraße 1");
}

// Every exchange stands on its own on the unnamed statement: a connection pooler may serve each
// from another backend, and nothing stays prepared there, whether the execution failed or not.
TEST_F(PgSQLCommandTest, NothingStaysPreparedOnTheServerAfterAnExecutionThatFailedOrNot) {
    InsertTenant("AB12");
    const EPgError e =
        ExpectFailure<EPgError>([&] { InsertTenant("AB12"); }, "the duplicate tenant was inserted");
    EXPECT_EQ(e.SqlState(), PgSqlState::UniqueViolation);
    EXPECT_TRUE(e.IsKeyViolation());
    EXPECT_EQ(e.EDAError::ErrorCode(), 23505);
    for (const SentMessage& parse : OfType(sent, 'P'))
        EXPECT_EQ(ParsedStatementName(parse), "");
    EXPECT_TRUE(OfType(sent, 'C').empty()); // no close: nothing to close
    EXPECT_EQ(
        connection.Protocol().ExecuteStmt("SELECT count(*) FROM pg_prepared_statements").Rows.at(0).at(0),
        "0");

    // The same statement runs again with other values, and after the session was opened anew.
    params[0].SetAsString("CD34");
    command.AssignParamValues(params);
    command.Execute(connection);
    connection.Disconnect();
    connection.Connect();
    params[0].SetAsString("EF56");
    command.AssignParamValues(params);
    command.Execute(connection);
    EXPECT_EQ(command.RowsAffected(), 1);
    EXPECT_EQ(database.Query("SELECT string_agg(mandant, ',' ORDER BY mandant) FROM mandant"),
              "AB12,CD34,EF56");
}

TEST_F(PgSQLCommandTest, ATenantCodeTooLongForItsColumnIsRejectedByTheServer) {
    const EPgError e =
        ExpectFailure<EPgError>([&] { InsertTenant("ABCDE"); }, "a five-character tenant code was stored");
    EXPECT_EQ(e.SqlState(), PgSqlState::StringDataRightTruncation);
    EXPECT_EQ(database.Query("SELECT count(*) FROM mandant"), "0");
    // Trailing blanks do not count.
    InsertTenant("AB1 ");
    EXPECT_EQ(database.Query("SELECT count(*) FROM mandant"), "1");
}

TEST_F(PgSQLCommandTest, TextValuesReachColumnsOfOtherTypes) {
    SetStatement("INSERT INTO counters (n, d) VALUES (:n, :d)", {"42", "2018-04-16"});
    command.Execute(connection);
    EXPECT_EQ(database.Query("SELECT n + 1, d FROM counters"), "43|2018-04-16");
}

TEST_F(PgSQLCommandTest, ANullParameterIsSentAsNull) {
    SetStatement("INSERT INTO counters (n) VALUES (:n)");
    command.Execute(connection);
    EXPECT_EQ(database.Query("SELECT n IS NULL FROM counters"), "t");
}

TEST_F(PgSQLCommandTest, RowsAStatementReturnsAreReadAndDropped) {
    SetStatement("SELECT pg_catalog.set_config('search_path', '', false)");
    command.Execute(connection);
    EXPECT_EQ(command.RowsAffected(), 0);
    SetStatement("SELECT generate_series(1, 5000)");
    command.Execute(connection);
    // The session is ready for the next statement, which sees the setting of the first.
    SetStatement("INSERT INTO public.counters (n) SELECT 7 WHERE current_setting('search_path') = ''");
    command.Execute(connection);
    EXPECT_EQ(command.RowsAffected(), 1);
}

TEST_F(PgSQLCommandTest, ATextOfCommentsOnlyIsRefusedWithoutAskingTheServer) {
    SetStatement("-- nothing here\r\n/* nor here */");
    const Exception e =
        ExpectFailure<Exception, EPgError>([&] { command.Execute(connection); }, "an empty statement ran");
    EXPECT_STREQ(e.what(), "No SQL statement provided");
    EXPECT_TRUE(sent.empty());
}

TEST_F(PgSQLCommandTest, ATextEndingInTwoDashesReachesTheServerWhichFindsNoStatement) {
    SetStatement("-- nothing here\r\n--");
    const EPgError e =
        ExpectFailure<EPgError>([&] { command.Execute(connection); }, "an empty statement ran");
    EXPECT_STREQ(e.what(), "No SQL statement provided");
    EXPECT_FALSE(OfType(sent, 'P').empty());
}

TEST_F(PgSQLCommandTest, AParameterCountTheServerDoesNotAgreeWithIsRefused) {
    SetStatement("INSERT INTO counters (n) VALUES ($1::integer)");
    const Exception e = ExpectFailure<Exception, EPgError>([&] { command.Execute(connection); },
                                                           "the statement ran without its parameter");
    EXPECT_STREQ(e.what(), "Invalid parameters specified");
    // Nothing ran, and the session goes on.
    EXPECT_EQ(database.Query("SELECT count(*) FROM counters"), "0");
    InsertTenant("AB12");
    EXPECT_EQ(command.RowsAffected(), 1);
}

TEST_F(PgSQLCommandTest, ASyntaxErrorFailsThePrepareAndTheSessionGoesOn) {
    SetStatement("SELEC 1");
    const EPgError e =
        ExpectFailure<EPgError>([&] { command.Execute(connection); }, "a syntax error was accepted");
    EXPECT_EQ(e.SqlState(), PgSqlState::SyntaxError);
    EXPECT_FALSE(e.IsFatalError());
    InsertTenant("AB12");
    EXPECT_EQ(command.RowsAffected(), 1);
}

// Through a pooler in transaction mode each exchange may run on another server session, one that
// other clients use at the same time: statements that fail and then succeed, with values and
// without, from three sessions at once.
TEST(PgSQLCommandPooled, StatementsThatFailThenSucceedThroughAPoolerFromSessionsAtOnce) {
    ScratchDatabase database("CREATE TABLE seen (client integer, n integer, PRIMARY KEY (client, n))");
    TPooler pooler;
    constexpr int clients = 3;
    constexpr int rounds = 20;
    std::vector<std::string> failures(clients);
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            try {
                TPgSQLConnection connection;
                connection.SetServer(pooler.Host());
                connection.SetPort(std::stoi(pooler.Port()));
                connection.SetDatabase(database.Name());
                connection.SetUsername(sandbox().user);
                connection.SetPassword(sandbox().password);
                connection.Connect();
                TPgSQLCommand withValues;
                withValues.SetSQL(PgParseSQL("INSERT INTO seen VALUES (:client, :n)"));
                TPgSQLCommand without;
                for (int n = 0; n < rounds; ++n) {
                    TDAParams params;
                    params.Rebuild(withValues.SQL().ParamNames);
                    params[0].SetAsString(std::to_string(client));
                    params[1].SetAsString(std::to_string(n));
                    withValues.AssignParamValues(params);
                    withValues.Execute(connection);
                    EXPECT_THROW(withValues.Execute(connection), EPgError); // the same row again
                    without.SetSQL(PgParseSQL("INSERT INTO seen VALUES (" + std::to_string(client) + ", 0)"));
                    EXPECT_THROW(without.Execute(connection), EPgError);
                    without.SetSQL(
                        PgParseSQL("UPDATE seen SET n = n WHERE client = " + std::to_string(client)));
                    without.Execute(connection);
                    EXPECT_EQ(without.RowsAffected(), n + 1);
                }
            } catch (const std::exception& e) {
                failures[static_cast<std::size_t>(client)] = e.what();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<std::string>(clients));
    EXPECT_EQ(database.Query("SELECT count(*) FROM seen"), std::to_string(clients * rounds));
}
