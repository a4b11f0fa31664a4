// Signals that end velmora-install while it runs against the sandbox: at the password prompt, while
// the role step waits for the server, and in the middle of the structure.

#include "bench/DelayProxy.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace velmora::test;
using namespace std::chrono_literals;
using testing::HasSubstr;

namespace {

using Clock = std::chrono::steady_clock;

// The installer (or psql) as a child whose output is read while it runs and which the test signals.
// On a terminal, its standard input, output and error are one pseudo-terminal; else its input is a
// pipe and its output and error go to one pipe. A child still running at the end is killed.
class RunningProcess {
public:
    RunningProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   bool onTerminal) {
        int childIn = -1;
        int childOut = -1;
        if (onTerminal) {
            if (openpty(&output_, &terminal_, nullptr, nullptr, nullptr) != 0)
                throw std::runtime_error("no pseudo-terminal");
            input_ = output_;
        } else {
            int in[2];
            int out[2];
            if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
                throw std::runtime_error("no pipe");
            childIn = in[0];
            input_ = in[1];
            output_ = out[0];
            childOut = out[1];
        }
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        std::vector<char*> env;
        for (const std::string& entry : environment)
            env.push_back(const_cast<char*>(entry.c_str()));
        env.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            if (onTerminal) {
                setsid();
                ioctl(terminal_, TIOCSCTTY, 0);
                childIn = childOut = terminal_;
            }
            dup2(childIn, 0);
            dup2(childOut, 1);
            dup2(childOut, 2);
            execve(args[0], args.data(), env.data());
            _exit(127);
        }
        if (!onTerminal) {
            close(childIn);
            close(childOut);
        }
    }

    ~RunningProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {input_ == output_ ? -1 : input_, output_, terminal_})
            if (fd >= 0)
                close(fd);
    }
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    void Write(const std::string& text) const {
        if (write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            throw std::runtime_error("cannot write to the child");
    }

    // Reads the output until it holds text, for at most timeout.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = 30s) {
        const auto end = Clock::now() + timeout;
        while (output.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || !ReadSome(static_cast<int>(left)))
                return false;
        }
        return true;
    }

    void Signal(int signal) const { kill(pid_, signal); }

    // The exit status, 128 + the signal for a child a signal killed, -1 when it did not end in time;
    // reads its output up to the end.
    int Wait(std::chrono::seconds timeout = 30s) {
        const auto end = Clock::now() + timeout;
        while (status_ < 0 && Clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                ReadSome(20);
        }
        while (ReadSome(0)) {
        }
        return status_;
    }

    // Whether the terminal echoes what is typed.
    bool Echoes() const {
        termios settings{};
        tcgetattr(terminal_, &settings);
        return (settings.c_lflag & ECHO) != 0;
    }

    std::string output;

private:
    bool ReadSome(int timeoutMs) {
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, timeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        output.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int status_ = -1;
    int input_ = -1;
    int output_ = -1;
    int terminal_ = -1; // the child's side of the pseudo-terminal, kept to read its settings
};

// The sessions of the installer that touch tenant (its role, its database, or a statement naming it),
// apart from the test's own psql sessions.
int InstallerSessions(const std::string& tenant) {
    return std::stoi(Superuser(
        "postgres", "SELECT count(*) FROM pg_stat_activity WHERE application_name NOT LIKE "
                    "'psql%' AND (usename = '" +
                        tenant + "' OR datname = '" + tenant + "' OR query LIKE '%" + tenant + "%')"));
}

// Waits at most ten seconds until the query answers "t".
bool Eventually(const std::string& condition) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Superuser("postgres", "SELECT " + condition) == "t")
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

class InstallInterruptTest : public testing::Test {
protected:
    ~InstallInterruptTest() override {
        for (const std::string& tenant : tenants) {
            DropDatabase(tenant);
            psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
        }
    }

    // The installer for tenant on the sandbox (or port), with the administrator's password in the
    // environment; the tenant's password comes from standard input.
    std::unique_ptr<RunningProcess> Start(const std::string& tenant, bool onTerminal,
                                          const std::string& port = sandbox().port) {
        tenants.push_back(tenant);
        return std::make_unique<RunningProcess>(
            std::vector<std::string>{VELMORA_INSTALL, "--tenant", tenant, "--licensee", "Bau AG",
                                     "--postal-code", "54321", "--city", "Köln", "--street", "Ring 2"},
            EnvironmentWith({"PGHOST=" + sandbox().host, "PGPORT=" + port, "PGUSER=" + sandbox().user,
                             "PGPASSWORD=" + sandbox().password, "PGDATABASE=postgres",
                             "XDG_STATE_HOME=" + stateHome.path()}),
            onTerminal);
    }

    StateHome stateHome;
    ApplicationRoles roles;
    std::vector<std::string> tenants;
};

