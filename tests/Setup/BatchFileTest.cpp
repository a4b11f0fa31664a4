// The batch file's reader, the generated passwords and their file, and the child processes the
// batch runs its installations in.

#include "Setup/tenant/BatchFile.h"

#include "Setup/cli/CommandLine.h"
#include "Setup/tenant/BatchPasswords.h"
#include "Setup/tenant/InstallProcess.h"
#include "Setup/tenant/TenantBatch.h"
#include "support/TempFile.h"

#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <set>
#include <sys/stat.h>

using namespace velmora;
using namespace velmora::tenant;
using testing::HasSubstr;

namespace {

const std::string kHeader = "tenant,licensee,postal_code,city,street,password,service\n";

std::optional<std::string> KnownServices(const std::string& service) {
    if (service == "bau-nord" || service == "bau-süd")
        return std::nullopt;
    return "Dienst " + service + " unbekannt";
}

TBatchFile Parse(const std::string& text) {
    return ParseBatchFile(text, KnownServices);
}

// Each line (or record) of one file, with what becomes of it: the tenant it installs or the
// error, by the line the record begins on.
TEST(BatchFileTest, ReportsEachBadRecordWithItsLineAndKeepsTheOthers) {
    struct Case {
        std::string record;
        std::string tenantOrError; // the upper-case tenant, or a part of the error message
        bool installed;
    };
    const std::vector<Case> cases = {
        {"b701,Bau AG,12345,Köln,Ring 1,,", "B701", true},
        {"b702,\"Müller, Söhne & \"\"Partner\"\"\",12345,Köln,\"Ring 1\nHinterhaus\",geh,eim,",
         "8 Felder statt 7", false}, // the unquoted comma in the password makes an eighth field
        {"b703,\"Müller, Söhne & \"\"Partner\"\"\",12345,Köln,\"Ring 1\nHinterhaus\",\"geh,eim\",bau-süd",
         "B703", true},
        {"b704,Bau AG,12345,Köln", "4 Felder statt 7", false},
        {"b-05,Bau AG,12345,Köln,Ring 1,,", "Der Mandant muss aus ein bis vier", false},
        {"select,Bau AG,12345,Köln,Ring 1,,", "Der Mandant muss aus ein bis vier", false},
        {"b706,Bau AG,123456,Köln,Ring 1,,", "Die Postleitzahl darf höchstens 5", false},
        {"b707, ,12345,Köln,Ring 1,,", "Der Lizenznehmer darf nicht leer sein", false},
        {"b708,Bau AG,12345,K\xF6ln,Ring 1,,", "kein gültiger UTF-8-Text", false},
        {"b709,Bau AG,12345,K\xC3\xB6ln\xC0\xAF,Ring 1,,", "kein gültiger UTF-8-Text", false},
        {"B701,Bau AG,12345,Köln,Ring 1,,", "Der Mandant steht schon in Zeile 2", false},
        {"b710,Bau AG,12345,Köln,Ring 1,,bau-west", "Dienst bau-west unbekannt", false},
        {"b711,Bau \"AG\",12345,Köln,Ring 1,,", "Anführungszeichen mitten im Feld", false},
        {"\"b712\"x,Bau AG,12345,Köln,Ring 1,,", "Zeichen nach dem schließenden Anführungszeichen", false},
        {"b713,Bau AG,12345,Köln,Ring 1,\"zwei\nZeilen\",", "keinen Zeilenumbruch", false},
        {"b714,Bau AG,12345,Köln,Ring 1," + std::string(2000, 'x') + ",", "Feld länger als 1024 Bytes",
         false},
        {"b715,Bau AG,12345,Köln,Ring 1," + std::string(101, 'x') + ",", "höchstens 100 Zeichen", false},
        {"b716,Bau AG,12345,Köln,Ring 1,\"Null@Byte\",", "kein gültiger UTF-8-Text", false},
        {"b717" + std::string(100, ','), "mehr als 16 Felder", false},
        {"b718,Bau AG,12345,Köln,Ring 1,Kennwort,bau-nord\r", "B718", true},         // CR LF ends the record
        {"\"b719,Bau AG,12345,Köln,Ring 1,,", "Anführungszeichen aus Zeile", false}, // to the end of the text
    };
    std::string text = kHeader;
    std::vector<std::size_t> lines;
    std::size_t line = 2;
    for (const Case& c : cases) {
        lines.push_back(line);
        text += c.record + "\n";
        line += static_cast<std::size_t>(std::ranges::count(c.record, '\n')) + 1;
        if (c.record.starts_with("b714")) {
            text += "\n"; // an empty line holds no record, but counts
            ++line;
        }
    }
    text[text.find("Null@") + 4] = '\0';

    const TBatchFile file = Parse(text);
    std::map<std::size_t, std::string> installed;
    for (const TBatchTenant& tenant : file.tenants)
        installed[tenant.lineNumber] = tenant.tenantCode;
    std::map<std::size_t, std::string> refused;
    for (const TBatchLineError& error : file.errors)
        refused[error.lineNumber] = error.message;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].record);
        if (cases[i].installed) {
            EXPECT_EQ(installed[lines[i]], cases[i].tenantOrError);
        } else {
            EXPECT_THAT(refused[lines[i]], HasSubstr(cases[i].tenantOrError));
        }
    }
    EXPECT_EQ(installed.size() + refused.size(), cases.size());
}

