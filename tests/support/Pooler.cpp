#include "support/Pooler.h"

#include "support/Sandbox.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velmora::test {
namespace {

// A port of 127.0.0.1 that was free a moment ago.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!bound)
        throw std::runtime_error("no free port for the pooler");
    return ntohs(address.sin_port);
}

bool Answers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

// The pooler refuses to run as root: then it runs as the server's user, which owns its folder.
std::vector<std::string> AsPoolerUser(std::vector<std::string> argv, const std::string& directory) {
    if (geteuid() != 0)
        return argv;
    const passwd* postgres = getpwnam("postgres");
    if (postgres == nullptr || ::chown(directory.c_str(), postgres->pw_uid, postgres->pw_gid) != 0)
        throw std::runtime_error("cannot hand the pooler's folder to the user postgres");
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (::chown(entry.path().c_str(), postgres->pw_uid, postgres->pw_gid) != 0)
            throw std::runtime_error("cannot hand " + entry.path().string() + " to the user postgres");
    argv.insert(argv.begin(), {"runuser", "-u", "postgres", "--"});
    return argv;
}

} // namespace

TPooler::TPooler(const std::vector<TUser>& users) {
    char pattern[] = "/tmp/pooler.XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        throw std::runtime_error("cannot make the pooler's folder");
    directory_ = pattern;
    port_ = std::to_string(FreePort());
    const SandboxEnv& server = sandbox();
    std::ofstream userList(directory_ + "/userlist.txt");
    userList << '"' << server.user << "\" \"" << server.password << "\"\n";
    for (const TUser& user : users)
        userList << '"' << user.Name << "\" \"" << user.Password << "\"\n";
    userList.close();
    std::ofstream(directory_ + "/pgbouncer.ini")
        << "[databases]\n* = host=" << server.host << " port=" << server.port << "\n"
        << "[pgbouncer]\nlisten_addr = " << host_ << "\nlisten_port = " << port_ << "\nunix_socket_dir =\n"
        << "auth_type = scram-sha-256\nauth_file = " << directory_ << "/userlist.txt\n"
        << "pool_mode = transaction\ndefault_pool_size = 4\nmax_client_conn = 100\n"
        << "logfile = " << directory_ << "/pgbouncer.log\npidfile = " << directory_ << "/pgbouncer.pid\n";
    const ProcessResult started = RunProcess(
        AsPoolerUser({"pgbouncer", "-d", directory_ + "/pgbouncer.ini"}, directory_), EnvironmentWith({}));
    if (started.exitCode != 0)
        throw std::runtime_error("the pooler did not start: " + started.err);
    for (int attempt = 0; attempt < 100 && !Answers(std::stoi(port_)); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!Answers(std::stoi(port_)))
        throw std::runtime_error("the pooler does not answer on port " + port_);
}

TPooler::~TPooler() {
    std::ifstream pidFile(directory_ + "/pgbouncer.pid");
    pid_t pid = 0;
    if (pidFile >> pid && pid > 0) {
        ::kill(pid, SIGTERM);
        for (int attempt = 0; attempt < 100 && ::kill(pid, 0) == 0; ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

} // namespace velmora::test
