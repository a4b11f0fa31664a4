#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velmora::test {

// A state folder of the test's own (XDG_STATE_HOME for this process while the object lives), so that
// the installation log of a test run lands there and not in the user's home.
class StateHome {
public:
    StateHome() {
        char pattern[] = "/tmp/velmora-state-XXXXXX";
        path_ = mkdtemp(pattern);
        setenv("XDG_STATE_HOME", path_.c_str(), 1);
    }
    ~StateHome() {
        unsetenv("XDG_STATE_HOME");
        std::filesystem::remove_all(path_);
    }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

    const std::string& path() const { return path_; }
    std::string logFile() const { return path_ + "/velmora/installation.log"; }
    std::string logText() const {
        std::ifstream file(logFile());
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    std::string path_;
};

} // namespace velmora::test
