#include "PostgreSql/PgMessageDecoders.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

using namespace velmora;

namespace {

std::string I16(std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    return {static_cast<char>(bits >> 8), static_cast<char>(bits & 0xFF)};
}

std::string I32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return I16(static_cast<std::int16_t>(bits >> 16)) + I16(static_cast<std::int16_t>(bits & 0xFFFF));
}

std::string Str(const std::string& text) {
    return text + '\0';
}

enum class TDecoder { RowDescription, ParameterDescription, DataRow };

// What a decoder made of a body, as one line: the values read, "+N" for bytes it left unread, or
// "refused" when it threw std::out_of_range.
std::string Decoded(TDecoder decoder, const std::string& body) {
    TPgMessageReader reader(body);
    std::string text;
    try {
        switch (decoder) {
        case TDecoder::RowDescription:
            for (const TPgSQLFieldDesc& f : ReadRowDescription(reader))
                text += f.Name + ":" + std::to_string(f.TableOid) + "." + std::to_string(f.TableColumn) +
                        " type " + std::to_string(f.TypeOid) + " size " + std::to_string(f.Size) + " mod " +
                        std::to_string(f.TypeModifier) + " fmt " + std::to_string(f.Format) + ";";
            break;
        case TDecoder::ParameterDescription:
            for (const TPgSQLParamDesc& p : ReadParameterDescription(reader))
                text += std::to_string(p.TypeOid) + ";";
            break;
        case TDecoder::DataRow:
            for (const TPgSQLValue& value : ReadDataRow(reader))
                text += (value ? "'" + *value + "'" : std::string("NULL")) + ";";
            break;
        }
    } catch (const std::out_of_range&) {
        return "refused";
    }
    return reader.AtEnd() ? text : text + "+" + std::to_string(reader.Remaining());
}

} // namespace

TEST(PgMessageDecoders, DecodeWellFormedBodiesAndRefuseTruncatedOrImpossibleOnes) {
    using enum TDecoder;
    const std::string field = Str("id") + I32(16384) + I16(1) + I32(23) + I16(4) + I32(-1) + I16(1);
    const struct {
        const char* what;
        TDecoder decoder;
        std::string body;
        std::string expected;
    } cases[] = {
        {"no fields", RowDescription, I16(0), ""},
        {"two fields", RowDescription, I16(2) + field + field,
         "id:16384.1 type 23 size 4 mod -1 fmt 1;id:16384.1 type 23 size 4 mod -1 fmt 1;"},
        {"bytes after the fields", RowDescription, I16(1) + field + "x",
         "id:16384.1 type 23 size 4 mod -1 fmt 1;+1"},
        {"empty body", RowDescription, "", "refused"},
        {"more fields than the body holds", RowDescription, I16(2) + field, "refused"},
        {"negative field count", RowDescription, I16(-1) + field, "refused"},
        {"field cut short", RowDescription, I16(1) + Str("a_rather_long_name") + I32(1), "refused"},
        {"name without terminator", RowDescription, I16(1) + std::string(30, 'n'), "refused"},

        {"two parameters", ParameterDescription, I16(2) + I32(23) + I32(25), "23;25;"},
        {"no parameters", ParameterDescription, I16(0), ""},
        {"type oid beyond int32", ParameterDescription, I16(1) + I32(-2), "4294967294;"},
        {"more parameters than the body holds", ParameterDescription, I16(3) + I32(23) + I32(25), "refused"},
        {"negative parameter count", ParameterDescription, I16(-5), "refused"},
        {"count cut short", ParameterDescription, std::string(1, '\0'), "refused"},

        {"value, NULL and empty value", DataRow, I16(3) + I32(2) + "ab" + I32(-1) + I32(0), "'ab';NULL;'';"},
        {"no columns", DataRow, I16(0), ""},
        {"value with zero bytes", DataRow, I16(1) + I32(3) + std::string("a\0b", 3),
         std::string("'a\0b';", 6)},
        {"negative value length", DataRow, I16(1) + I32(-2), "refused"},
        {"value cut short", DataRow, I16(1) + I32(10) + "abc", "refused"},
        {"value length beyond the body", DataRow, I16(1) + I32(0x7FFFFFFF), "refused"},
        {"impossible column count", DataRow, I16(32767) + I32(-1), "refused"},
        {"negative column count", DataRow, I16(-32768), "refused"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decoded(c.decoder, c.body), c.expected) << c.what;
}

TEST(PgMessageDecoders, CommandTagsGiveRowsOnlyForInsertUpdateAndDelete) {
    const struct {
        const char* tag;
        const char* command;
        std::int64_t rows;
        std::uint32_t oid;
    } cases[] = {
        {"INSERT 0 5", "INSERT", 5, 0}, {"INSERT 16401 1", "INSERT", 1, 16401},
        {"UPDATE 7", "UPDATE", 7, 0},   {"DELETE 0", "DELETE", 0, 0},
        {"SELECT 3", "SELECT", 0, 0},   {"CREATE TABLE", "CREATE", 0, 0},
        {"UPDATE x", "UPDATE", 0, 0},   {"", "", 0, 0},
    };
    for (const auto& c : cases) {
        const TPgCommandResult result = ParseCommandTag(c.tag);
        EXPECT_EQ(result.Command, c.command) << c.tag;
        EXPECT_EQ(result.RowsAffected, c.rows) << c.tag;
        EXPECT_EQ(result.LastInsertOID, c.oid) << c.tag;
    }
}
