#include "PostgreSql/PgAuth.h"

#include "PostgreSql/PgError.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

// RFC 7677, section 3: user "user", password "pencil".
constexpr const char* ClientNonce = "rOprNGfwEbeRWgbNEkqO";
constexpr const char* ServerFirst =
    "r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096";
constexpr const char* ClientFinal = "c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                                    "p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=";
constexpr const char* ServerFinal = "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=";

TScramSha256Client RfcClient() {
    return TScramSha256Client("user", "pencil", ClientNonce);
}

// Runs f and returns the fatal EPgError's message it must throw.
template <class F>
std::string FatalMessage(F f) {
    try {
        f();
    } catch (const EPgError& e) {
        EXPECT_TRUE(e.IsFatalError());
        return e.Message();
    }
    ADD_FAILURE() << "no EPgError thrown";
    return {};
}

} // namespace

TEST(PgMd5Password, MatchesTheServersDoubleHashWithRawSalt) {
    // md5(md5hex("pw-md5" + "auth_md5") + bytes 01 00 FE 7F), computed independently.
    EXPECT_EQ(PgMd5Password("auth_md5", "pw-md5", std::string("\x01\x00\xfe\x7f", 4)),
              "md5ab2a8a24c88f1c8b06361fcfa708e01d");
}

TEST(ScramSha256, ReproducesTheRfc7677Exchange) {
    auto client = RfcClient();
    EXPECT_EQ(client.ClientFirstMessage(), std::string("n,,n=user,r=") + ClientNonce);
    EXPECT_EQ(client.ClientFinalMessage(ServerFirst), ClientFinal);
    EXPECT_FALSE(client.Verified());
    client.VerifyServerFinal(ServerFinal);
    EXPECT_TRUE(client.Verified());
}

TEST(ScramSha256, BindsTheExchangeToTheServerCertificate) {
    const std::string certificateHash(32, 'Z');
    TScramSha256Client client("", "pencil", ClientNonce,
                              TScramChannelBinding::ServerEndPoint(certificateHash));
    EXPECT_EQ(client.Mechanism(), "SCRAM-SHA-256-PLUS");
    EXPECT_EQ(client.ClientFirstMessage(), std::string("p=tls-server-end-point,,n=,r=") + ClientNonce);
    // c= is Base64 of the header followed by the hash.
    EXPECT_TRUE(client.ClientFinalMessage(ServerFirst)
                    .starts_with(
                        "c=cD10bHMtc2VydmVyLWVuZC1wb2ludCwsWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlo=,r="));

    // Over TLS with a server that offers no binding, the client says that it could have bound.
    TScramSha256Client unbound("", "pencil", ClientNonce, TScramChannelBinding::NotOffered());
    EXPECT_EQ(unbound.Mechanism(), "SCRAM-SHA-256");
    EXPECT_TRUE(unbound.ClientFirstMessage().starts_with("y,,n=,r="));
    EXPECT_TRUE(unbound.ClientFinalMessage(ServerFirst).starts_with("c=eSws,r="));
}

TEST(ScramSha256, SendsAnEmptyUserNameAndARandomNonce) {
    TScramSha256Client first("", "secret"), second("", "secret");
    std::string message = first.ClientFirstMessage();
    ASSERT_TRUE(message.starts_with("n,,n=,r=")) << message;
    EXPECT_GE(message.size(), std::string("n,,n=,r=").size() + 24);
    EXPECT_NE(message, second.ClientFirstMessage());
}

TEST(ScramSha256, RejectsAWrongOrMissingServerSignature) {
    for (const char* final : {"v=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=",
                              "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5n", "v=", "x=whatever", ""}) {
        auto client = RfcClient();
        client.ClientFirstMessage();
        client.ClientFinalMessage(ServerFirst);
        std::string message = FatalMessage([&] { client.VerifyServerFinal(final); });
        EXPECT_TRUE(message.starts_with("Invalid SCRAM server signature")) << final << ": " << message;
        EXPECT_FALSE(client.Verified());
    }
}

TEST(ScramSha256, ReportsTheServersErrorReply) {
    auto client = RfcClient();
    client.ClientFirstMessage();
    client.ClientFinalMessage(ServerFirst);
    EXPECT_EQ(FatalMessage([&] { client.VerifyServerFinal("e=invalid-proof"); }),
              "SCRAM authentication failed: invalid-proof");
}

