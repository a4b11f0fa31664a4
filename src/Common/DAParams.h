#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The declared data type of a parameter.
enum class TFieldType { ftUnknown, ftString, ftWideString, ftFixedChar, ftFixedWideChar };

// One ":name" parameter of a statement: its name, declared type and value. A parameter is null
// until it gets a value; an empty text is a value.
class TDAParam {
public:
    explicit TDAParam(std::string name, TFieldType dataType = TFieldType::ftUnknown)
        : name_(std::move(name)), dataType_(dataType) {}

    const std::string& Name() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType dataType) { dataType_ = dataType; }

    bool IsNull() const { return !value_.has_value(); }
    // Whether the program has given the parameter a value.
    bool Bound() const { return bound_; }
    const std::optional<std::string>& Value() const { return value_; }
    // A value of the declared type; nullopt makes the parameter null.
    void SetValue(std::optional<std::string> value);

    std::string AsString() const { return value_.value_or(std::string()); }
    // Stores text as a (wide) string value.
    void SetAsString(std::string text);

private:
    std::string name_;
    TFieldType dataType_;
    std::optional<std::string> value_;
    bool bound_ = false;
};

// Whether two parameter names are the same: ASCII letters compare without regard to case.
bool SameParamName(std::string_view a, std::string_view b);

// The parameters of one statement, in the order their names first appear in its text. Names are
// unique without regard to case. A parameter keeps its address as long as its name stays in the
// text.
class TDAParams {
public:
    std::size_t Count() const { return items_.size(); }
    TDAParam& operator[](std::size_t index) const { return *items_.at(index); }

    // The parameter of that name, or nullptr.
    TDAParam* FindParam(std::string_view name) const;

    // Makes the list hold one parameter per name, in that order. A parameter whose name stays keeps
    // its type and value; the others are new and null.
    void Rebuild(const std::vector<std::string>& names);

private:
    std::vector<std::unique_ptr<TDAParam>> items_;
};

} // namespace velmora
