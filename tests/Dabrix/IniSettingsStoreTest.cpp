#include "Dabrix/qt/IniSettingsStore.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace velmora;

namespace {

class IniSettingsStoreTest : public testing::Test {
protected:
    std::string FileText() const {
        std::ifstream file(path);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    QTemporaryDir directory;
    // The directory of the file does not exist yet; the first write makes it.
    std::string path = directory.filePath(QStringLiteral("velmora/user-settings.ini")).toStdString();
    TIniSettingsStore store{path};
};

TEST_F(IniSettingsStoreTest, KeepsTextAndIntegerValuesUnderTheirKeyAcrossStores) {
    EXPECT_EQ(store.OpenKeyForReading("\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Setup"), nullptr);
    {
        auto key = store.CreateKey("\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Setup");
        ASSERT_NE(key, nullptr);
        key->WriteString("Username", "Müller");
        key->WriteString("ServerC1 1", "db.example");
        key->WriteInteger("Port", 5433);
    }
    TIniSettingsStore later(path);
    const auto key = later.OpenKeyForReading("\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Setup");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("Username"), "Müller");
    EXPECT_EQ(key->ReadString("ServerC1 1"), "db.example");
    EXPECT_EQ(key->ReadInteger("Port"), 5433);
    EXPECT_EQ(key->ReadString("Database"), std::nullopt);
    EXPECT_EQ(key->ReadInteger("Username"), std::nullopt) << "a text is no integer";
    EXPECT_EQ(later.OpenKeyForReading("\\SOFTWARE\\Calbrune\\Dabrix\\Connect\\Setup"), nullptr);
    EXPECT_NE(later.OpenKeyForReading("\\SOFTWARE\\Vorlaxe\\Dabrix"), nullptr) << "a key with subkeys exists";
    EXPECT_NE(FileText().find("5433"), std::string::npos);
}

TEST_F(IniSettingsStoreTest, AStoreWhoseFileCannotBeMadeOpensNoKeyForWriting) {
    const std::string blocker = directory.filePath(QStringLiteral("a-file")).toStdString();
    std::ofstream(blocker) << "not a directory";
    TIniSettingsStore unwritable(blocker + "/user-settings.ini");
    EXPECT_EQ(unwritable.CreateKey("\\SOFTWARE\\Vorlaxe"), nullptr);
    EXPECT_EQ(unwritable.OpenKeyForReading("\\SOFTWARE\\Vorlaxe"), nullptr);
}

} // namespace
