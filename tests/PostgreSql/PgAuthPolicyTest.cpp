// What channel_binding and require_auth let a server ask for, and the lists require_auth refuses.

#include "PostgreSql/PgAuthPolicy.h"

#include "PostgreSql/PgConnectionKeywords.h"
#include "PostgreSql/PgError.h"

#include <functional>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

using M = TPgAuthMethod;

// The message of the fatal error the work raises; "" when it raises none.
std::string Refusal(const std::function<void()>& work) {
    try {
        work();
    } catch (const EPgError& e) {
        EXPECT_TRUE(e.IsFatalError());
        return e.what();
    }
    return "";
}

TEST(PgAuthPolicy, RequireAuthAllowsTheListedMethodsOrAllButTheNegatedOnes) {
    const std::string cleartext = "server requested a cleartext password";
    const std::string hashed = "server requested a hashed password";
    const std::string sasl = "server requested SASL authentication";
    const std::string skipped = "server did not complete authentication";
    const struct {
        const char* requireAuth;
        M method;
        std::string reason; // empty: allowed
    } cases[] = {
        {"", M::Password, ""},
        {"", M::None, ""},
        {"scram-sha-256", M::ScramSha256, ""},
        {"scram-sha-256", M::Password, cleartext},
        {"scram-sha-256", M::Md5, hashed},
        {"scram-sha-256", M::None, skipped},
        {"md5,scram-sha-256", M::Md5, ""},
        {"password", M::ScramSha256, sasl},
        {"none", M::None, ""},
        {"none", M::Md5, hashed},
        {"!password", M::Password, cleartext},
        {"!password", M::Md5, ""},
        {"!password", M::None, ""},
        {"!password,!md5", M::Md5, hashed},
        {"!none", M::None, skipped},
        {"!none", M::ScramSha256, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.requireAuth) + " " + std::to_string(static_cast<int>(c.method)));
        const TPgAuthPolicy policy(TPgChannelBinding::Prefer, c.requireAuth);
        const std::string expected = c.reason.empty()
                                         ? ""
                                         : "authentication method requirement \"" +
                                               std::string(c.requireAuth) + "\" failed: " + c.reason;
        if (c.method != M::None) {
            EXPECT_EQ(Refusal([&] { policy.CheckRequest(c.method, false); }), expected);
        }
        EXPECT_EQ(Refusal([&] { policy.CheckAccepted(c.method, false); }), expected);
    }
}

TEST(PgAuthPolicy, RequiredChannelBindingNeedsTlsAndScramPlus) {
    const TPgAuthPolicy required(TPgChannelBinding::Require, "");
    EXPECT_EQ(Refusal([&] { required.CheckEncryption(false); }),
              "channel binding required, but SSL not in use");
    EXPECT_EQ(Refusal([&] { required.CheckEncryption(true); }), "");
    EXPECT_EQ(Refusal([&] { required.CheckRequest(M::Password, true); }),
              "channel binding required but not supported by server's authentication request");
    EXPECT_EQ(Refusal([&] { required.CheckRequest(M::Md5, true); }),
              "channel binding required but not supported by server's authentication request");
    EXPECT_EQ(Refusal([&] { required.CheckRequest(M::ScramSha256, false); }),
              "channel binding is required, but server did not offer an authentication method that supports "
              "channel binding");
    EXPECT_EQ(Refusal([&] { required.CheckRequest(M::ScramSha256, true); }), "");
    EXPECT_EQ(Refusal([&] { required.CheckAccepted(M::None, false); }),
              "channel binding required, but server authenticated client without channel binding");
    EXPECT_EQ(Refusal([&] { required.CheckAccepted(M::ScramSha256, true); }), "");

    for (TPgChannelBinding binding : {TPgChannelBinding::Prefer, TPgChannelBinding::Disable}) {
        const TPgAuthPolicy policy(binding, "");
        EXPECT_EQ(Refusal([&] { policy.CheckEncryption(false); }), "");
        EXPECT_EQ(Refusal([&] { policy.CheckRequest(M::Password, false); }), "");
        EXPECT_EQ(Refusal([&] { policy.CheckAccepted(M::None, false); }), "");
    }
}

TEST(PgAuthPolicy, SettingsItCannotReadAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"scram", "invalid require_auth value: \"scram\""},
        {"md5,", "invalid require_auth value: \"\""},
        {"md5,!password",
         "negative require_auth method \"password\" cannot be mixed with non-negative methods"},
        {"!md5,password", "require_auth method \"password\" cannot be mixed with negative methods"},
        {"md5,md5", "require_auth method \"md5\" is specified more than once"},
    };
    for (const auto& [requireAuth, message] : cases) {
        try {
            TPgAuthPolicy(TPgChannelBinding::Prefer, requireAuth);
            ADD_FAILURE() << requireAuth << " accepted";
        } catch (const EPgConnectionValueError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    for (const char* value : {"disable", "prefer", "require"})
        EXPECT_NO_THROW(ParsePgChannelBinding(value));
    try {
        ParsePgChannelBinding("required");
        ADD_FAILURE();
    } catch (const EPgConnectionValueError& e) {
        EXPECT_EQ(std::string(e.what()), "invalid channel_binding value: \"required\"");
    }
}

} // namespace
