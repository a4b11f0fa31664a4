#include "PostgreSql/PgConnectionOptions.h"

#include "Common/AsciiText.h"
#include "PostgreSql/PgConnectionKeywords.h"

#include <algorithm>
#include <utility>

namespace velmora {
namespace {

constexpr TPgSSLModeName kModes[] = {
    {"disable", "smDisable", TPgSSLMode::smDisable},
    {"allow", "smAllow", TPgSSLMode::smAllow},
    {"prefer", "smPrefer", TPgSSLMode::smPrefer},
    {"require", "smRequire", TPgSSLMode::smRequire},
    {"verify-ca", "smVerifyCA", TPgSSLMode::smVerifyCA},
    {"verify-full", "smVerifyFull", TPgSSLMode::smVerifyFull},
};

} // namespace

std::span<const TPgSSLModeName> PgSSLModes() {
    return kModes;
}

const TPgSSLModeName* FindPgSSLMode(std::string_view name) {
    const auto found = std::find_if(std::begin(kModes), std::end(kModes), [&](const TPgSSLModeName& mode) {
        return EqualsIgnoringAsciiCase(name, mode.tool) || EqualsIgnoringAsciiCase(name, mode.option);
    });
    return found == std::end(kModes) ? nullptr : found;
}

namespace {

constexpr std::pair<std::string_view, TPgTargetSession> kTargetSessions[] = {
    {"any", TPgTargetSession::Any},
    {"read-write", TPgTargetSession::ReadWrite},
    {"read-only", TPgTargetSession::ReadOnly},
    {"primary", TPgTargetSession::Primary},
    {"standby", TPgTargetSession::Standby},
    {"prefer-standby", TPgTargetSession::PreferStandby},
};

} // namespace

TPgTargetSession ParsePgTargetSession(std::string_view name) {
    const auto found =
        std::ranges::find(kTargetSessions, name, &std::pair<std::string_view, TPgTargetSession>::first);
    if (found == std::end(kTargetSessions))
        throw EPgConnectionValueError("invalid target_session_attrs value: " + PgQuoted(name));
    return found->second;
}

std::string_view PgTargetSessionName(TPgTargetSession target) {
    return std::ranges::find(kTargetSessions, target, &std::pair<std::string_view, TPgTargetSession>::second)
        ->first;
}

const TPgSSLModeName& PgSSLModeName(TPgSSLMode mode) {
    return *std::find_if(std::begin(kModes), std::end(kModes),
                         [&](const TPgSSLModeName& name) { return name.mode == mode; });
}

} // namespace velmora
