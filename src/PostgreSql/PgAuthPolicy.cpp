#include "PostgreSql/PgAuthPolicy.h"

#include "PostgreSql/PgConnectionKeywords.h"
#include "PostgreSql/PgError.h"

#include <map>

namespace velmora {
namespace {

const std::map<std::string_view, TPgAuthMethod> kMethods{{"password", TPgAuthMethod::Password},
                                                         {"md5", TPgAuthMethod::Md5},
                                                         {"scram-sha-256", TPgAuthMethod::ScramSha256},
                                                         {"none", TPgAuthMethod::None}};

EPgError Fatal(const std::string& message) {
    return EPgError(TPgSeverity::sFatal, message);
}

const char* RequestReason(TPgAuthMethod method) {
    switch (method) {
    case TPgAuthMethod::Password:
        return "server requested a cleartext password";
    case TPgAuthMethod::Md5:
        return "server requested a hashed password";
    case TPgAuthMethod::ScramSha256:
        return "server requested SASL authentication";
    case TPgAuthMethod::None:
        break;
    }
    return "server did not complete authentication";
}

} // namespace

TPgChannelBinding ParsePgChannelBinding(std::string_view value) {
    if (value == "disable")
        return TPgChannelBinding::Disable;
    if (value == "prefer")
        return TPgChannelBinding::Prefer;
    if (value == "require")
        return TPgChannelBinding::Require;
    throw EPgConnectionValueError("invalid channel_binding value: " + PgQuoted(value));
}

std::string_view PgChannelBindingName(TPgChannelBinding binding) {
    switch (binding) {
    case TPgChannelBinding::Disable:
        return "disable";
    case TPgChannelBinding::Require:
        return "require";
    case TPgChannelBinding::Prefer:
        break;
    }
    return "prefer";
}

TPgAuthPolicy::TPgAuthPolicy(TPgChannelBinding binding, std::string_view requireAuth)
    : binding_(binding), requireAuth_(requireAuth) {
    if (requireAuth.empty())
        return;
    bool first = true;
    for (std::size_t start = 0; start <= requireAuth.size(); first = false) {
        const std::size_t comma = std::min(requireAuth.find(',', start), requireAuth.size());
        std::string_view item = requireAuth.substr(start, comma - start);
        start = comma + 1;
        const bool negated = item.starts_with('!');
        if (negated)
            item.remove_prefix(1);
        if (first)
            forbidden_ = negated;
        else if (negated && !forbidden_)
            throw EPgConnectionValueError("negative require_auth method " + PgQuoted(item) +
                                          " cannot be mixed with non-negative methods");
        else if (!negated && forbidden_)
            throw EPgConnectionValueError("require_auth method " + PgQuoted(item) +
                                          " cannot be mixed with negative methods");
        const auto method = kMethods.find(item);
        if (method == kMethods.end())
            throw EPgConnectionValueError("invalid require_auth value: " + PgQuoted(item));
        if (!listed_.insert(method->second).second)
            throw EPgConnectionValueError("require_auth method " + PgQuoted(item) +
                                          " is specified more than once");
    }
}

bool TPgAuthPolicy::Allows(TPgAuthMethod method) const {
    return requireAuth_.empty() || listed_.contains(method) != forbidden_;
}

void TPgAuthPolicy::Require(bool allowed, const char* reason) const {
    if (!allowed)
        throw Fatal("authentication method requirement " + PgQuoted(requireAuth_) + " failed: " + reason);
}

void TPgAuthPolicy::CheckEncryption(bool encrypted) const {
    if (binding_ == TPgChannelBinding::Require && !encrypted)
        throw Fatal("channel binding required, but SSL not in use");
}

void TPgAuthPolicy::CheckRequest(TPgAuthMethod method, bool canBind) const {
    if (binding_ == TPgChannelBinding::Require) {
        if (method != TPgAuthMethod::ScramSha256)
            throw Fatal("channel binding required but not supported by server's authentication request");
        if (!canBind)
            throw Fatal("channel binding is required, but server did not offer an authentication method that "
                        "supports channel binding");
    }
    Require(Allows(method), RequestReason(method));
}

void TPgAuthPolicy::CheckAccepted(TPgAuthMethod requested, bool bound) const {
    if (binding_ == TPgChannelBinding::Require && !bound)
        throw Fatal("channel binding required, but server authenticated client without channel binding");
    Require(Allows(requested), RequestReason(requested));
}

} // namespace velmora
