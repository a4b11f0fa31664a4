#pragma once

#include <istream>
#include <string>

namespace velmora::cli {

// Where the installer's passwords come from when no file names them: a prompt without echo when
// standard input is a terminal, else one line of standard input each.
class TPasswordInput {
public:
    TPasswordInput();

    bool Interactive() const { return interactive_; }

    // One password: prompted for on a terminal, else the next line of standard input. Raises
    // EUsageError when standard input has ended, EInterrupted when a signal asked the run to end.
    // The terminal's echo is back on whatever ends the prompt.
    std::string Read(const std::string& prompt);

private:
    bool interactive_;
};

// The first line of a file, without its line break; raises EUsageError when it cannot be read.
std::string PasswordFromFile(const std::string& path);

} // namespace velmora::cli