TEST(BatchFileTest, TakesTheFieldsAsWritten) {
    const TBatchFile file = Parse(kHeader + "b703,\"Müller, Söhne & \"\"Partner\"\"\",12345,Köln,\"Ring 1\r\n"
                                            "Hinterhaus\",\"geh,eim\",bau-süd\r\n"
                                            "b704,Bau AG,12345,Köln,Ring 1,,\r\n");
    ASSERT_EQ(file.tenants.size(), 2u);
    const TBatchTenant& quoted = file.tenants[0];
    EXPECT_EQ(quoted.masterData.licensee, "Müller, Söhne & \"Partner\"");
    EXPECT_EQ(quoted.masterData.street, "Ring 1\r\nHinterhaus");
    EXPECT_EQ(quoted.password, "geh,eim");
    EXPECT_EQ(quoted.service, "bau-süd");
    EXPECT_EQ(file.tenants[1].lineNumber, 4u);
    EXPECT_EQ(file.tenants[1].password, std::nullopt);
    EXPECT_EQ(file.tenants[1].service, std::nullopt);
}

TEST(BatchFileTest, ReadsAHeaderInAnyOrderWithoutTheOptionalColumns) {
    const TBatchFile file =
        Parse("\xEF\xBB\xBF Street ,city,postal_code,licensee,TENANT\nRing 1,Köln,12345,Bau AG,b701\n");
    ASSERT_EQ(file.tenants.size(), 1u);
    EXPECT_EQ(file.tenants[0].tenantCode, "B701");
    EXPECT_EQ(file.tenants[0].masterData.street, "Ring 1");
    EXPECT_EQ(file.tenants[0].masterData.licensee, "Bau AG");
}

TEST(BatchFileTest, RefusesAFileWithoutAUsableHeader) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "leer"},
        {"\n\n", "leer"},
        {"tenant,licensee,postal_code,city\n", "fehlt die Spalte street"},
        {"tenant,licensee,postal_code,city,street,comment\n", "unbekannte Spalte in der Batchdatei: comment"},
        {"tenant,licensee,postal_code,city,street,city\n", "Spalte city steht zweimal"},
        {"tenant,\"licensee\n", "Kopfzeile der Batchdatei: Anführungszeichen aus Zeile 1 nicht geschlossen"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            Parse(text);
            ADD_FAILURE() << "accepted";
        } catch (const cli::EUsageError& e) {
            EXPECT_THAT(e.what(), HasSubstr(message));
        }
    }
}

// Hostile files cost no more than their size: an unclosed quote over megabytes is one error, a
// file beyond the limit is not read.
TEST(BatchFileTest, BoundsWhatAHostileFileCosts) {
    const TBatchFile unclosed = Parse(kHeader + "\"" + std::string(3 * 1024 * 1024, '\n'));
    ASSERT_EQ(unclosed.errors.size(), 1u);
    EXPECT_THAT(unclosed.errors[0].message, HasSubstr("Feld länger als"));
    EXPECT_TRUE(unclosed.tenants.empty());

    const test::TempFile tooLarge(kHeader + std::string(kMaxBatchFileBytes, '\n'));
    EXPECT_THROW(ReadBatchFile(tooLarge.path(), KnownServices), cli::EUsageError);
    EXPECT_THROW(ReadBatchFile("/nonexistent/batch.csv", KnownServices), cli::EUsageError);
    const std::string record = kHeader + "b701,Bau AG,12345,Köln,Ring 1,,";
    const test::TempFile atLimit(record + std::string(kMaxBatchFileBytes - record.size(), '\n'));
    EXPECT_EQ(ReadBatchFile(atLimit.path(), KnownServices).tenants.size(), 1u);
}

