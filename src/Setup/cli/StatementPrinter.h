#pragma once

#include "Common/StatementObserver.h"

#include <ostream>

namespace velmora::cli {

// Prints a run's statements as PgStatementEcho writes them, secrets masked: those a dry run keeps
// from the server always, and with echo also those that are sent, each just before it leaves. A
// dry run's log-on is printed as a comment line. Several printers may share one stream: each
// statement is written whole.
class TStatementPrinter : public TStatementObserver {
public:
    TStatementPrinter(std::ostream& out, bool echo) : out_(out), echo_(echo) {}

    void Statement(const TParsedSQL& sql, const TDAParams& params, bool withheld) override;
    void LogOnWithheld(const TCustomDAConnection& connection) override;

private:
    void Print(const std::string& text);

    std::ostream& out_;
    bool echo_;
};

} // namespace velmora::cli
