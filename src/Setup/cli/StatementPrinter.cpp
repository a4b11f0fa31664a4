#include "Setup/cli/StatementPrinter.h"

#include "Dabrix/Uni.h"
#include "PostgreSql/PgStatementEcho.h"

#include <mutex>

namespace velmora::cli {
namespace {

// Runs at once (batch) may print to the same stream.
std::mutex printing;

} // namespace

void TStatementPrinter::Print(const std::string& text) {
    const std::lock_guard lock(printing);
    out_ << text << std::flush;
}

void TStatementPrinter::Statement(const TParsedSQL& sql, const TDAParams& params, bool withheld) {
    if (withheld || echo_)
        Print(PgStatementEcho(sql.Text, params));
}

void TStatementPrinter::LogOnWithheld(const TCustomDAConnection& connection) {
    std::string where = "auf " + connection.Server();
    if (const auto* uni = dynamic_cast<const TUniConnection*>(&connection)) {
        if (uni->Port() != 0)
            where += ", Port " + std::to_string(uni->Port());
        where = "an der Datenbank " + uni->Database() + " " + where;
    }
    Print("-- Anmeldung als " + connection.Username() + " " + where + " (Probelauf: nicht ausgeführt)\n");
}

} // namespace velmora::cli
