#include "Dabrix/qt/IniSettingsStore.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace velmora {
namespace {

// "\SOFTWARE\Vorlaxe\Dabrix" becomes the group "SOFTWARE/Vorlaxe/Dabrix".
QString GroupOf(const std::string& keyPath) {
    return QString::fromStdString(keyPath).split(u'\\', Qt::SkipEmptyParts).join(u'/');
}

class TIniSettingsKey final : public TSettingsKey {
public:
    TIniSettingsKey(const std::string& filePath, const QString& group)
        : settings_(QString::fromStdString(filePath), QSettings::IniFormat) {
        settings_.beginGroup(group);
    }

    bool IsEmpty() const { return settings_.childKeys().isEmpty() && settings_.childGroups().isEmpty(); }
    bool IsWritable() const { return settings_.isWritable(); }

    std::optional<std::string> ReadString(const std::string& name) const override {
        const QVariant value = settings_.value(QString::fromStdString(name));
        if (!value.isValid())
            return std::nullopt;
        return value.toString().toStdString();
    }

    std::optional<int> ReadInteger(const std::string& name) const override {
        const QVariant value = settings_.value(QString::fromStdString(name));
        bool isInteger = false;
        const int number = value.toString().toInt(&isInteger);
        if (!isInteger)
            return std::nullopt;
        return number;
    }

    void WriteString(const std::string& name, const std::string& value) override {
        settings_.setValue(QString::fromStdString(name), QString::fromStdString(value));
    }

    void WriteInteger(const std::string& name, int value) override {
        settings_.setValue(QString::fromStdString(name), value);
    }

private:
    QSettings settings_; // writes the file when destroyed
};

} // namespace

TIniSettingsStore::TIniSettingsStore(std::string filePath) : filePath_(std::move(filePath)) {}

std::string TIniSettingsStore::UserFilePath() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/velmora/user-settings.ini")
        .toStdString();
}

std::unique_ptr<const TSettingsKey> TIniSettingsStore::OpenKeyForReading(const std::string& path) {
    auto key = std::make_unique<TIniSettingsKey>(filePath_, GroupOf(path));
    // An INI file keeps no empty groups, so a key without values and subkeys does not exist.
    if (key->IsEmpty())
        return nullptr;
    return key;
}

std::unique_ptr<TSettingsKey> TIniSettingsStore::CreateKey(const std::string& path) {
    auto key = std::make_unique<TIniSettingsKey>(filePath_, GroupOf(path));
    if (!key->IsWritable())
        return nullptr;
    return key;
}

} // namespace velmora
