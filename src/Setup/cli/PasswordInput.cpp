#include "Setup/cli/PasswordInput.h"

#include "Setup/cli/CommandLine.h"

#include <fstream>
#include <iostream>
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
    std::string password;
    bool read = false;
    if (interactive_) {
        std::cerr << prompt << std::flush;
        {
            TEchoOff echoOff;
            read = ReadLine(std::cin, password);
        }
        std::cerr << '\n';
    } else {
        read = ReadLine(std::cin, password);
    }
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
