#pragma once

#include <string>
#include <vector>

namespace velmora::test {

// A connection pooler (the system's pgbouncer) in transaction mode in front of the sandbox, on a
// free port of 127.0.0.1, for as long as the object lives. Clients log on as the sandbox's
// superuser or as one of the roles given, with their passwords, which the pooler also uses to log
// on to the server (so roles a test makes later can be given too). Each transaction of a client
// may run on another server session.
class TPooler {
public:
    struct TUser {
        std::string Name;
        std::string Password;
    };

    explicit TPooler(const std::vector<TUser>& users = {});
    ~TPooler();
    TPooler(const TPooler&) = delete;
    TPooler& operator=(const TPooler&) = delete;

    const std::string& Host() const { return host_; }
    const std::string& Port() const { return port_; }

private:
    std::string directory_;
    std::string host_ = "127.0.0.1";
    std::string port_;
};

} // namespace velmora::test
