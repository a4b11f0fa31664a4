#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// The per-user record of every installation run: one timestamped line per event, appended to a file
// only its owner may read, because it names servers and tenants. Each line carries the id of its
// run, so that runs that write at the same time can be told apart. Writing is best effort: a log
// that cannot be written never stops an installation. Nothing secret is ever written: the callers
// leave passwords out of what they write.
class TInstallationLog {
public:
    // $XDG_STATE_HOME/velmora/installation.log, else ~/.local/state/velmora/installation.log.
    static std::filesystem::path DefaultFile();

    // Starts the first run.
    explicit TInstallationLog(std::filesystem::path file = DefaultFile());

    const std::filesystem::path& File() const { return file_; }

    // Starts a run: the following lines carry a new run id of eight hexadecimal digits.
    void BeginRun();
    const std::string& RunId() const { return runId_; }

    // Appends one line: time, run id and text (line breaks inside text become " | ").
    void Write(std::string_view text);

private:
    std::filesystem::path file_;
    std::string runId_;
};

} // namespace velmora
