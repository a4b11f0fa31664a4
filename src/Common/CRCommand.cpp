#include "Common/CRCommand.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool CanNameParam(TTokenClass tokenClass) {
    return tokenClass == TTokenClass::Identifier || tokenClass == TTokenClass::Keyword ||
           tokenClass == TTokenClass::Number;
}

// The name a parameter reference gives: a quoted identifier loses its quotes.
std::string ParamName(std::string_view text) {
    if (text.empty() || text.front() != '"')
        return std::string(text);
    text.remove_prefix(1);
    if (!text.empty() && text.back() == '"')
        text.remove_suffix(1);
    return std::string(text);
}

// Builds the rewritten text token by token.
class TParamRewriter {
public:
    explicit TParamRewriter(const std::function<std::string(std::size_t)>& placeholder)
        : placeholder_(placeholder) {}

    void Copy(const TToken& token) {
        Begin(token);
        result_.Text += token.Text;
    }

    // A dropped comment must not glue the tokens around it together.
    void DropComment() {
        separate_ = separate_ || (!result_.Text.empty() && !IsBlankChar(result_.Text.back()));
    }

    void Reference(const TToken& colon, const TToken& nameToken) {
        Begin(colon);
        const std::string name = ParamName(nameToken.Text);
        auto& names = result_.ParamNames;
        const auto found = std::find_if(names.begin(), names.end(),
                                        [&](const std::string& known) { return SameParamName(known, name); });
        const auto index = static_cast<std::size_t>(found - names.begin());
        if (found == names.end())
            names.push_back(name);
        const std::size_t start = result_.Text.size();
        result_.Text += placeholder_(index + 1);
        result_.Placeholders.push_back({start, result_.Text.size(), index});
    }

    TParsedSQL Finish() { return std::move(result_); }

private:
    void Begin(const TToken& token) {
        if (std::exchange(separate_, false) && token.Class != TTokenClass::Blank)
            result_.Text += ' ';
        if (!started_ && token.Class != TTokenClass::Blank) {
            started_ = true;
            result_.IsQuery = token.Class == TTokenClass::Keyword && token.Text == "SELECT";
        }
    }

    const std::function<std::string(std::size_t)>& placeholder_;
    TParsedSQL result_;
    bool started_ = false;
    bool separate_ = false;
};

} // namespace

TParserOptions SQLParamScanOptions() {
    TParserOptions options;
    options.Uppered = true;
    options.QuotedString = true;
    options.AdvancedStringParsing = true;
    return options;
}

TParsedSQL ParseSQLParams(TParser& lexer, bool paramCheck,
                          const std::function<std::string(std::size_t number)>& placeholder) {
    TParamRewriter rewriter(placeholder);
    for (TToken token = lexer.GetNext(); token.Class != TTokenClass::End; token = lexer.GetNext()) {
        if (token.Class == TTokenClass::Comment) {
            rewriter.DropComment();
            continue;
        }
        if (!paramCheck || token.Class != TTokenClass::Symbol || token.Text != ":") {
            rewriter.Copy(token);
            continue;
        }
        const TToken next = lexer.GetNext();
        if (CanNameParam(next.Class)) {
            rewriter.Reference(token, next);
            continue;
        }
        // Not a reference: the ":" and what follows it stay as they are, so the second ":" of a
        // "::" cast is never taken for the start of another reference.
        rewriter.Copy(token);
        if (next.Class == TTokenClass::End)
            break;
        if (next.Class == TTokenClass::Comment)
            rewriter.DropComment();
        else
            rewriter.Copy(next);
    }
    return rewriter.Finish();
}

void TCRCommand::SetSQL(TParsedSQL sql) {
    sql_ = std::move(sql);
    params_.clear();
    for (const std::string& name : sql_.ParamNames)
        params_.push_back({name, TFieldType::ftUnknown, std::nullopt});
}

void TCRCommand::AssignParamValues(const TDAParams& params) {
    std::erase_if(params_, [&](TParamDesc& desc) {
        const TDAParam* param = params.FindParam(desc.Name);
        if (param == nullptr)
            return true;
        desc.DataType = param->DataType();
        desc.Value = param->Value();
        return false;
    });
}

} // namespace velmora
