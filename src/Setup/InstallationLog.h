#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The per-user record of every installation run: one timestamped line per event, appended to a file
// only its owner may read, because it names servers and tenants. Writing is best effort: a log that
// cannot be written never stops an installation. Secrets given to Conceal never reach the file.
class TInstallationLog {
public:
    // $XDG_STATE_HOME/velmora/installation.log, else ~/.local/state/velmora/installation.log.
    static std::filesystem::path DefaultFile();

    explicit TInstallationLog(std::filesystem::path file = DefaultFile());

    const std::filesystem::path& File() const { return file_; }

    // Every later line shows secret as "***".
    void Conceal(std::string secret);
    // Appends one line (line breaks inside text become " | ").
    void Write(std::string_view text);

private:
    std::string Concealed(std::string text) const;

    std::filesystem::path file_;
    std::vector<std::string> secrets_;
};

} // namespace velmora