TEST(BatchPasswordsTest, GeneratesStrongDistinctPasswordsTheInstallerAccepts) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string password = GeneratePassword();
        ASSERT_EQ(password.size(), 20u);
        EXPECT_EQ(password.find_first_not_of("ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789"),
                  std::string::npos)
            << password;
        EXPECT_EQ(InputRefusal("B701", password, {"Bau AG", "12345", "Köln", "Ring 1"}), std::nullopt);
        seen.insert(password);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(BatchPasswordsTest, WritesANewFileOnlyItsOwnerReadsAndNeverOverwritesOne) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velmora-batch-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "passwords.csv";
    {
        TPasswordsFile file(path);
        file.Add("B701", "abc");
        file.Add("B702", "def");
    }
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "tenant,password\nB701,abc\nB702,def\n");

    try {
        TPasswordsFile again(path);
        ADD_FAILURE() << "overwrote";
    } catch (const cli::EUsageError& e) {
        EXPECT_THAT(e.what(), HasSubstr("gibt es schon"));
    }
    std::filesystem::create_symlink(path, folder / "link.csv");
    EXPECT_THROW(TPasswordsFile(folder / "link.csv"), cli::EUsageError);
    std::ifstream after(path);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), text);
    std::filesystem::remove_all(folder);
}

// Waits (bounded) until the process has ended and returns its status.
int Finish(TInstallProcess& process) {
    for (int i = 0; i < 500; ++i) {
        pollfd descriptor{process.OutputDescriptor(), POLLIN, 0};
        if (descriptor.fd >= 0)
            poll(&descriptor, 1, 20);
        process.ReadOutput();
        if (const auto status = process.ExitStatus())
            return *status;
    }
    ADD_FAILURE() << "still running";
    return -1;
}

// Secrets arrive as inherited descriptors, the environment entries replace the parent's, output
// and error come back together, the status as a shell gives it.
TEST(InstallProcessTest, HandsSecretsThroughDescriptorsAndCollectsTheOutput) {
    setenv("BATCH_TEST_VALUE", "parent", 1);
    TInstallProcess process({"/bin/sh", "-c",
                             "read a </dev/fd/3; read b </dev/fd/4; echo \"$a|$b|$BATCH_TEST_VALUE\"; "
                             "echo Fehler >&2; read c || echo leer; exit 3"},
                            {"BATCH_TEST_VALUE=child"}, {"erstes Geheimnis", "zweites"});
    EXPECT_EQ(Finish(process), 3);
    EXPECT_EQ(process.Output(), "erstes Geheimnis|zweites|child\nFehler\nleer\n");

    TInstallProcess stopped({"/bin/sh", "-c", "echo bereit; exec sleep 30"}, {}, {});
    for (int i = 0; i < 50 && stopped.Output().empty(); ++i) {
        pollfd descriptor{stopped.OutputDescriptor(), POLLIN, 0};
        poll(&descriptor, 1, 1000);
        stopped.ReadOutput();
    }
    stopped.Signal(SIGTERM);
    EXPECT_EQ(Finish(stopped), 128 + SIGTERM);

    TInstallProcess missing({"/nonexistent/program"}, {}, {});
    EXPECT_EQ(Finish(missing), 127);
    EXPECT_THAT(missing.Output(), HasSubstr("nicht startbar"));
}

TEST(BatchSummaryTest, CountsTheWorstRunAndListsBadLinesInOrder) {
    std::vector<TBatchRun> runs = {{5, "B705", TBatchRun::TKind::Run, 0, 1.5, true, ""},
                                   {2, "B702", TBatchRun::TKind::Run, 3, 2.0, false, ""}};
    EXPECT_EQ(WorstExitStatus(runs), 3);
    runs = WithInvalidLines(runs, {{4, "B-04", "Der Mandant muss ..."}});
    EXPECT_EQ(runs[0].tenantCode, "B702");
    EXPECT_EQ(runs[1].tenantCode, "B-04");
    EXPECT_EQ(WorstExitStatus(runs), 3);
    runs[0].exitStatus = 0;
    EXPECT_EQ(WorstExitStatus(runs), 2);
    runs.push_back({9, "B709", TBatchRun::TKind::Run, 130, 0.5, false, ""});
    EXPECT_EQ(WorstExitStatus(runs), 130);
    std::ostringstream summary;
    WriteSummary(summary, runs);
    EXPECT_EQ(summary.str(), "Mandant  Zeile  Ergebnis                Sekunden\n"
                             "B702         2  installiert                  2.0\n"
                             "B-04         4  fehlerhafte Zeile              -\n"
                             "B705         5  installiert                  1.5\n"
                             "B709         9  unterbrochen (Signal 2)      0.5\n");
}

} // namespace
