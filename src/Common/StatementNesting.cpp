#include "Common/StatementNesting.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

bool SameWord(std::string_view word, std::string_view lowerCase) {
    return word.size() == lowerCase.size() &&
           std::equal(word.begin(), word.end(), lowerCase.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a) == b; });
}

} // namespace

void TStatementNesting::Take(const TToken& token) {
    if (token.Unclosed)
        unclosed_ = token.Text.empty() ? '\'' : token.Text.front();
    switch (token.Class) {
    case TTokenClass::Blank:
    case TTokenClass::Comment:
    case TTokenClass::End:
        return;
    case TTokenClass::Identifier:
    case TTokenClass::Keyword:
        TakeWord(token.Text);
        return;
    default:
        break;
    }
    if (head_ != THead::Routine)
        head_ = THead::Other;
    afterBegin_ = false;
    if (token.Class != TTokenClass::Symbol)
        return;
    const char symbol = token.Text.front();
    if (symbol == '(' || symbol == '[')
        ++depth_;
    else if ((symbol == ')' || symbol == ']') && depth_ > 0)
        --depth_;
}

void TStatementNesting::TakeWord(std::string_view word) {
    switch (head_) {
    case THead::Start:
        head_ = SameWord(word, "create") ? THead::Create : THead::Other;
        return;
    case THead::Create:
    case THead::CreateOrReplace:
        if (SameWord(word, "function") || SameWord(word, "procedure"))
            head_ = THead::Routine;
        else if (head_ == THead::Create && SameWord(word, "or"))
            head_ = THead::CreateOr;
        else
            head_ = THead::Other;
        return;
    case THead::CreateOr:
        head_ = SameWord(word, "replace") ? THead::CreateOrReplace : THead::Other;
        return;
    case THead::Routine:
        TakeRoutineWord(word);
        return;
    case THead::Other:
        return;
    }
}

// Only words outside parentheses count: a parameter or column may be named begin.
void TStatementNesting::TakeRoutineWord(std::string_view word) {
    const bool afterBegin = std::exchange(afterBegin_, false);
    if (depth_ > 0)
        return;
    if (bodyDepth_ == 0) {
        if (afterBegin && SameWord(word, "atomic"))
            bodyDepth_ = 1;
        else
            afterBegin_ = SameWord(word, "begin");
    } else if (SameWord(word, "begin") || SameWord(word, "case")) {
        ++bodyDepth_;
    } else if (SameWord(word, "end")) {
        --bodyDepth_;
    }
}

const char* TStatementNesting::OpenReason() const {
    switch (unclosed_) {
    case '/':
        return "Unterminated /* comment at the end of the script";
    case '"':
        return "Unterminated quoted identifier at the end of the script";
    case '$':
        return "Unterminated dollar-quoted string at the end of the script";
    case '\0':
        break;
    default:
        return "Unterminated quoted string at the end of the script";
    }
    if (bodyDepth_ > 0)
        return "Unterminated BEGIN ATOMIC body at the end of the script";
    return "Unclosed parenthesis or bracket at the end of the script";
}

} // namespace velmora
