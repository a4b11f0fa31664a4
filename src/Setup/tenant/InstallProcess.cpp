#include "Setup/tenant/InstallProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace velmora::tenant {
namespace {

// What one child's output may grow to; more is dropped, with a note.
constexpr std::size_t kMaxOutputBytes = 256 * 1024;
// Every descriptor the parent hands a child lies above those the child receives, so that no
// dup2 in the child overwrites one still to be moved.
constexpr int kParentDescriptorFloor = 64;

std::runtime_error SystemError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// A descriptor closed when it goes.
class TDescriptor {
public:
    explicit TDescriptor(int fd = -1) : fd_(fd) {}
    ~TDescriptor() { Reset(); }
    TDescriptor(TDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TDescriptor& operator=(TDescriptor&&) = delete;

    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// Both ends of a pipe, above kParentDescriptorFloor and closed on exec.
struct TPipe {
    TDescriptor read;
    TDescriptor write;
};

TDescriptor Raised(int fd) {
    TDescriptor original(fd);
    const int raised = fcntl(fd, F_DUPFD_CLOEXEC, kParentDescriptorFloor);
    if (raised < 0)
        throw SystemError("fcntl");
    return TDescriptor(raised);
}

TPipe MakePipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw SystemError("pipe2");
    TDescriptor read(ends[0]);
    TDescriptor write(ends[1]);
    return {Raised(read.Release()), Raised(write.Release())};
}

// A pipe that already holds the secret and its line break, its writing end closed: a password is
// far smaller than a pipe's buffer.
TDescriptor SecretPipe(const std::string& secret) {
    TPipe pipe = MakePipe();
    const std::string line = secret + "\n";
    if (write(pipe.write.Get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        throw SystemError("write");
    return std::move(pipe.read);
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& entries) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        merged[text.substr(0, text.find('='))] = text;
    }
    for (const std::string& entry : entries)
        merged[entry.substr(0, entry.find('='))] = entry;
    std::vector<std::string> result;
    for (auto& [name, entry] : merged)
        result.push_back(std::move(entry));
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

TInstallProcess::TInstallProcess(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment,
                                 const std::vector<std::string>& secrets) {
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = MergedEnvironment(environment);
    const std::vector<char*> argv = Pointers(argumentTexts);
    const std::vector<char*> envp = Pointers(environmentTexts);
    std::vector<TDescriptor> secretPipes;
    for (const std::string& secret : secrets)
        secretPipes.push_back(SecretPipe(secret));
    TPipe output = MakePipe();
    if (fcntl(output.read.Get(), F_SETFL, O_NONBLOCK) != 0)
        throw SystemError("fcntl");
    const int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd < 0)
        throw SystemError("/dev/null");
    const TDescriptor nullInput = Raised(nullFd);

    pid_ = fork();
    if (pid_ < 0)
        throw SystemError("fork");
    if (pid_ == 0) {
        // Only async-signal-safe calls from here on. dup2 leaves the new descriptors open on exec.
        bool moved = dup2(nullInput.Get(), STDIN_FILENO) >= 0 &&
                     dup2(output.write.Get(), STDOUT_FILENO) >= 0 &&
                     dup2(output.write.Get(), STDERR_FILENO) >= 0;
        for (std::size_t i = 0; moved && i < secretPipes.size(); ++i)
            moved = dup2(secretPipes[i].Get(), kFirstSecretDescriptor + static_cast<int>(i)) >= 0;
        if (moved)
            execve(argv[0], argv.data(), envp.data());
        constexpr char kFailed[] = "Programm nicht startbar\n";
        [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, kFailed, sizeof kFailed - 1);
        _exit(127);
    }
    output_ = output.read.Release();
}

TInstallProcess::~TInstallProcess() {
    if (!status_ && pid_ > 0) {
        kill(pid_, SIGTERM);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    CloseOutput();
}

void TInstallProcess::ReadOutput() {
    char buffer[4096];
    while (output_ >= 0) {
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got > 0) {
            const std::size_t room = kMaxOutputBytes - std::min(kMaxOutputBytes, text_.size());
            text_.append(buffer, std::min(room, static_cast<std::size_t>(got)));
            if (room < static_cast<std::size_t>(got) && !text_.ends_with("[...]\n"))
                text_ += "\n[...]\n";
        } else if (got == 0) {
            CloseOutput();
        } else if (errno != EINTR) {
            if (errno != EAGAIN)
                CloseOutput();
            return;
        }
    }
}

std::optional<int> TInstallProcess::ExitStatus() {
    if (status_ || output_ >= 0)
        return status_;
    int status = 0;
    pid_t ended = 0;
    do {
        ended = waitpid(pid_, &status, 0);
    } while (ended < 0 && errno == EINTR);
    if (ended < 0)
        throw SystemError("waitpid");
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
}

void TInstallProcess::Signal(int signal) const {
    if (!status_ && pid_ > 0)
        kill(pid_, signal);
}

void TInstallProcess::CloseOutput() {
    if (output_ >= 0)
        close(output_);
    output_ = -1;
}

} // namespace velmora::tenant
