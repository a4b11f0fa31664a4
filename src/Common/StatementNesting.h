#pragma once

#include "Common/CRParser.h"

#include <cstddef>

namespace velmora {

// What a statement being assembled holds open, read from its tokens one by one: while anything is
// open, a delimiter belongs to the statement instead of ending it. Open are parentheses and
// brackets (the actions of a rule, a subquery), the body of a routine written in SQL
// (CREATE [OR REPLACE] FUNCTION|PROCEDURE ... BEGIN ATOMIC ... END, in which BEGIN and CASE nest
// up to their END), and a last token that the text ended inside of (a comment, a string, a quoted
// identifier). What the server cannot close it refuses, so such a statement must never run in pieces.
class TStatementNesting {
public:
    // Forgets everything: the next token opens a new statement.
    void Reset() { *this = TStatementNesting(); }
    // Takes the statement's next token, blanks and comments included.
    void Take(const TToken& token);

    bool IsOpen() const { return depth_ > 0 || bodyDepth_ > 0 || unclosed_ != '\0'; }
    // Why a statement that the text ends inside of cannot run, for its error message.
    const char* OpenReason() const;

private:
    // How far the statement's first words match CREATE [OR REPLACE] FUNCTION|PROCEDURE.
    enum class THead { Start, Create, CreateOr, CreateOrReplace, Routine, Other };

    void TakeWord(std::string_view word);
    void TakeRoutineWord(std::string_view word);

    THead head_ = THead::Start;
    std::size_t depth_ = 0;     // parentheses and brackets
    std::size_t bodyDepth_ = 0; // the atomic body with the BEGIN and CASE blocks inside it
    bool afterBegin_ = false;   // the last word was a BEGIN that may open the body
    char unclosed_ = '\0';      // the first character of an unclosed last token
};

} // namespace velmora
