#include "Setup/InstallationLog.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

std::filesystem::path HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* user = getpwuid(geteuid()))
        return user->pw_dir;
    return ".";
}

// Creates the missing folders of directory for the owner alone.
void CreatePrivateDirectories(const std::filesystem::path& directory) {
    std::filesystem::path path;
    for (const auto& part : directory) {
        path /= part;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

std::filesystem::path TInstallationLog::DefaultFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    // A relative XDG path is invalid and must be ignored.
    const std::filesystem::path base =
        state != nullptr && *state == '/' ? std::filesystem::path(state) : HomeDirectory() / ".local/state";
    return base / "velmora" / "installation.log";
}

TInstallationLog::TInstallationLog(std::filesystem::path file) : file_(std::move(file)) {
    BeginRun();
}

void TInstallationLog::BeginRun() {
    char id[9];
    std::snprintf(id, sizeof id, "%08x", static_cast<unsigned>(std::random_device()()));
    runId_ = id;
}

void TInstallationLog::Write(std::string_view text) {
    CreatePrivateDirectories(file_.parent_path());
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    std::string oneLine(text);
    ReplaceAll(oneLine, "\r\n", " | ");
    ReplaceAll(oneLine, "\n", " | ");
    ReplaceAll(oneLine, "\r", " | ");
    const std::string line = Timestamp() + "  " + runId_ + "  " + oneLine + "\n";
    // One write per line keeps lines of two programs appending at once whole.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace velmora
