#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::cli {

// Where the server's local socket lies when nothing else is said, as Debian builds the server.
inline constexpr std::string_view kDefaultSocketDirectory = "/var/run/postgresql";

// What a line of a password file is matched against, each part as the line would spell it.
struct TPgPassKey {
    std::string host;
    std::string port;
    std::string database;
    std::string username;

    // The key of a log-on: an empty server and the default socket directory are "localhost", port 0
    // is 5432, and an empty database is the one the server picks, the user's own.
    static TPgPassKey For(const std::string& server, int port, const std::string& database,
                          const std::string& username);
};

// A password file as the server's own tools read it: one "host:port:database:username:password"
// per line, "*" for any value of a field, "\:" and "\\" for a colon and a backslash within one,
// lines beginning with "#" and empty lines skipped; the first matching line wins.
class TPgPassFile {
public:
    // What a lookup found: a password, or none with a warning when the file had to be ignored.
    struct TLookup {
        std::optional<std::string> password;
        std::optional<std::string> warning;
    };

    explicit TPgPassFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }

    // The password of the first line that matches key. A missing or unreadable file holds none. A
    // file that is not a plain file, or that its group or others may access, is ignored with a
    // warning: a password others can read is no secret.
    TLookup Find(const TPgPassKey& key) const;

private:
    std::filesystem::path path_;
};

} // namespace velmora::cli
