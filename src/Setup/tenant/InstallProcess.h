#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora::tenant {

// One program run as a child process: its secrets reach it through pipes it inherits as file
// descriptors 3, 4, ... (readable by the program as /dev/fd/3 and so on), never through its
// arguments or environment, which other users of the machine may see. Its standard input is
// /dev/null; its standard output and error are collected in one text. A process still running when
// the object goes is ended (SIGTERM) and waited for.
class TInstallProcess {
public:
    static constexpr int kFirstSecretDescriptor = 3;

    // environment: NAME=value entries that replace or add to this process's environment.
    TInstallProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                    const std::vector<std::string>& secrets);
    ~TInstallProcess();
    TInstallProcess(const TInstallProcess&) = delete;
    TInstallProcess& operator=(const TInstallProcess&) = delete;

    // The descriptor to wait on for output (poll); -1 once the output has ended.
    int OutputDescriptor() const { return output_; }
    // Takes what output is there without waiting.
    void ReadOutput();
    // The exit status once the process has ended and its output is read: the program's status, or
    // 128 + the signal that ended it, as a shell gives it.
    std::optional<int> ExitStatus();
    void Signal(int signal) const;

    const std::string& Output() const { return text_; }

private:
    void CloseOutput();

    pid_t pid_ = -1;
    int output_ = -1;
    std::optional<int> status_;
    std::string text_;
};

} // namespace velmora::tenant
