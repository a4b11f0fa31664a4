#pragma once

#include <cstdint>

namespace velmora {

// The type byte of each message of protocol 3.0 that this client sends. The two directions reuse
// letters for different messages ('D' is Describe going out and DataRow coming in; likewise 'C',
// 'S' and 'E'), so each direction has a type of its own and one cannot stand in for the other.
enum class TPgFrontendMessage : char {
    Bind = 'B',
    Close = 'C',
    Describe = 'D',
    Execute = 'E',
    Parse = 'P',
    PasswordMessage = 'p', // also carries the SASL messages
    Query = 'Q',
    Sync = 'S',
    Terminate = 'X',
};

// The type byte of each message a server sends that this client understands. A message read from
// the wire may carry any other byte; it is refused as an unexpected response.
enum class TPgBackendMessage : char {
    Authentication = 'R',
    BackendKeyData = 'K',
    BindComplete = '2',
    CloseComplete = '3',
    CommandComplete = 'C',
    DataRow = 'D',
    EmptyQueryResponse = 'I',
    ErrorResponse = 'E',
    NoData = 'n',
    NoticeResponse = 'N',
    NotificationResponse = 'A',
    ParameterDescription = 't',
    ParameterStatus = 'S',
    ParseComplete = '1',
    PortalSuspended = 's',
    ReadyForQuery = 'Z',
    RowDescription = 'T',
};

// What a Describe or a Close names.
enum class TPgObjectKind : char {
    Statement = 'S',
    Portal = 'P',
};

// The status byte of ReadyForQuery; None before the first one.
enum class TPgTransactionStatus : char {
    None = '\0',
    Idle = 'I',
    InTransaction = 'T',
    Failed = 'E',
};

// The request code at the start of an Authentication message.
enum class TPgAuthRequest : std::int32_t {
    Ok = 0,
    CleartextPassword = 3,
    Md5Password = 5,
    Sasl = 10,
    SaslContinue = 11,
    SaslFinal = 12,
};

// The code of each field of an ErrorResponse or NoticeResponse that this client keeps; a zero byte
// ends the fields, and fields with other codes are skipped.
enum class TPgErrorField : char {
    End = '\0',
    Severity = 'S',             // possibly translated
    UntranslatedSeverity = 'V', // since 9.6
    Code = 'C',
    Message = 'M',
    Detail = 'D',
    Hint = 'H',
    Position = 'P',
    Where = 'W',
    File = 'F',
    Line = 'L',
    Routine = 'R',
};

// The server's one-byte answers to an SSLRequest: it will speak TLS, or it will not. A server that
// cannot serve the connection at all answers with an ErrorResponse instead.
inline constexpr char pgTlsAccepted = 'S';
inline constexpr char pgTlsRefused = 'N';

} // namespace velmora
