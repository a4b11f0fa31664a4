// The password file: which line serves which log-on, and which files are not trusted.

#include "Setup/cli/PgPassFile.h"

#include "support/TempFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velmora::cli;
using velmora::test::TempFile;

namespace {

const TPgPassKey kKey{"db.example.org", "5432", "postgres", "admin"};

TPgPassKey With(std::string TPgPassKey::*field, std::string value) {
    TPgPassKey key = kKey;
    key.*field = std::move(value);
    return key;
}

TEST(PgPassFile, TheFirstMatchingLineGivesThePassword) {
    struct Case {
        const char* what;
        std::string content;
        TPgPassKey key;
        std::optional<std::string> password;
    };
    const Case cases[] = {
        {"every field given", "db.example.org:5432:postgres:admin:geheim\n", kKey, "geheim"},
        {"wildcards", "*:*:*:*:alles\n", kKey, "alles"},
        {"the first match wins", "*:*:*:admin:erste\n*:*:*:*:zweite\n", kKey, "erste"},
        {"another user", "*:*:*:other:x\n", kKey, std::nullopt},
        {"another port", "db.example.org:5433:*:*:x\n", kKey, std::nullopt},
        {"another database", "*:*:tenant:*:x\n", kKey, std::nullopt},
        {"a prefix of the host", "db:*:*:*:x\n", kKey, std::nullopt},
        {"the host as a prefix", "db.example.org.internal:*:*:*:x\n", kKey, std::nullopt},
        {"* is a wildcard only as the whole field", "*.example.org:*:*:*:x\n", kKey, std::nullopt},
        {"a literal * field", "db*:*:*:*:stern\n", With(&TPgPassKey::host, "db*"), "stern"},
        {"comments, blank lines and CR LF", "# *:*:*:*:kommentar\n\n*:*:*:admin:pw\r\n", kKey, "pw"},
        {"an escaped colon in a field", "*:*:*:ad\\:min:pw\n", With(&TPgPassKey::username, "ad:min"), "pw"},
        {"an escaped backslash in a field", "*:*:*:ad\\\\min:pw\n", With(&TPgPassKey::username, "ad\\min"),
         "pw"},
        {"an address with colons needs no escapes", "::1:5432:*:*:sechs\n", With(&TPgPassKey::host, "::1"),
         "sechs"},
        {"escapes in the password", "*:*:*:*:a\\:b\\\\c\n", kKey, "a:b\\c"},
        {"the password ends at an unescaped colon", "*:*:*:*:a:b\n", kKey, "a"},
        {"a trailing backslash stays", "*:*:*:*:pw\\\n", kKey, "pw\\"},
        {"an empty password", "*:*:*:*:\n", kKey, ""},
        {"a line without its password field", "db.example.org:5432:postgres:admin\n*:*:*:*:danach\n", kKey,
         "danach"},
        {"a last line without a line break", "*:*:*:nobody:x\n*:*:*:admin:ende", kKey, "ende"},
        {"an empty file", "", kKey, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile file(c.content); // made with mode 0600
        const TPgPassFile::TLookup found = TPgPassFile(file.path()).Find(c.key);
        EXPECT_EQ(found.password, c.password);
        EXPECT_EQ(found.warning, std::nullopt);
    }
}

TEST(PgPassFile, TheKeyNamesTheLogOnAsTheFileSpellsIt) {
    struct Case {
        std::string server;
        int port;
        std::string database;
        TPgPassKey key;
    };
    const Case cases[] = {
        {"db.example.org", 5433, "postgres", {"db.example.org", "5433", "postgres", "admin"}},
        {"", 0, "postgres", {"localhost", "5432", "postgres", "admin"}},
        {std::string(kDefaultSocketDirectory), 5432, "", {"localhost", "5432", "admin", "admin"}},
        {"/tmp/sockets", 6000, "postgres", {"/tmp/sockets", "6000", "postgres", "admin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        const TPgPassKey key = TPgPassKey::For(c.server, c.port, c.database, "admin");
        EXPECT_EQ(key.host, c.key.host);
        EXPECT_EQ(key.port, c.key.port);
        EXPECT_EQ(key.database, c.key.database);
        EXPECT_EQ(key.username, c.key.username);
    }
}

// A password that others may read is no secret: the file is ignored, with a warning that says why.
TEST(PgPassFile, AFileOthersMayAccessIsIgnoredWithAWarning) {
    const std::pair<mode_t, bool> modes[] = {{0600, true},  {0400, true},  {0640, false},
                                             {0604, false}, {0660, false}, {0601, false}};
    for (const auto& [mode, trusted] : modes) {
        SCOPED_TRACE(mode);
        TempFile file("*:*:*:*:geheim\n");
        ASSERT_EQ(chmod(file.path().c_str(), mode), 0);
        const TPgPassFile::TLookup found = TPgPassFile(file.path()).Find(kKey);
        if (trusted) {
            EXPECT_EQ(found.password, "geheim");
            EXPECT_EQ(found.warning, std::nullopt);
        } else {
            EXPECT_EQ(found.password, std::nullopt);
            EXPECT_EQ(found.warning,
                      "Passwortdatei \"" + file.path() +
                          "\" ist für Gruppe oder andere zugänglich und bleibt unbeachtet; die "
                          "Rechte dürfen höchstens u=rw (0600) sein");
        }
    }
}

TEST(PgPassFile, AMissingFileHoldsNothingAndADirectoryIsNoPasswordFile) {
    const TPgPassFile::TLookup missing = TPgPassFile("/nonexistent/.pgpass").Find(kKey);
    EXPECT_EQ(missing.password, std::nullopt);
    EXPECT_EQ(missing.warning, std::nullopt);

    const std::filesystem::path directory = std::filesystem::temp_directory_path();
    const TPgPassFile::TLookup notAFile = TPgPassFile(directory).Find(kKey);
    EXPECT_EQ(notAFile.password, std::nullopt);
    EXPECT_EQ(notAFile.warning,
              "Passwortdatei \"" + directory.string() + "\" ist keine einfache Datei und bleibt unbeachtet");
}

} // namespace
