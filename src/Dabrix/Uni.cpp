#include "Dabrix/Uni.h"

#include "Common/AsciiText.h"

namespace velmora {
namespace {

// Whether an option line "<name>=<value>" is about the option of that name.
bool NamesOption(std::string_view line, std::string_view qualifiedName) {
    return EqualsIgnoringAsciiCase(line.substr(0, line.find('=')), qualifiedName);
}

} // namespace

EUniError::EUniError(const EDAError& error, std::exception_ptr inner)
    : EDAError(error.Message(), error.ErrorCode(), std::move(inner)), fatal_(error.IsFatalError()),
      keyViolation_(error.IsKeyViolation()), sqlState_(error.SqlState()), inDoubt_(error.IsInDoubt()) {
    SetComponent(error.Component());
}

void TUniConnection::SetProviderName(std::string name) {
    if (name == providerName_)
        return;
    // The provider connection belongs to the old provider.
    ReleaseIConnection();
    providerName_ = std::move(name);
}

void TUniConnection::SetPort(int port) {
    ChangeConnectParameter(port_, port);
}

void TUniConnection::SetDatabase(std::string database) {
    ChangeConnectParameter(database_, std::string(TrimBlanks(database)));
}

std::optional<std::string> TUniConnection::SpecificOption(std::string_view name) const {
    const std::string qualifiedName = providerName_ + "." + std::string(name);
    for (const std::string& line : specificOptions_) {
        if (const auto equals = line.find('=');
            equals != std::string::npos && NamesOption(line, qualifiedName))
            return line.substr(equals + 1);
    }
    return std::nullopt;
}

void TUniConnection::SetSpecificOption(std::string_view name, const std::string& value) {
    const std::string qualifiedName = providerName_ + "." + std::string(name);
    std::erase_if(specificOptions_,
                  [&](const std::string& line) { return NamesOption(line, qualifiedName); });
    specificOptions_.push_back(qualifiedName + "=" + value);
}

const TUniProvider& TUniConnection::Provider() const {
    if (providerName_.empty())
        throw EDatabaseError("Provider is not defined");
    const TUniProvider* provider = FindUniProvider(providerName_);
    if (provider == nullptr)
        throw EDatabaseError("Provider " + providerName_ + " is not registered");
    return *provider;
}

std::unique_ptr<TCRConnection> TUniConnection::CreateIConnection() {
    return Provider().CreateConnection();
}

void TUniConnection::AssignConnectValues(TCRConnection& connection) const {
    connection.SetDatabase(database_);
    connection.SetPort(port_);
    Provider().SetConnectionOptions(connection, specificOptions_);
    TCustomDAConnection::AssignConnectValues(connection);
}

void TUniConnection::ThrowComponentError(const EDAError& error) {
    throw EUniError(error, std::current_exception());
}

} // namespace velmora
