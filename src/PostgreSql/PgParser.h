#pragma once

#include "Common/CRParser.h"

namespace velmora {

// The PostgreSQL dialect: dollar-quoted strings, escape strings opened by E or e and the dialect's
// keyword list.
class TPgParser : public TSQLParser {
public:
    explicit TPgParser(std::string_view text, const TParserOptions& options = {});

protected:
    bool ReadSpecialToken(TToken& token) override;
    bool IsEscapeString() const override;

private:
    TToken ReadDollarQuoted();
};

} // namespace velmora
