#include "Setup/ReleaseStamp.h"

#include "velmora/Version.h"

namespace velmora {

std::string ReleaseStamp() {
    return std::string(kReleaseStampPrefix) + kVelmoraVersion;
}

std::string ReleaseStampStatement(const std::string& database) {
    // The database is a tenant code the input rules let through (letters and digits) and the stamp
    // is our own text: neither needs quoting.
    return "COMMENT ON DATABASE " + database + " IS '" + ReleaseStamp() + "'";
}

std::optional<std::string> StampedRelease(std::string_view comment) {
    if (!comment.starts_with(kReleaseStampPrefix) || comment.size() == kReleaseStampPrefix.size())
        return std::nullopt;
    return std::string(comment.substr(kReleaseStampPrefix.size()));
}

} // namespace velmora
