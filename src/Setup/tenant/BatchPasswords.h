#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::tenant {

// A strong password for a tenant the batch file gives none: 20 characters drawn by the kernel's
// random source from letters and digits that cannot be mistaken for one another (no I, l, 1, O, 0),
// about 115 bits.
std::string GeneratePassword();

// The file the generated passwords are written to, with their tenants, as CSV (tenant,password).
// It is created new with mode 0600 and never overwritten: a file of that name refuses the batch
// (EUsageError) before anything is installed. Each line is on the disk before Add returns.
class TPasswordsFile {
public:
    explicit TPasswordsFile(const std::filesystem::path& path);
    ~TPasswordsFile();
    TPasswordsFile(const TPasswordsFile&) = delete;
    TPasswordsFile& operator=(const TPasswordsFile&) = delete;

    void Add(std::string_view tenantCode, std::string_view password);

private:
    void Write(std::string_view text);

    std::filesystem::path path_;
    int fd_;
};

} // namespace velmora::tenant
