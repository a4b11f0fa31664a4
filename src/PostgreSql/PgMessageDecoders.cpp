#include "PostgreSql/PgMessageDecoders.h"

#include <charconv>
#include <sstream>
#include <stdexcept>

namespace velmora {

namespace {

std::int64_t ToInt64(std::string_view digits) {
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// A count of items that take at least itemSize bytes each: a count the rest of the body cannot hold
// is refused before anything is allocated for it.
std::size_t ReadCount(TPgMessageReader& reader, std::size_t itemSize) {
    std::int16_t count = reader.ReadInt16();
    if (count < 0 || static_cast<std::size_t>(count) * itemSize > reader.Remaining())
        throw std::out_of_range("impossible count");
    return static_cast<std::size_t>(count);
}

} // namespace

std::vector<TPgSQLFieldDesc> ReadRowDescription(TPgMessageReader& reader) {
    std::vector<TPgSQLFieldDesc> fields(ReadCount(reader, 19));
    for (auto& field : fields) {
        field.Name = reader.ReadString();
        field.TableOid = static_cast<std::uint32_t>(reader.ReadInt32());
        field.TableColumn = reader.ReadInt16();
        field.TypeOid = static_cast<std::uint32_t>(reader.ReadInt32());
        field.Size = reader.ReadInt16();
        field.TypeModifier = reader.ReadInt32();
        field.Format = reader.ReadInt16();
    }
    return fields;
}

std::vector<TPgSQLParamDesc> ReadParameterDescription(TPgMessageReader& reader) {
    std::vector<TPgSQLParamDesc> params(ReadCount(reader, 4));
    for (auto& param : params)
        param.TypeOid = static_cast<std::uint32_t>(reader.ReadInt32());
    return params;
}

TPgSQLRow ReadDataRow(TPgMessageReader& reader) {
    TPgSQLRow row(ReadCount(reader, 4));
    for (auto& value : row) {
        std::int32_t length = reader.ReadInt32();
        if (length < -1)
            throw std::out_of_range("negative value length");
        if (length >= 0)
            value = reader.ReadBytes(static_cast<std::size_t>(length));
    }
    return row;
}

TPgCommandResult ParseCommandTag(const std::string& tag) {
    std::istringstream words(tag);
    std::string second, third;
    TPgCommandResult result;
    words >> result.Command >> second >> third;
    if (result.Command == "INSERT") {
        result.LastInsertOID = static_cast<std::uint32_t>(ToInt64(second));
        result.RowsAffected = ToInt64(third);
    } else if (result.Command == "UPDATE" || result.Command == "DELETE") {
        result.RowsAffected = ToInt64(second);
    }
    return result;
}

} // namespace velmora
