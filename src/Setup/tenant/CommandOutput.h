#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

namespace velmora::tenant {

// Where a subcommand's output goes. With --json, one JSON document goes to standard output and the
// human text to standard error, so that a script reads the document alone; without it, the text
// goes to standard output. Errors and warnings always go to standard error.
class TCommandOutput {
public:
    // textOnTerminal: whether the human text reaches a terminal (a table then, lines for scripts else).
    TCommandOutput(bool json, std::ostream& out, std::ostream& err, bool textOnTerminal = false)
        : json_(json), out_(out), err_(err), textOnTerminal_(textOnTerminal) {}

    bool Json() const { return json_; }
    std::ostream& Text() { return json_ ? err_ : out_; }
    bool TextOnTerminal() const { return textOnTerminal_; }
    std::ostream& Errors() { return err_; }

    // Writes the run's document, when JSON was asked for; a run writes one at most.
    void Document(const nlohmann::json& document);
    bool DocumentWritten() const { return documentWritten_; }

private:
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
    bool textOnTerminal_;
    bool documentWritten_ = false;
};

} // namespace velmora::tenant
