#include "PostgreSql/PgClasses.h"

#include "Common/AsciiText.h"
#include "PostgreSql/PgHostSelection.h"
#include "PostgreSql/PgSQLPipeline.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velmora {
namespace {

// The server's reserved key words: a search path names one of them only in double quotes.
// clang-format off
constexpr std::array<std::string_view, 77> reservedKeywords{
    "all", "analyse", "analyze", "and", "any", "array", "as", "asc", "asymmetric", "both", "case",
    "cast", "check", "collate", "column", "constraint", "create", "current_catalog", "current_date",
    "current_role", "current_time", "current_timestamp", "current_user", "default", "deferrable",
    "desc", "distinct", "do", "else", "end", "except", "false", "fetch", "for", "foreign", "from",
    "grant", "group", "having", "in", "initially", "intersect", "into", "lateral", "leading",
    "limit", "localtime", "localtimestamp", "not", "null", "offset", "on", "only", "or", "order",
    "placing", "primary", "references", "returning", "select", "session_user", "some", "symmetric",
    "table", "then", "to", "trailing", "true", "union", "unique", "user", "using", "variadic",
    "when", "where", "window", "with"
};
// clang-format on
static_assert(std::is_sorted(reservedKeywords.begin(), reservedKeywords.end()));

// A string literal; the doubled quote keeps a stray quote in a setting from ending the literal.
std::string QuoteLiteral(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

bool IsPlainIdentifier(std::string_view name) {
    const auto lowerOrUnderscore = [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; };
    const auto inner = [&](char c) { return lowerOrUnderscore(c) || (c >= '0' && c <= '9') || c == '$'; };
    return !name.empty() && lowerOrUnderscore(name.front()) && std::all_of(name.begin(), name.end(), inner) &&
           !std::binary_search(reservedKeywords.begin(), reservedKeywords.end(), name);
}

std::string QuoteIdentifierIfNeeded(std::string_view name) {
    const bool alreadyQuoted = name.size() >= 2 && name.front() == '"' && name.back() == '"';
    if (alreadyQuoted || IsPlainIdentifier(name))
        return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

bool VersionAtLeast(const TPgSQLProtocol& protocol, int major, int minor) {
    const int serverMajor = protocol.MajorServerVersion();
    return serverMajor > major || (serverMajor == major && protocol.MinorServerVersion() >= minor);
}

} // namespace

std::optional<std::string> PgClientEncodingStatement(const TPgConnectionOptions& options,
                                                     std::string_view reportedEncoding, int major,
                                                     int minor) {
    const std::string reported = UpperAscii(reportedEncoding);
    std::string wanted;
    if (options.UseUnicode)
        wanted = major > 8 || (major == 8 && minor >= 1) ? "UTF8" : "UNICODE";
    else if (!options.Charset.empty())
        wanted = options.Charset;
    if (wanted.empty() || UpperAscii(wanted) == reported)
        return std::nullopt;
    return "SET client_encoding=" + QuoteLiteral(wanted);
}

std::string PgSearchPathList(std::string_view schemas) {
    std::string list;
    while (true) {
        const auto comma = schemas.find(',');
        const std::string_view name = TrimBlanks(schemas.substr(0, comma));
        if (!name.empty()) {
            if (!list.empty())
                list += ',';
            list += QuoteIdentifierIfNeeded(name);
        }
        if (comma == std::string_view::npos)
            return list;
        schemas.remove_prefix(comma + 1);
    }
}

TPgSQLConnection::TPgSQLConnection(TCRVioFactory openSocket) : openSocket_(std::move(openSocket)) {}

TPgSQLConnection::~TPgSQLConnection() {
    Disconnect();
}

void TPgSQLConnection::Connect() {
    if (options_.ProtocolVersion == TPgProtocolVersion::pv20)
        throw EDatabaseError("Protocol version 2.0 is not supported");

    TPgConnectParams params;
    static_cast<TPgConnectionOptions&>(params) = options_;
    params.Port = Port() == 0 ? kPgDefaultPort : Port();
    params.Database = Database();
    params.UserName = Username();
    params.Password = Password();

    TPgSelectedSession session =
        TPgHostSelection(openSocket_).Connect(params, Servers(), options_.TargetSession);
    std::unique_ptr<TPgSQLProtocol30>& protocol = session.Protocol;
    try {
        SetUpSession(*protocol);
    } catch (...) {
        protocol->Disconnect();
        throw;
    }
    std::lock_guard lock(protocolMutex_);
    protocol_ = std::move(protocol);
    connectedServer_ = std::move(session.Server);
}

std::vector<TPgServerAddress> TPgSQLConnection::Servers() const {
    TPgConnectionValues values{{"host", Server()}, {"hostaddr", options_.HostAddr}, {"port", options_.Ports}};
    if (options_.Ports.empty() && Port() != 0)
        values["port"] = std::to_string(Port());
    return PgServerAddresses(values);
}

void TPgSQLConnection::SetUpSession(TPgSQLProtocol& protocol) {
    // The queries depend only on the version read at log-on, so they go to the server together.
    // Time limits a role or database may carry as settings (a common guard on shared servers) would
    // break off a long statement of ours, or a lock wait, half way: this session runs without them.
    std::vector<std::string> queries{"SET statement_timeout = 0"};
    if (VersionAtLeast(protocol, 9, 3))
        queries.push_back("SET lock_timeout = 0");
    if (VersionAtLeast(protocol, 9, 6))
        queries.push_back("SET idle_in_transaction_session_timeout = 0");
    if (auto statement =
            PgClientEncodingStatement(options_, protocol.GetServerParameter("client_encoding"),
                                      protocol.MajorServerVersion(), protocol.MinorServerVersion()))
        queries.push_back(std::move(*statement));
    const bool askDateTimes = VersionAtLeast(protocol, 8, 0);
    const bool askBytea = VersionAtLeast(protocol, 9, 0);
    const std::size_t dateTimesAnswer = queries.size();
    if (askDateTimes)
        queries.push_back("show integer_datetimes");
    const std::size_t byteaAnswer = queries.size();
    if (askBytea)
        queries.push_back("show bytea_output");
    if (const std::string searchPath = PgSearchPathList(options_.Schema); !searchPath.empty())
        queries.push_back("SET search_path TO " + searchPath);
    const std::vector<TPgSQLResult> answers = protocol.ExecuteStmts(queries);
    integerDateTimes_ = askDateTimes && Setting(answers[dateTimesAnswer]) == "on";
    byteaOutputHex_ = askBytea && Setting(answers[byteaAnswer]) == "hex";
}

std::string TPgSQLConnection::Setting(const TPgSQLResult& answer) {
    if (answer.Rows.empty() || answer.Rows.front().empty() || !answer.Rows.front().front())
        return {};
    return LowerAscii(*answer.Rows.front().front());
}

void TPgSQLConnection::Disconnect() {
    std::unique_ptr<TPgSQLProtocol> closing;
    {
        std::lock_guard lock(protocolMutex_);
        closing = std::move(protocol_);
    }
    if (closing != nullptr)
        closing->Disconnect();
}

void TPgSQLConnection::Cancel() {
    std::optional<TPgCancelRequest> request;
    {
        std::lock_guard lock(protocolMutex_);
        if (protocol_ != nullptr)
            request = protocol_->CancelRequest();
    }
    // Sent outside the lock: the session's thread may close the session meanwhile, and a request
    // for a session that has ended is answered by nobody and harms nothing.
    if (request)
        request->Send();
}

std::unique_ptr<TCRPipeline> TPgSQLConnection::CreatePipeline() {
    return std::make_unique<TPgSQLPipeline>(Protocol());
}

TPgSQLProtocol& TPgSQLConnection::Protocol() const {
    if (protocol_ == nullptr)
        throw EDatabaseError("The connection is not open");
    return *protocol_;
}

bool TPgSQLConnection::InTransaction() const {
    return protocol_ != nullptr && protocol_->TransactionStatus() != TPgTransactionStatus::Idle;
}

std::vector<std::string> TPgSQLConnection::GetDatabaseNames() {
    return FirstColumn("SELECT datname AS DATABASE_NAME, pg_encoding_to_char(encoding) AS "
                       "DATABASE_CHARSET FROM pg_database ORDER BY datname");
}

std::vector<std::string> TPgSQLConnection::GetRoleNames() {
    return FirstColumn("SELECT rolname FROM pg_catalog.pg_roles ORDER BY rolname");
}

std::vector<std::string> TPgSQLConnection::FirstColumn(const std::string& sql) {
    std::vector<std::string> values;
    for (std::vector<std::string>& row : SelectRows(sql))
        values.push_back(std::move(row.front()));
    return values;
}

std::vector<std::vector<std::string>> TPgSQLConnection::SelectRows(const std::string& sql) {
    const TPgSQLResult result = Protocol().ExecuteStmt(sql);
    // A server that answers without columns has not run this query.
    if (result.Fields.empty())
        throw EPgError(TPgSeverity::sError, "Unexpected server response");
    std::vector<std::vector<std::string>> rows;
    rows.reserve(result.Rows.size());
    for (const TPgSQLRow& row : result.Rows) {
        std::vector<std::string>& values = rows.emplace_back();
        for (const TPgSQLValue& value : row)
            values.push_back(value.value_or(std::string()));
    }
    return rows;
}

} // namespace velmora
