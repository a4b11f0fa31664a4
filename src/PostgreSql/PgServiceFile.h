#pragma once

#include "PostgreSql/PgConnectionKeywords.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace velmora {

// Where the system's service file lies when PGSYSCONFDIR does not say: Debian's place for it.
inline constexpr const char* kPgDefaultSysConfDir = "/etc/postgresql-common";

// A connection service file: entries of connection values under a name, in the form
//     # a comment
//     [name]
//     keyword=value
// Blanks around a line are ignored, those around its "=" are not.
class TPgServiceFile {
public:
    explicit TPgServiceFile(std::filesystem::path path) : path_(std::move(path)) {}

    // The entry of the service; none when the file does not exist or has no such entry. A keyword
    // given twice keeps its first value. Raises EPgConnectionValueError, naming file and line, for
    // a line of the entry that is no keyword=value pair of a known keyword, or that names a service.
    std::optional<TPgConnectionValues> Find(std::string_view service) const;

private:
    std::filesystem::path path_;
};

// The entry of a service from the user's file (PGSERVICEFILE, else ~/.pg_service.conf), else from
// the system's (pg_service.conf in PGSYSCONFDIR, else in kPgDefaultSysConfDir). Raises
// EPgConnectionValueError when neither has it.
TPgConnectionValues PgServiceEntry(std::string_view service, const TPgEnvironment& environment);

} // namespace velmora
