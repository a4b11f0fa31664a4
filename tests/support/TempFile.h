#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace velmora::test {

// A file under /tmp, written with the given content, that disappears with its owner.
class TempFile {
public:
    explicit TempFile(const std::string& content = {}) : path_("/tmp/velmora-test-XXXXXX") {
        const int fd = mkstemp(path_.data());
        if (fd < 0)
            throw std::runtime_error("cannot create a temporary file");
        close(fd);
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    std::string content() const {
        std::ifstream file(path_, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    std::string path_;
};

} // namespace velmora::test
