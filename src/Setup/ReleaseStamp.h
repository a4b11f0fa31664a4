#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The release that installed a tenant is the comment on its database, "velmora <version>": the
// schema itself stays exactly as the scripts make it, and list and verify read the comment back.
inline constexpr std::string_view kReleaseStampPrefix = "velmora ";

// The stamp of this build's release.
std::string ReleaseStamp();

// The statement that stamps the database (a lower-case tenant code, as the installation names it).
std::string ReleaseStampStatement(const std::string& database);

// The release a database comment names; none when the comment is not a stamp.
std::optional<std::string> StampedRelease(std::string_view comment);

} // namespace velmora
