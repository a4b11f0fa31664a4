#include "PostgreSql/PgSQLCommand.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;
using testing::ElementsAre;
using testing::ElementsAreArray;

TEST(PgParamScan, RewritesReferencesAndLeavesEverythingElseAlone) {
    struct Case {
        const char* sql;
        const char* rewritten;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        // keywords of the dialect's list are upper-cased, other words keep their spelling
        {"insert into t (a) values (:a)", "INSERT INTO t (a) values ($1)", {"a"}},
        // one number per name, whatever its case
        {"select :Id, :ID + :other, :id", "SELECT $1, $1 + $2, $1", {"Id", "other"}},
        // casts, assignments and a colon before a blank are text
        {"select x::text, y := 1, a : b", "SELECT x::text, y := 1, a : b", {}},
        {"select :x::int", "SELECT $1::int", {"x"}},
        // a number, a keyword and a quoted identifier name parameters too; quotes are not in the name
        {"select :1, :order, :\"Tenant Code\"", "SELECT $1, $2, $3", {"1", "ORDER", "Tenant Code"}},
        // strings, quoted identifiers and dollar-quoted bodies hold no parameters
        {"select ':a', \":b\", $$ :c $1 $$, $_$ :d $$ $_$",
         "SELECT ':a', \":b\", $$ :c $1 $$, $_$ :d $$ $_$",
         {}},
        // an escaped quote does not end an escape string early
        {"select E'it\\'s -- :x' || :y", "SELECT E'it\\'s -- :x' || $1", {"y"}},
        // comments are dropped, also those holding a reference; the blanks around them stay
        {"select 1 -- :c\r\nfrom t /* :d */ where :e", "SELECT 1 \r\nFROM t  WHERE $1", {"e"}},
        // a comment between two tokens leaves a blank, so they stay two tokens
        {"select a/* c */from t", "SELECT a FROM t", {}},
        // a "$1" outside a dollar quote is text
        {"select $1", "SELECT $1", {}},
        // two minus signs that end the text are no comment
        {"-- only a comment\r\n--", "\r\n--", {}},
        {"-- only comments\r\n/* here */", "\r\n", {}},
    };
    for (const Case& c : cases) {
        const TParsedSQL parsed = PgParseSQL(c.sql);
        EXPECT_EQ(parsed.Text, c.rewritten) << c.sql;
        EXPECT_THAT(parsed.ParamNames, ElementsAreArray(c.names)) << c.sql;
    }
}

TEST(PgParamScan, WithoutTheParameterCheckEveryColonStaysText) {
    const TParsedSQL parsed = PgParseSQL("select a[1:2], :x -- :c", false);
    EXPECT_EQ(parsed.Text, "SELECT a[1:2], :x ");
    EXPECT_TRUE(parsed.ParamNames.empty());
    EXPECT_TRUE(parsed.Placeholders.empty());
}

TEST(PgParamScan, RecordsWherePlaceholdersStand) {
    const TParsedSQL parsed = PgParseSQL("update t set a = :a, b = :b where a = :A");
    ASSERT_EQ(parsed.Placeholders.size(), 3u);
    std::vector<std::pair<std::string, std::size_t>> seen;
    for (const TSQLPlaceholder& placeholder : parsed.Placeholders)
        seen.emplace_back(parsed.Text.substr(placeholder.Start, placeholder.End - placeholder.Start),
                          placeholder.ParamIndex);
    EXPECT_THAT(seen, ElementsAre(std::pair<std::string, std::size_t>{"$1", 0},
                                  std::pair<std::string, std::size_t>{"$2", 1},
                                  std::pair<std::string, std::size_t>{"$1", 0}));
}

TEST(PgParamScan, TheTenantRowInsertGetsSixNumberedPlaceholders) {
    const char* const sql =
        "INSERT INTO trevix.mandant(\r\nmandant, \r\nlizenznehmer, \r\npassword, \r\nplz, \r\n"
        "ort, \r\nstrasse)\r\n\tVALUES (\r\n:mandant, \r\n:lizenznehmer, \r\n:password, \r\n"
        ":plz, \r\n:ort, \r\n:strasse)";
    const TParsedSQL parsed = PgParseSQL(sql);
    EXPECT_EQ(parsed.Text,
              "INSERT INTO trevix.mandant(\r\nmandant, \r\nlizenznehmer, \r\npassword, \r\nplz, \r\n"
              "ort, \r\nstrasse)\r\n\tVALUES (\r\n$1, \r\n$2, \r\n$3, \r\n$4, \r\n$5, \r\n$6)");
    EXPECT_THAT(parsed.ParamNames,
                ElementsAre("mandant", "lizenznehmer", "password", "plz", "ort", "strasse"));
    EXPECT_FALSE(parsed.IsQuery);
}

TEST(PgParamScan, AStatementIsAQueryWhenItsFirstWordIsSelect) {
    EXPECT_TRUE(PgParseSQL("select 1").IsQuery);
    EXPECT_TRUE(PgParseSQL("  -- leading comment\r\n  Select pg_catalog.set_config('search_path', '', false)")
                    .IsQuery);
    EXPECT_FALSE(PgParseSQL("with x as (select 1) select * from x").IsQuery);
    EXPECT_FALSE(PgParseSQL("selected").IsQuery);
    EXPECT_FALSE(PgParseSQL("").IsQuery);
}

TEST(PgParamScan, TransfersAsBinaryOnlyTypesWhoseBinaryFormIsTheText) {
    struct Case {
        std::uint32_t oid;
        std::int16_t format;
    };
    const Case cases[] = {
        {1042, pgBinaryFormat}, // character(n)
        {25, pgBinaryFormat},   // text
        {1043, pgTextFormat},   // character varying
        {705, pgTextFormat},    // unknown
        {2950, pgTextFormat},   // uuid
        {2278, pgTextFormat},   // void
        {19, pgTextFormat},     // name
        {18, pgTextFormat},     // "char"
        {23, pgTextFormat},     // integer: the server parses the text
        {1082, pgTextFormat},   // date
    };
    for (const Case& c : cases)
        EXPECT_EQ(PgParamFormat(c.oid), c.format) << c.oid;
}