// At the password prompt the terminal does not echo; whatever signal ends the prompt, the echo is
// back, nothing changed on the server, and the exit status tells the signal.
TEST_F(InstallInterruptTest, SignalAtThePromptRestoresTheEcho) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sigabbrev_np(signal));
        auto installer = Start("q7ip", true);
        ASSERT_TRUE(installer->WaitForOutput("Passwort des Mandanten Q7IP: ")) << installer->output;
        EXPECT_FALSE(installer->Echoes());
        installer->Signal(signal);
        EXPECT_EQ(installer->Wait(), 128 + signal) << installer->output;
        EXPECT_TRUE(installer->Echoes());
        EXPECT_THAT(installer->output,
                    HasSubstr("Installation unterbrochen (SIG" + std::string(sigabbrev_np(signal)) +
                              ") bei 0 %: auf dem Server wurde nichts verändert. Protokoll: "));
        EXPECT_EQ(Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = 'q7ip'"), "0");
    }
    EXPECT_THAT(
        stateHome.logText(),
        HasSubstr("Mandant Q7IP: Ergebnis: unterbrochen (SIGHUP) bei 0 %: auf dem Server wurde nichts "
                  "verändert.\n"));
}

// A signal while a statement runs: the server cancels it, the installer closes its sessions, says
// what is left and ends with 128 + the signal. During the role step CREATE USER waits for a lock
// that another session holds (the same role, created in its open transaction); a backend left
// behind would wait for it as long as that session lives. The structure runs through a proxy that
// delays every chunk, so that the signal finds it half done.
TEST_F(InstallInterruptTest, SignalDuringTheRunCancelsAndReportsWhatIsLeft) {
    enum class Moment { RoleStepWaitingForALock, MidStructure };
    struct Case {
        int signal;
        Moment moment;
        std::string tenant;
        std::string left;
    };
    const Case cases[] = {
        {SIGINT, Moment::RoleStepWaitingForALock, "q7i1",
         "bei 20 %: die Rolle q7i1 ist vielleicht schon angelegt. Eine neue Installation mit --replace "
         "ersetzt "
         "den Mandanten q7i1."},
        {SIGHUP, Moment::RoleStepWaitingForALock, "q7i2",
         "bei 20 %: die Rolle q7i2 ist vielleicht schon angelegt. Eine neue Installation mit --replace "
         "ersetzt "
         "den Mandanten q7i2."},
        {SIGTERM, Moment::MidStructure, "q7i3",
         "bei 50 %: Rolle und Datenbank q7i3 sind angelegt, die Struktur ist unvollständig. Eine neue "
         "Installation mit --replace ersetzt den Mandanten q7i3."},
        {SIGINT, Moment::MidStructure, "q7i4",
         "bei 50 %: Rolle und Datenbank q7i4 sind angelegt, die Struktur ist unvollständig. Eine neue "
         "Installation mit --replace ersetzt den Mandanten q7i4."},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("SIG") + sigabbrev_np(c.signal);
        SCOPED_TRACE(name + " " + c.tenant);
        std::unique_ptr<RunningProcess> blocker;
        std::unique_ptr<velmora::bench::TDelayProxy> proxy;
        std::unique_ptr<RunningProcess> installer;
        if (c.moment == Moment::RoleStepWaitingForALock) {
            blocker = std::make_unique<RunningProcess>(
                std::vector<std::string>{"/usr/bin/psql", "-X", "-q", "-d", "postgres"},
                EnvironmentWith({"PGHOST=" + sandbox().host, "PGPORT=" + sandbox().port,
                                 "PGUSER=" + sandbox().user, "PGPASSWORD=" + sandbox().password,
                                 "PGAPPNAME=psql_blocker"}),
                false);
            blocker->Write("BEGIN;\nCREATE ROLE " + c.tenant + ";\nSELECT 'holding';\n");
            ASSERT_TRUE(blocker->WaitForOutput("holding")) << blocker->output;
            installer = Start(c.tenant, false);
            installer->Write("Kennwort-1\n");
            ASSERT_TRUE(
                Eventually("EXISTS (SELECT FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND query "
                           "LIKE 'CREATE USER%" +
                           c.tenant + "%')"));
        } else {
            proxy = std::make_unique<velmora::bench::TDelayProxy>(sandbox().host, std::stoi(sandbox().port),
                                                                  100ms, 2min);
            installer = Start(c.tenant, false, std::to_string(proxy->Port()));
            installer->Write("Kennwort-1\n");
            ASSERT_TRUE(installer->WaitForOutput("Fortschritt 50 %\n", 60s)) << installer->output;
            // The structure takes several round trips of 200 ms: half a second is in its middle.
            std::this_thread::sleep_for(500ms);
        }
        installer->Signal(c.signal);
        EXPECT_EQ(installer->Wait(), 128 + c.signal) << installer->output;
        EXPECT_THAT(installer->output, HasSubstr("\nInstallation unterbrochen (" + name + ") " + c.left +
                                                 " Protokoll: " + stateHome.logFile() + "\n"));
        EXPECT_THAT(stateHome.logText(),
                    HasSubstr("  Ergebnis: unterbrochen (" + name + ") " + c.left + "\n"));
        std::this_thread::sleep_for(2s);
        EXPECT_EQ(InstallerSessions(c.tenant), 0);
        if (c.moment == Moment::MidStructure) {
            EXPECT_EQ(
                Superuser("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = '" + c.tenant + "'"),
                "1");
        }
    }
}

} // namespace
