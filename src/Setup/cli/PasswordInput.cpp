#include "Setup/cli/PasswordInput.h"

#include "Common/Interrupt.h"
#include "Common/ScopeExit.h"
#include "Setup/cli/CommandLine.h"
#include "Setup/cli/InterruptSignals.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::cli {
namespace {

// Switches the terminal's echo off for its lifetime.
class TEchoOff {
public:
    TEchoOff() : active_(tcgetattr(STDIN_FILENO, &saved_) == 0) {
        if (!active_)
            return;
        termios silent = saved_;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    ~TEchoOff() {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    termios saved_{};
    bool active_;
};

// Waits until the terminal has a line to read, or raises EInterrupted. The signals that interrupt
// are blocked from the look at the flag until the wait, which lets them in again as it begins, so
// that none can slip in between and leave the prompt waiting. A terminal hands over one line per
// read, so nothing of the next line waits in the stream's buffer where the wait would not see it.
void WaitForTerminalLine() {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (const int signal : TInterruptSignals::Signals)
        sigaddset(&interrupts, signal);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    const TScopeExit unblock([&previous]() noexcept { pthread_sigmask(SIG_SETMASK, &previous, nullptr); });
    for (;;) {
        ThrowIfInterrupted();
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (ppoll(&input, 1, nullptr, &previous) >= 0 || errno != EINTR)
            return;
    }
}

// A line without its line break, also a CR LF one.
bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

} // namespace

TPasswordInput::TPasswordInput() : interactive_(isatty(STDIN_FILENO) == 1) {}

std::string TPasswordInput::Read(const std::string& prompt) {
    ThrowIfInterrupted();
    std::string password;
    bool read = false;
    if (interactive_) {
        // Silent before the prompt shows: nothing typed after it is echoed.
        const TEchoOff echoOff;
        std::cerr << prompt << std::flush;
        const TScopeExit endOfPrompt([]() noexcept { std::cerr << '\n'; });
        WaitForTerminalLine();
        read = ReadLine(std::cin, password);
    } else {
        read = ReadLine(std::cin, password);
    }
    // A signal breaks the read off; the terminal has its echo back by now.
    ThrowIfInterrupted();
    if (!read)
        throw EUsageError("kein Passwort auf der Standardeingabe (" + prompt + ")");
    return password;
}

std::string PasswordFromFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string password;
    if (!file)
        throw EUsageError("Passwortdatei nicht lesbar: " + path);
    ReadLine(file, password); // an empty file holds the empty password
    return password;
}

} // namespace velmora::cli
