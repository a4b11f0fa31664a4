#include "Setup/ClusterChecks.h"

#include "Common/Exceptions.h"
#include "Setup/StatementTemplates.h"
#include "Setup/TenantInput.h"

#include <charconv>
#include <chrono>
#include <thread>

namespace velmora {
namespace {

const std::string kTemplate = "template1";
// How long other sessions on template1 are waited for: 20 times 100 ms.
constexpr int kSessionWaits = 20;
constexpr std::chrono::milliseconds kSessionWait{100};

} // namespace

std::optional<std::string> TClusterChecks::Run() {
    const auto rows = admin_.SelectRows(
        "SELECT pg_encoding_to_char(encoding) FROM pg_database WHERE datname = 'template1'");
    if (rows.size() != 1)
        throw EDatabaseError("Der Server hat keine Vorlage template1, aus der die Datenbank des Mandanten "
                             "angelegt werden kann. Es wurde nichts verändert");
    const std::string& encoding = rows.front()[0];
    if (encoding == "UTF8") {
        CheckTemplate1();
        return std::nullopt;
    }
    // template0 is never connected to and holds nothing but the server's own objects.
    std::optional<std::string> locale = Utf8Locale();
    if (!locale)
        throw EDatabaseError(
            "Die Vorlage template1 des Servers ist nicht UTF-8 (" + encoding +
            "), und der Server kennt keine UTF-8-Locale, mit der die Datenbank des Mandanten "
            "aus template0 angelegt werden könnte. Bitte auf dem Server eine UTF-8-Locale "
            "einrichten (zum Beispiel C.UTF-8). Es wurde nichts verändert");
    return locale;
}

std::optional<std::string> TClusterChecks::Utf8Locale() {
    const auto rows = admin_.SelectRows(
        "SELECT c.collcollate FROM pg_collation c, pg_database t WHERE t.datname = 'template1' "
        "AND c.collprovider = 'c' AND c.collencoding = pg_char_to_encoding('UTF8') "
        "AND c.collcollate = c.collctype AND c.collcollate ~* '[.]utf-?8$' "
        "ORDER BY split_part(c.collcollate, '.', 1) <> split_part(t.datcollate, '.', 1), "
        "split_part(c.collcollate, '.', 1) <> 'C', c.collcollate LIMIT 1");
    if (rows.empty())
        return std::nullopt;
    return rows.front().front();
}

int TClusterChecks::Count(const std::string& sql) {
    const auto rows = admin_.SelectRows(sql);
    int count = 0;
    const std::string& text = rows.empty() ? std::string() : rows.front().front();
    if (std::from_chars(text.data(), text.data() + text.size(), count).ec != std::errc())
        throw EDatabaseError("Unexpected server response");
    return count;
}

void TClusterChecks::CheckTemplate1() {
    if (admin_.Database() == kTemplate)
        throw EDatabaseError(
            "Die Anmeldung ist mit der Vorlage template1 verbunden, aus der die Datenbank des "
            "Mandanten angelegt wird. Bitte mit einer anderen Datenbank anmelden, zum Beispiel "
            "postgres. Es wurde nichts verändert");
    // A session that only looks at the template is gone within moments; CREATE DATABASE waits a
    // few seconds for such sessions as well. Autovacuum's workers do not count: CREATE DATABASE
    // ends them itself.
    const std::string sessions = "SELECT count(*) FROM pg_stat_activity WHERE datname = 'template1' "
                                 "AND backend_type = 'client backend'";
    int count = Count(sessions);
    for (int wait = 0; count > 0 && wait < kSessionWaits; ++wait) {
        std::this_thread::sleep_for(kSessionWait);
        count = Count(sessions);
    }
    if (count > 0)
        throw EDatabaseError("Mit der Vorlage template1 " +
                             std::string(count == 1 ? "ist eine andere Sitzung"
                                                    : "sind " + std::to_string(count) + " andere Sitzungen") +
                             " verbunden; solange kann der Server keine Datenbank aus ihr anlegen. Bitte "
                             "diese Sitzungen beenden "
                             "und die Installation wiederholen. Es wurde nichts verändert");
}

bool InheritedSchemaTrevix(TUniConnection& tenantDatabase) {
    const auto rows = tenantDatabase.SelectRows("SELECT count(*) FROM pg_namespace WHERE nspname = 'trevix'");
    if (rows.size() != 1)
        throw EDatabaseError("Unexpected server response");
    return rows.front().front() != "0";
}

std::string DatabaseEncodingLine(const std::optional<std::string>& template0Locale) {
    const std::string_view stored = kDatabaseTemplate[4];
    if (!template0Locale)
        return std::string(stored);
    // The locale's name is quoted by the password's literal rule, which keeps any text as it is.
    return std::string(stored) + " TEMPLATE = template0 LC_COLLATE = " + PasswordLiteral(*template0Locale) +
           " LC_CTYPE = " + PasswordLiteral(*template0Locale);
}

} // namespace velmora
