#pragma once

#include "Common/DBAccess.h"
#include "Dabrix/UniProvider.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What connections, statements and queries raise in place of a provider's database error: the same
// message, code and component, with the provider's error kept as the inner one.
class EUniError : public EDAError {
public:
    EUniError(const EDAError& error, std::exception_ptr inner);

    bool IsFatalError() const override { return fatal_; }
    bool IsKeyViolation() const override { return keyViolation_; }
    std::string SqlState() const override { return sqlState_; }
    bool IsInDoubt() const override { return inDoubt_; }

private:
    bool fatal_;
    bool keyViolation_;
    std::string sqlState_;
    bool inDoubt_;
};

// The connection component: a connection through the registered provider named by ProviderName.
class TUniConnection : public TCustomDAConnection {
public:
    const std::string& ProviderName() const { return providerName_; }
    void SetProviderName(std::string name);
    // The TCP port; 0 means the provider's default.
    int Port() const { return port_; }
    void SetPort(int port);
    const std::string& Database() const { return database_; }
    // Stores the name without surrounding blanks.
    void SetDatabase(std::string database);
    // Provider options, one "<ProviderName>.<option>=<value>" per line; changes take effect at the
    // next connect.
    std::vector<std::string>& SpecificOptions() { return specificOptions_; }
    const std::vector<std::string>& SpecificOptions() const { return specificOptions_; }
    // One provider option, named without the "<ProviderName>." before it: the value of the first
    // line that names it, ignoring case, as the provider reads it; none when no line does.
    std::optional<std::string> SpecificOption(std::string_view name) const;
    // Sets one provider option: a line of its own in place of every line that named it.
    void SetSpecificOption(std::string_view name, const std::string& value);
    // The registered provider named by ProviderName; raises EDatabaseError when there is none.
    const TUniProvider& Provider() const;

protected:
    std::unique_ptr<TCRConnection> CreateIConnection() override;
    void AssignConnectValues(TCRConnection& connection) const override;
    void ThrowComponentError(const EDAError& error) override;

private:
    std::string providerName_;
    int port_ = 0;
    std::string database_;
    std::vector<std::string> specificOptions_;
};

} // namespace velmora
