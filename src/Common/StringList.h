#pragma once

#include "Common/Exceptions.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// An index that a line list does not hold.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// A list of text lines indexed from 0, such as a script's or a statement's SQL. Every change calls
// OnChange, so the owner can drop whatever it derived from the old text.
class TStringList {
public:
    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const;

    void Add(std::string line);
    // Inserts line at index (0 to Count), moving the lines from index on down by one.
    void Insert(std::size_t index, std::string line);
    void Delete(std::size_t index);
    void Clear();

    // The lines, each followed by CR LF.
    std::string Text() const;
    // Replaces every line by the lines of text, split at CR LF, CR or LF; a line break at the end
    // of text opens no further line.
    void SetText(std::string_view text);
    // Text without its trailing characters of code 32 and below: the form SQL is run in.
    std::string TrimmedText() const;

    std::function<void()> OnChange;

private:
    void CheckIndex(std::size_t index, std::size_t limit) const;
    void Changed();

    std::vector<std::string> lines_;
};

} // namespace velmora
