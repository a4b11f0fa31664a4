#pragma once

#include <memory>
#include <optional>
#include <string>

namespace velmora {

// One key of the per-user settings store, open for reading or for writing. What is written is kept
// at the latest when the key is closed (destroyed).
class TSettingsKey {
public:
    TSettingsKey() = default;
    virtual ~TSettingsKey() = default;
    TSettingsKey(const TSettingsKey&) = delete;
    TSettingsKey& operator=(const TSettingsKey&) = delete;

    // A value that does not exist, or is not of the type asked for, reads as none.
    virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
    virtual std::optional<int> ReadInteger(const std::string& name) const = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    virtual void WriteInteger(const std::string& name, int value) = 0;
};

// The per-user settings store: keys named by paths whose parts are separated by backslashes, as in
// "\SOFTWARE\Vorlaxe\Dabrix\Connect\Setup", each holding named text and integer values.
class TSettingsStore {
public:
    TSettingsStore() = default;
    virtual ~TSettingsStore() = default;
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    // The key for reading; none when it does not exist.
    virtual std::unique_ptr<const TSettingsKey> OpenKeyForReading(const std::string& path) = 0;
    // The key for writing, created if needed; none when the store cannot be written.
    virtual std::unique_ptr<TSettingsKey> CreateKey(const std::string& path) = 0;
};

} // namespace velmora
