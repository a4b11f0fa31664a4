#pragma once

#include <set>
#include <string>
#include <string_view>

namespace velmora {

// Whether the SCRAM log-on binds itself to the TLS channel (SCRAM-SHA-256-PLUS), so that a server in
// between cannot relay it: never, when the server offers it over TLS, or always (anything else fails).
enum class TPgChannelBinding { Disable, Prefer, Require };

// The setting's value by its keyword's words (disable, prefer, require); raises
// EPgConnectionValueError for another.
TPgChannelBinding ParsePgChannelBinding(std::string_view value);
std::string_view PgChannelBindingName(TPgChannelBinding binding);

// How a server may ask the client to prove who it is.
enum class TPgAuthMethod { Password, Md5, ScramSha256, None };

// What the client accepts of the server's authentication, checked at each request before any secret
// is sent and once more when the server accepts the log-on: the channel binding, and the methods of
// require_auth, a comma-separated list of those allowed ("scram-sha-256,md5") or of those forbidden
// ("!password,!md5"); "none" stands for a log-on without any request. Every failure is a fatal
// EPgError in the wording of the server's own tools.
class TPgAuthPolicy {
public:
    // Everything the client can do is allowed; binding where it can.
    TPgAuthPolicy() = default;
    // Raises EPgConnectionValueError for a require_auth list it cannot read.
    TPgAuthPolicy(TPgChannelBinding binding, std::string_view requireAuth);

    TPgChannelBinding Binding() const { return binding_; }
    const std::string& RequireAuth() const { return requireAuth_; }

    // Before anything is sent: a binding required where the connection will not be encrypted.
    void CheckEncryption(bool encrypted) const;
    // The server asks for the method; canBind: it offers SCRAM with channel binding over a TLS
    // channel the client can bind to.
    void CheckRequest(TPgAuthMethod method, bool canBind) const;
    // The server accepts the log-on. requested: the method it asked for, None when it asked for
    // none; bound: the log-on was channel-bound.
    void CheckAccepted(TPgAuthMethod requested, bool bound) const;

private:
    void Require(bool allowed, const char* reason) const;
    bool Allows(TPgAuthMethod method) const;

    TPgChannelBinding binding_ = TPgChannelBinding::Prefer;
    std::string requireAuth_; // as given, for the messages
    std::set<TPgAuthMethod> listed_;
    bool forbidden_ = false; // the listed methods are those forbidden
};

} // namespace velmora
