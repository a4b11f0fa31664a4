#include "PostgreSql/PgError.h"

#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSqlState.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

std::string Fields(std::initializer_list<std::pair<char, std::string>> fields) {
    std::string body;
    for (const auto& [type, value] : fields)
        body += type + value + '\0';
    return body + '\0';
}

} // namespace

TEST(PgErrorFields, ReadsEveryFieldAndIgnoresUnknownOnes) {
    auto fields = ParsePgErrorFields(Fields({{'S', "ERROR"},
                                             {'C', "23505"},
                                             {'M', "duplicate key value violates unique constraint \"pk\""},
                                             {'D', "Key (id)=(1) already exists."},
                                             {'H', "a hint"},
                                             {'P', "17"},
                                             {'W', "PL/pgSQL function f() line 3"},
                                             {'F', "nbtinsert.c"},
                                             {'L', "666"},
                                             {'R', "_bt_check_unique"},
                                             {'n', "pk"},
                                             {'s', "public"}}));
    EXPECT_EQ(fields.Severity, TPgSeverity::sError);
    EXPECT_EQ(fields.ErrorCode, "23505");
    EXPECT_EQ(fields.Message, "duplicate key value violates unique constraint \"pk\"");
    EXPECT_EQ(fields.DetailMsg, "Key (id)=(1) already exists.");
    EXPECT_EQ(fields.Hint, "a hint");
    EXPECT_EQ(fields.Position, 17);
    EXPECT_EQ(fields.CallStack, "PL/pgSQL function f() line 3");
    EXPECT_EQ(fields.FileName, "nbtinsert.c");
    EXPECT_EQ(fields.LineNumber, 666);
    EXPECT_EQ(fields.ProcedureName, "_bt_check_unique");

    EPgError error(fields);
    EXPECT_EQ(error.Message(), fields.Message); // detail, hint and position stay out of the message
    EXPECT_EQ(error.EDAError::ErrorCode(), 23505);
    EXPECT_TRUE(error.IsKeyViolation());
    EXPECT_FALSE(error.IsFatalError());
}

TEST(PgErrorFields, MapsSeverityWordsAndPrefersTheUntranslatedOne) {
    const std::pair<const char*, TPgSeverity> words[] = {
        {"ERROR", TPgSeverity::sError},     {"FATAL", TPgSeverity::sFatal},   {"PANIC", TPgSeverity::sPanic},
        {"WARNING", TPgSeverity::sWarning}, {"NOTICE", TPgSeverity::sNotice}, {"DEBUG", TPgSeverity::sDebug},
        {"INFO", TPgSeverity::sInfo},       {"LOG", TPgSeverity::sLog},       {"FEHLER", TPgSeverity::sError},
    };
    for (const auto& [word, severity] : words)
        EXPECT_EQ(ParsePgErrorFields(Fields({{'S', word}})).Severity, severity) << word;

    // A translated FATAL that the word table does not know is still fatal through 'V'.
    auto fields = ParsePgErrorFields(Fields({{'S', "ВАЖНО"}, {'V', "FATAL"}, {'M', "x"}}));
    EXPECT_EQ(fields.Severity, TPgSeverity::sFatal);
    EXPECT_TRUE(EPgError(fields).IsFatalError());
    EXPECT_TRUE(EPgError(ParsePgErrorFields(Fields({{'S', "PANIC"}}))).IsFatalError());
}

TEST(PgErrorFields, NumericCodeIsZeroForSqlStatesWithLetters) {
    EPgError error(ParsePgErrorFields(Fields({{'C', "42P01"}, {'M', "relation does not exist"}})));
    EXPECT_EQ(error.SqlState(), PgSqlState::UndefinedTable);
    EXPECT_EQ(error.EDAError::ErrorCode(), 0);
    EXPECT_FALSE(error.IsKeyViolation());
}

TEST(PgErrorFields, RejectsABodyWithoutTerminator) {
    EXPECT_THROW(ParsePgErrorFields(std::string("SERROR\0Mhalf", 12)), std::out_of_range);
    EXPECT_THROW(ParsePgErrorFields(std::string("SERROR\0", 7)), std::out_of_range);
}

TEST(PgLegacyErrorText, SplitsSeverityAndMessageAtTheFirstColon) {
    auto fatal = ParsePgLegacyErrorText("FATAL:  database \"x\" does not exist: really\n");
    EXPECT_EQ(fatal.Severity, TPgSeverity::sFatal);
    EXPECT_EQ(fatal.Message, "database \"x\" does not exist: really");

    auto plain = ParsePgLegacyErrorText("  no colon here \n");
    EXPECT_EQ(plain.Severity, TPgSeverity::sError);
    EXPECT_EQ(plain.Message, "no colon here");
}

TEST(PgError, SocketFailuresCarryTheirNumber) {
    EPgError error(TPgSeverity::sFatal, "Error on data reading from the connection:", 104);
    EXPECT_EQ(error.ErrorCode(), "104");
    EXPECT_EQ(error.EDAError::ErrorCode(), 104);
    EXPECT_TRUE(error.IsFatalError());

    EPgError closed(TPgSeverity::sFatal, "");
    EXPECT_EQ(closed.ErrorCode(), "");
    EXPECT_EQ(closed.EDAError::ErrorCode(), 0);
}

TEST(ServerVersion, IsTheTextBetweenTheFirstTwoBlanksOrCommas) {
    EXPECT_EQ(ParseServerVersion("PostgreSQL 10.3, compiled by Visual C++ build 1800, 64-bit"), "10.3");
    EXPECT_EQ(ParseServerVersion("PostgreSQL 10.3 on x86_64-pc-linux-gnu"), "10.3");
    EXPECT_EQ(ParseServerVersion("PostgreSQL 15.5 (Debian 15.5-0+deb12u1) on x86_64"), "15.5");
    EXPECT_EQ(ParseServerVersion("PostgreSQL 16beta1"), "16beta1");
    EXPECT_EQ(ParseServerVersion("nonsense"), "");
}
