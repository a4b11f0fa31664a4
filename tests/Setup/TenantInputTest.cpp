#include "Setup/TenantInput.h"

#include <gtest/gtest.h>
#include <string>

using velmora::InputRefusal;
using velmora::TTenantMasterData;

namespace {

const TTenantMasterData kMasterData{"Muster Bau GmbH", "12345", "Musterstadt", "Hauptstraße 1"};

std::optional<std::string> CodeRefusal(const std::string& code) {
    return InputRefusal(code, "geheim", kMasterData);
}

TEST(TenantInput, LowerCodeMapsOnlyAsciiCapitals) {
    EXPECT_EQ(velmora::LowerTenantCode("AB12"), "ab12");
    EXPECT_EQ(velmora::LowerTenantCode("A_b9"), "a_b9");
    EXPECT_EQ(velmora::LowerTenantCode("ÄB"), "Äb");
}

TEST(TenantInput, AcceptsCodesUsableAsUnquotedIdentifiersOfUpToFourCharacters) {
    for (const char* code : {"AB12", "A", "_X1", "ab12", "Z_9_", "INT", "ROW", "BIT", "SET", "POST"})
        EXPECT_EQ(CodeRefusal(code), std::nullopt) << code;
}

TEST(TenantInput, RefusesCodesTheStatementsCannotUseUnquoted) {
    const std::string shape = "Der Mandant muss aus ein bis vier Buchstaben (A bis Z), Ziffern oder "
                              "Unterstrichen bestehen und mit einem Buchstaben oder Unterstrich beginnen";
    for (const char* code : {"", "ABCDE", "1ABC", "AB 1", "AB-1", "A'B", "A\"B", "AB;", "ÄBC", "A$B", "AB\n"})
        EXPECT_EQ(CodeRefusal(code), shape) << code;
}

TEST(TenantInput, RefusesNamesTheServerReserves) {
    for (const char* code : {"USER", "user", "ALL", "FULL", "LEFT", "IS", "NONE", "PG_A", "pg_x"})
        EXPECT_EQ(CodeRefusal(code),
                  "Der Mandant " + std::string(code) + " ist ein reservierter Name des Datenbankservers")
            << code;
}

TEST(TenantInput, RefusesAnEmptyOrOverlongPassword) {
    EXPECT_EQ(InputRefusal("AB12", "", kMasterData), "Das Passwort darf nicht leer sein");
    EXPECT_EQ(InputRefusal("AB12", std::string(100, 'x'), kMasterData), std::nullopt);
    EXPECT_EQ(InputRefusal("AB12", std::string(101, 'x'), kMasterData),
              "Das Passwort darf höchstens 100 Zeichen lang sein");
}

// The limits are those of the columns and count characters, not bytes; every field is needed, and
// every text must be UTF-8 the server can store.
TEST(TenantInput, RefusesMasterDataTheTenantRowCannotHold) {
    auto repeated = [](const std::string& text, int times) {
        std::string result;
        for (int i = 0; i < times; ++i)
            result += text;
        return result;
    };
    struct Case {
        TTenantMasterData data;
        std::optional<std::string> refusal;
    };
    const Case cases[] = {
        {{repeated("ü", 200), "ÖÖÖÖÖ", repeated("ß", 100), repeated("ä", 100)}, std::nullopt},
        {{"\xF0\x9F\x8F\x97 Bau", "1", "\xE2\x82\xAC", "\xF4\x8F\xBF\xBF"}, std::nullopt},
        {{repeated("ü", 201), "1", "A", "B"}, "Der Lizenznehmer darf höchstens 200 Zeichen lang sein"},
        {{"A", "123456", "A", "B"}, "Die Postleitzahl darf höchstens 5 Zeichen lang sein"},
        {{"A", "1", repeated("x", 101), "B"}, "Der Ort darf höchstens 100 Zeichen lang sein"},
        {{"A", "1", "A", repeated("x", 101)}, "Die Straße darf höchstens 100 Zeichen lang sein"},
        {{"", "1", "A", "B"}, "Der Lizenznehmer darf nicht leer sein"},
        {{"A", " ", "A", "B"}, "Die Postleitzahl darf nicht leer sein"},
        {{"A", "1", "\t", "B"}, "Der Ort darf nicht leer sein"},
        {{"A", "1", "A", ""}, "Die Straße darf nicht leer sein"},
        {{"K\xF6ln", "1", "A", "B"}, "Der Lizenznehmer enthält ungültige Zeichen"}, // Latin-1
        {{"A", "1", "\xC0\xAF", "B"}, "Der Ort enthält ungültige Zeichen"},         // overlong
        {{"A", "1", "\xED\xA0\x80", "B"}, "Der Ort enthält ungültige Zeichen"},     // surrogate
        {{"A", "1", "\xF4\x90\x80\x80", "B"}, "Der Ort enthält ungültige Zeichen"}, // beyond U+10FFFF
        {{"A", "1", "A", "Ring\xE2\x82"}, "Die Straße enthält ungültige Zeichen"},  // cut short
        {{"A", "1", "A", std::string("Ring\0 2", 7)}, "Die Straße enthält ungültige Zeichen"}, // NUL
    };
    for (const Case& c : cases)
        EXPECT_EQ(InputRefusal("AB12", "geheim", c.data), c.refusal) << c.data.licensee << "|" << c.data.city;
    EXPECT_EQ(InputRefusal("AB12", "geh\xFCim", kMasterData), "Das Passwort enthält ungültige Zeichen");
}

// The window and the command line upper-case the code by this one rule: a to z only, whatever the
// locale, so "aß" stays "Aß" and is refused in both.
TEST(TenantInput, UpperCodeMapsOnlyAToZSoSharpSIsRefused) {
    EXPECT_EQ(velmora::UpperTenantCode("ab1_"), "AB1_");
    EXPECT_EQ(velmora::UpperTenantCode("aß"), "Aß");
    EXPECT_EQ(velmora::UpperTenantCode("äb"), "äB");
    EXPECT_TRUE(CodeRefusal(velmora::UpperTenantCode("aß")).has_value());
}

TEST(TenantInput, PasswordRepeatMustBeEqual) {
    EXPECT_EQ(velmora::PasswordRepeatRefusal("geheim", "geheim"), std::nullopt);
    EXPECT_EQ(velmora::PasswordRepeatRefusal("geheim", "Geheim"), "Die Passwörter stimmen nicht überein");
}

TEST(TenantInput, PasswordLiteralDoublesQuotesAndEscapesBackslashes) {
    EXPECT_EQ(velmora::PasswordLiteral("geheim"), "'geheim'");
    EXPECT_EQ(velmora::PasswordLiteral("it's"), "'it''s'");
    EXPECT_EQ(velmora::PasswordLiteral("a\\b'c"), "E'a\\\\b''c'");
    EXPECT_EQ(velmora::PasswordLiteral("'"), "''''");
}

} // namespace
