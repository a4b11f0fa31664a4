#include "PostgreSql/PgConnectionOptions.h"

#include "Common/AsciiText.h"

#include <algorithm>

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

const TPgSSLModeName& PgSSLModeName(TPgSSLMode mode) {
    return *std::find_if(std::begin(kModes), std::end(kModes),
                         [&](const TPgSSLModeName& name) { return name.mode == mode; });
}

} // namespace velmora
