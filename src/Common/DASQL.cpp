#include "Common/DASQL.h"

namespace velmora {

EDatabaseError ComponentError(const std::string& componentName, const std::string& message) {
    return EDatabaseError(componentName.empty() ? message : componentName + ": " + message);
}

TCustomDASQL::TCustomDASQL(std::string name) : name_(std::move(name)) {
    sql_.OnChange = [this] { SQLChanged(); };
}

void TCustomDASQL::SQLChanged() {
    parsed_.reset();
    iCommandHasSQL_ = false;
}

void TCustomDASQL::SetParamCheck(bool value) {
    if (value == paramCheck_)
        return;
    paramCheck_ = value;
    SQLChanged();
}

TCustomDASQL::~TCustomDASQL() = default;

void TCustomDASQL::SetConnection(TCustomDAConnection* connection) {
    if (connection == connection_)
        return;
    connection_ = connection;
    DropICommand();
}

// A prepared statement of the old connection dies with its session; nothing is sent for it.
void TCustomDASQL::DropICommand() {
    iCommand_.reset();
    iCommandHasSQL_ = false;
}

const TParsedSQL& TCustomDASQL::Parsed() const {
    if (!parsed_) {
        parsed_ = ParseSQL(sql_.TrimmedText(), paramCheck_);
        params_.Rebuild(parsed_->ParamNames);
    }
    return *parsed_;
}

const TDAParams& TCustomDASQL::Params() const {
    Parsed();
    return params_;
}

TDAParam& TCustomDASQL::ParamByName(std::string_view name) const {
    TDAParam* param = Params().FindParam(name);
    if (param == nullptr)
        throw ComponentError(name_, "Parameter '" + std::string(name) + "' nicht gefunden");
    return *param;
}

template <class Work>
void TCustomDASQL::Reporting(Work work) {
    try {
        work();
    } catch (EDAError& error) {
        error.SetComponent(name_);
        connection_->HandleDatabaseError(error);
    }
}

void TCustomDASQL::Execute() {
    if (connection_ == nullptr)
        throw EDatabaseError("Connection is not defined");
    if (!connection_->Sending(Parsed(), params_)) {
        rowsAffected_ = 0;
        return;
    }
    connection_->InternalConnect();
    // Not a scope guard: the disconnect may run the application's events, which may throw.
    try {
        RunICommand(*connection_->IConnection());
    } catch (...) {
        connection_->InternalDisconnect();
        throw;
    }
    connection_->InternalDisconnect();
}

void TCustomDASQL::RunICommand(TCRConnection& iConnection) {
    rowsAffected_ = 0;
    if (!iCommand_)
        iCommand_ = CreateICommand(*connection_);
    if (!iCommandHasSQL_) {
        if (iCommand_->Prepared())
            iCommand_->Unprepare(iConnection);
        iCommand_->SetSQL(*parsed_);
        iCommandHasSQL_ = true;
    }
    iCommand_->AssignParamValues(params_);
    Reporting([&] { iCommand_->Execute(iConnection); });
    rowsAffected_ = iCommand_->RowsAffected();
}

void TCustomDASQL::Send(TCRPipeline& pipeline) {
    // A dry run never pipelines (see TDAScript), so every statement here is sent.
    connection_->Sending(Parsed(), params_);
    pipeline.Send(Parsed());
}

void TCustomDASQL::Receive(TCRPipeline& pipeline) {
    rowsAffected_ = 0;
    Reporting([&] { rowsAffected_ = pipeline.Receive(); });
}

} // namespace velmora
