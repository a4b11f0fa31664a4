#pragma once

#include "Dabrix/SettingsStore.h"

#include <string>

namespace velmora {

// The per-user settings store kept in one INI file: a key path becomes a settings group, its values
// the entries of that group. Integers are written as decimal text and read back as integers.
class TIniSettingsStore final : public TSettingsStore {
public:
    // The store in the given file; it need not exist yet.
    explicit TIniSettingsStore(std::string filePath);

    // The current user's file under the user's configuration directory.
    static std::string UserFilePath();

    std::unique_ptr<const TSettingsKey> OpenKeyForReading(const std::string& path) override;
    std::unique_ptr<TSettingsKey> CreateKey(const std::string& path) override;

private:
    std::string filePath_;
};

} // namespace velmora
