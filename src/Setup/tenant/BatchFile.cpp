#include "Setup/tenant/BatchFile.h"

#include "Common/AsciiText.h"
#include "Setup/cli/CommandLine.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>

namespace velmora::tenant {
namespace {

// No field of a tenant comes near this; a longer one is refused before it is looked at.
constexpr std::size_t kMaxFieldBytes = 1024;
// More fields than any header may name; the rest of such a record is not kept.
constexpr std::size_t kMaxFields = 16;

// One record of the file as it was written: its fields, or why it could not be read.
struct TCsvRecord {
    std::size_t lineNumber = 0;
    std::vector<std::string> fields;
    std::optional<std::string> malformed;
};

// Records of CSV text: fields separated by commas, records by LF or CR LF; a field in quotes may
// hold commas, line breaks and quotes written twice. A malformed record ends at the end of its
// line (an unclosed quote at the end of the text), so that the next record is read as written.
class TCsvReader {
public:
    explicit TCsvReader(std::string_view text) : text_(text) {}

    std::optional<TCsvRecord> Next() {
        while (!AtEnd() && AtLineBreak())
            SkipLineBreak(); // empty lines hold no record
        if (AtEnd())
            return std::nullopt;
        TCsvRecord record{line_, {}, std::nullopt};
        for (;;) {
            std::string field;
            if (auto problem = ReadField(field)) {
                record.malformed = std::move(problem);
                SkipRestOfLine();
                return record;
            }
            if (record.fields.size() < kMaxFields)
                record.fields.push_back(std::move(field));
            else
                record.malformed = "mehr als " + std::to_string(kMaxFields) + " Felder";
            if (AtEnd() || AtLineBreak()) {
                if (!AtEnd())
                    SkipLineBreak();
                return record;
            }
            ++at_; // the comma
        }
    }

private:
    bool AtEnd() const { return at_ == text_.size(); }
    bool AtLineBreak() const {
        return text_[at_] == '\n' || (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n');
    }
    void SkipLineBreak() {
        at_ += text_[at_] == '\r' ? 2 : 1;
        ++line_;
    }
    void SkipRestOfLine() {
        while (!AtEnd() && !AtLineBreak())
            ++at_;
        if (!AtEnd())
            SkipLineBreak();
    }

    // Reads one field up to the comma or line break after it; the problem when it is malformed.
    std::optional<std::string> ReadField(std::string& field) {
        if (!AtEnd() && text_[at_] == '"')
            return ReadQuotedField(field);
        while (!AtEnd() && text_[at_] != ',' && !AtLineBreak()) {
            if (text_[at_] == '"')
                return "Anführungszeichen mitten im Feld (Felder mit Anführungszeichen stehen ganz in "
                       "Anführungszeichen, innere werden verdoppelt)";
            if (!Append(field, text_[at_++]))
                return TooLong();
        }
        return std::nullopt;
    }

    std::optional<std::string> ReadQuotedField(std::string& field) {
        const std::size_t openedOn = line_;
        ++at_;
        for (;;) {
            if (AtEnd())
                return "Anführungszeichen aus Zeile " + std::to_string(openedOn) + " nicht geschlossen";
            const char c = text_[at_++];
            if (c == '"') {
                if (AtEnd() || text_[at_] != '"')
                    break;
                ++at_; // a quote written twice
            } else if (c == '\n') {
                ++line_;
            }
            if (!Append(field, c))
                return TooLong();
        }
        if (!AtEnd() && text_[at_] != ',' && !AtLineBreak())
            return "Zeichen nach dem schließenden Anführungszeichen";
        return std::nullopt;
    }

    static bool Append(std::string& field, char c) {
        if (field.size() == kMaxFieldBytes)
            return false;
        field += c;
        return true;
    }
    static std::string TooLong() { return "Feld länger als " + std::to_string(kMaxFieldBytes) + " Bytes"; }

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

enum class TColumn { Tenant, Licensee, PostalCode, City, Street, Password, Service };

constexpr std::array<std::pair<std::string_view, TColumn>, 7> kColumns{{
    {"tenant", TColumn::Tenant},
    {"licensee", TColumn::Licensee},
    {"postal_code", TColumn::PostalCode},
    {"city", TColumn::City},
    {"street", TColumn::Street},
    {"password", TColumn::Password},
    {"service", TColumn::Service},
}};

constexpr std::size_t kRequiredColumns = 5; // the first five of kColumns

// Where each column stands in the records, from the header.
class THeader {
public:
    explicit THeader(const std::optional<TCsvRecord>& record) {
        if (!record)
            throw cli::EUsageError("die Batchdatei ist leer; ihre erste Zeile nennt die Spalten");
        if (record->malformed)
            throw cli::EUsageError("Kopfzeile der Batchdatei: " + *record->malformed);
        for (std::size_t i = 0; i < record->fields.size(); ++i) {
            const std::string name = LowerAscii(TrimBlanks(record->fields[i]));
            const auto known =
                std::ranges::find(kColumns, name, &std::pair<std::string_view, TColumn>::first);
            if (known == kColumns.end())
                throw cli::EUsageError("unbekannte Spalte in der Batchdatei: " + record->fields[i] + " (" +
                                       ColumnList() + ")");
            if (!positions_.emplace(known->second, i).second)
                throw cli::EUsageError("Spalte " + name + " steht zweimal in der Kopfzeile der Batchdatei");
        }
        for (std::size_t i = 0; i < kRequiredColumns; ++i) {
            if (!positions_.contains(kColumns[i].second))
                throw cli::EUsageError("der Batchdatei fehlt die Spalte " + std::string(kColumns[i].first) +
                                       " (" + ColumnList() + ")");
        }
        count_ = record->fields.size();
    }

    std::size_t Count() const { return count_; }

    // The field of this column, or nothing when the column is not in the file or the field is empty.
    std::optional<std::string> Field(const TCsvRecord& record, TColumn column) const {
        const auto position = positions_.find(column);
        if (position == positions_.end() || record.fields[position->second].empty())
            return std::nullopt;
        return record.fields[position->second];
    }

private:
    static std::string ColumnList() {
        return "Spalten: tenant, licensee, postal_code, city, street; wahlweise password, service";
    }

    std::map<TColumn, std::size_t> positions_;
    std::size_t count_ = 0;
};

// Why the record's tenant cannot be installed, or nothing; the tenant is filled in meanwhile.
std::optional<std::string> TenantRefusal(const THeader& header, const TCsvRecord& record,
                                         const TServiceCheck& serviceCheck, TBatchTenant& tenant) {
    if (record.malformed)
        return record.malformed;
    if (!std::ranges::all_of(record.fields, [](const std::string& field) { return IsStorableUtf8(field); }))
        return "kein gültiger UTF-8-Text";
    if (record.fields.size() != header.Count())
        return std::to_string(record.fields.size()) + " Felder statt " + std::to_string(header.Count());
    const auto field = [&](TColumn column) { return header.Field(record, column).value_or(""); };
    tenant.tenantCode = UpperTenantCode(field(TColumn::Tenant));
    tenant.masterData = {field(TColumn::Licensee), field(TColumn::PostalCode), field(TColumn::City),
                         field(TColumn::Street)};
    tenant.password = header.Field(record, TColumn::Password);
    tenant.service = header.Field(record, TColumn::Service);
    // The installer reads a password as the first line of what it is handed.
    if (tenant.password && tenant.password->find_first_of("\r\n") != std::string::npos)
        return "Das Passwort darf keinen Zeilenumbruch enthalten";
    // A generated password meets every rule; "-" stands in for it.
    if (auto refusal = InputRefusal(tenant.tenantCode, tenant.password.value_or("-"), tenant.masterData))
        return refusal;
    if (tenant.service)
        return serviceCheck(*tenant.service);
    return std::nullopt;
}

} // namespace

TBatchFile ParseBatchFile(std::string_view text, const TServiceCheck& serviceCheck) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    TCsvReader reader(text);
    const THeader header(reader.Next());
    TBatchFile file;
    std::map<std::string, std::size_t> lineOfTenant;
    while (const std::optional<TCsvRecord> record = reader.Next()) {
        TBatchTenant tenant;
        tenant.lineNumber = record->lineNumber;
        std::optional<std::string> refusal = TenantRefusal(header, *record, serviceCheck, tenant);
        if (!refusal && !tenant.tenantCode.empty()) {
            const auto [earlier, isNew] = lineOfTenant.emplace(tenant.tenantCode, tenant.lineNumber);
            if (!isNew)
                refusal = "Der Mandant steht schon in Zeile " + std::to_string(earlier->second);
        }
        if (refusal)
            file.errors.push_back({record->lineNumber, tenant.tenantCode, std::move(*refusal)});
        else
            file.tenants.push_back(std::move(tenant));
    }
    return file;
}

TBatchFile ReadBatchFile(const std::filesystem::path& path, const TServiceCheck& serviceCheck) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw cli::EUsageError("Batchdatei nicht lesbar: " + path.string());
    std::string text(kMaxBatchFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad())
        throw cli::EUsageError("Batchdatei nicht lesbar: " + path.string());
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxBatchFileBytes)
        throw cli::EUsageError("Batchdatei größer als " + std::to_string(kMaxBatchFileBytes / (1024 * 1024)) +
                               " MiB: " + path.string());
    return ParseBatchFile(text, serviceCheck);
}

} // namespace velmora::tenant
