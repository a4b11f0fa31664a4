#include "Setup/tenant/BatchPasswords.h"

#include "Setup/cli/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <unistd.h>

namespace velmora::tenant {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
constexpr std::size_t kPasswordCharacters = 20;

void FillRandom(unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t got = getrandom(bytes, count, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("keine Zufallszahlen vom System: ") + std::strerror(errno));
        }
        bytes += got;
        count -= static_cast<std::size_t>(got);
    }
}

} // namespace

std::string GeneratePassword() {
    // Bytes at or above the largest multiple of the alphabet's size are drawn again, so that every
    // character is equally likely.
    constexpr unsigned kLimit = 256 - 256 % kAlphabet.size();
    std::string password;
    while (password.size() < kPasswordCharacters) {
        unsigned char bytes[32];
        FillRandom(bytes, sizeof bytes);
        for (const unsigned char byte : bytes) {
            if (byte < kLimit && password.size() < kPasswordCharacters)
                password += kAlphabet[byte % kAlphabet.size()];
        }
    }
    return password;
}

TPasswordsFile::TPasswordsFile(const std::filesystem::path& path)
    : path_(path), fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)) {
    if (fd_ < 0) {
        if (errno == EEXIST)
            throw cli::EUsageError("die Passwortdatei " + path.string() +
                                   " gibt es schon; sie wird nie überschrieben");
        throw cli::EUsageError("Passwortdatei " + path.string() + " nicht anlegbar: " + std::strerror(errno));
    }
    Write("tenant,password\n");
}

TPasswordsFile::~TPasswordsFile() {
    close(fd_);
}

// Tenant codes and generated passwords hold no comma, quote or line break: no field needs quotes.
void TPasswordsFile::Add(std::string_view tenantCode, std::string_view password) {
    Write(std::string(tenantCode) + "," + std::string(password) + "\n");
}

void TPasswordsFile::Write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::runtime_error("Passwortdatei " + path_.string() +
                                     " nicht schreibbar: " + std::strerror(errno));
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    if (fdatasync(fd_) != 0)
        throw std::runtime_error("Passwortdatei " + path_.string() +
                                 " nicht schreibbar: " + std::strerror(errno));
}

} // namespace velmora::tenant
