#include "PostgreSql/PgClasses.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

struct EncodingCase {
    const char* name;
    bool useUnicode;
    std::string charset;
    std::string reported;
    int major;
    int minor;
    std::optional<std::string> expected;
};

TEST(PgClientEncodingStatement, SetsTheEncodingOnlyWhenTheServerReportsAnother) {
    const std::vector<EncodingCase> cases{
        {"unicode, server reports another", true, "utf8", "SQL_ASCII", 15, 0, "SET client_encoding='UTF8'"},
        {"unicode, server reports UTF8", true, "", "UTF8", 15, 0, std::nullopt},
        {"unicode, reported in lower case", true, "", "utf8", 10, 3, std::nullopt},
        {"unicode on 8.1", true, "", "LATIN1", 8, 1, "SET client_encoding='UTF8'"},
        {"unicode before 8.1", true, "", "LATIN1", 8, 0, "SET client_encoding='UNICODE'"},
        {"unicode before 8.1, server reports UNICODE", true, "", "UNICODE", 7, 4, std::nullopt},
        {"charset as written", false, "latin1", "UTF8", 15, 0, "SET client_encoding='latin1'"},
        {"charset equal without regard to case", false, "utf8", "UTF8", 15, 0, std::nullopt},
        {"charset with a quote stays one literal", false, "x'y", "UTF8", 15, 0, "SET client_encoding='x''y'"},
        {"neither", false, "", "LATIN1", 15, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        TPgConnectionOptions options;
        options.UseUnicode = c.useUnicode;
        options.Charset = c.charset;
        EXPECT_EQ(PgClientEncodingStatement(options, c.reported, c.major, c.minor), c.expected) << c.name;
    }
}

TEST(PgSearchPathList, QuotesOnlyTheNamesThatNeedIt) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"trevix", "trevix"},
        {"trevix,public", "trevix,public"},
        {" trevix , public ", "trevix,public"},
        {"Trevix", "\"Trevix\""},
        {"user,order", "\"user\",\"order\""}, // reserved words
        {"between,cross", "between,cross"},   // key words a search path takes unquoted
        {"$user,public", "\"$user\",public"},
        {"a$b,_x1", "a$b,_x1"},
        {"1st,my schema", "\"1st\",\"my schema\""},
        {"say\"hi", "\"say\"\"hi\""},
        {"\"Kept As Is\"", "\"Kept As Is\""},
        {"trevix,,", "trevix"},
        {"", ""},
    };
    for (const auto& [schema, expected] : cases)
        EXPECT_EQ(PgSearchPathList(schema), expected) << schema;
}

} // namespace