TEST(ScramSha256, RejectsABrokenServerFirstMessage) {
    struct Case {
        const char* serverFirst;
        const char* error;
    };
    const Case cases[] = {
        {"r=someoneElsesNonce,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", "Invalid SCRAM server nonce"},
        {"r=rOprNGfwEbeRWgbNEkqO,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", "Invalid SCRAM server nonce"},
        {"s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", "Invalid SCRAM server nonce"},
        {"m=ext,r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", "Invalid SCRAM server nonce"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=not*base64,i=4096", "Invalid SCRAM salt"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=0", "Invalid SCRAM iteration count"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=-5", "Invalid SCRAM iteration count"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=12x", "Invalid SCRAM iteration count"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==", "Invalid SCRAM iteration count"},
    };
    for (const Case& c : cases) {
        auto client = RfcClient();
        client.ClientFirstMessage();
        EXPECT_EQ(FatalMessage([&] { client.ClientFinalMessage(c.serverFirst); }), c.error) << c.serverFirst;
    }
}

TEST(ScramSha256, RefusesMessagesOutOfOrder) {
    auto client = RfcClient();
    EXPECT_EQ(FatalMessage([&] { client.ClientFinalMessage(ServerFirst); }),
              "Unexpected SCRAM authentication message");
    client.ClientFirstMessage();
    EXPECT_EQ(FatalMessage([&] { client.VerifyServerFinal(ServerFinal); }),
              "Unexpected SCRAM authentication message");
}

TEST(PgSaslPrep, PreparesPasswordsAsTheServerDoesOrLeavesThemAlone) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain ascii", "plain ascii"},
        {"hoch\u00B2 und \u00B3", "hoch2 und 3"}, // superscripts: compatibility forms
        {"5\u00B5m", "5\u03BCm"},                 // micro sign to Greek mu
        {"no\u00A0break", "no break"},            // non-ASCII space to space
        {"soft\u00ADhyphen", "softhyphen"},       // mapped to nothing
        {"\uFB01nale", "finale"},                 // ligature
        {"tab\there", "tab\there"},               // prohibited control character: unchanged
        {"un\u0378assigned", "un\u0378assigned"}, // unassigned code point: unchanged
        {"latin1 \xE9t\xE9", "latin1 \xE9t\xE9"}, // not UTF-8: unchanged
    };
    for (const auto& [password, prepared] : cases)
        EXPECT_EQ(PgSaslPrep(password), prepared) << password;
}

// Expected values derived independently (PBKDF2-HMAC-SHA-256 and NFKC of another implementation).
TEST(PgPasswordVerifier, ScramSha256WithAFixedSaltGivesTheKnownVerifier) {
    std::string salt;
    for (char byte = 0; byte < 16; ++byte)
        salt += byte;
    const std::pair<std::string, std::string> cases[] = {
        {"pencil", "SCRAM-SHA-256$4096:AAECAwQFBgcICQoLDA0ODw==$zHCdol2044/ZyWzPLi7oxApCkamKw9Z+E4U/QApd/5Y=:"
                   "dd5peBOitVnLNFu7VmwP+HiDaaw4OUCv396eVCWhYiE="},
        {"Passw\u00F6rt",
         "SCRAM-SHA-256$4096:AAECAwQFBgcICQoLDA0ODw==$AniVKvGRLQZV2QLdOyb44rAGBvhbhRXgAr2Y0yhQ1fA=:"
         "dE6A8k0Z+Bd+z5OF5b2TdWdcbPR3ePeLZE9YjHYTjGk="},
        // Prepared by SASLprep first, as at log-on: the superscript two becomes a two.
        {"hoch\u00B2",
         "SCRAM-SHA-256$4096:AAECAwQFBgcICQoLDA0ODw==$Gp2aThTvBRmuClJl2oZPxK6sXE0cFG3WVneqOcpKX3w=:"
         "lI4M1BzX9d2y71ASdYHiAn+zyHSddkYfi0VS6614/kk="},
    };
    for (const auto& [password, verifier] : cases)
        EXPECT_EQ(PgScramSha256Verifier(password, salt), verifier) << password;
    EXPECT_EQ(PgScramSha256Verifier("pencil", std::string(16, '\xff'), 1),
              "SCRAM-SHA-256$1://///////////////////w==$fSpmrasOQennVC6L6swlg/yN7LVpXEGLUoyllDAw570=:"
              "s07fEYnyEIxoT/Nv9qaXiQzBCSTiGs5pQ6LsOFzakZk=");
}

TEST(PgPasswordVerifier, FollowsThePasswordEncryptionOfTheServer) {
    EXPECT_EQ(PgMd5Verifier("ab12", "Passw\u00F6rt"), "md59fb7f66b2b797077beb055d5a24c5ba2");
    EXPECT_EQ(PgPasswordVerifier("md5", "ab12", "geheim"), "md5be5aa3f0d8669befedeee8ac32b3c828");
    EXPECT_EQ(PgPasswordVerifier("on", "ab12", "geheim"), "md5be5aa3f0d8669befedeee8ac32b3c828");
    // SCRAM takes a new salt every time: two verifiers of one password differ.
    const std::string first = PgPasswordVerifier("scram-sha-256", "ab12", "geheim");
    const std::string second = PgPasswordVerifier("scram-sha-256", "ab12", "geheim");
    EXPECT_TRUE(first.starts_with("SCRAM-SHA-256$4096:")) << first;
    EXPECT_EQ(first.size(), second.size());
    EXPECT_NE(first.substr(0, 44), second.substr(0, 44));
}
