// Pure parsers for the AT command dialogue of a GSM/UMTS modem (3GPP TS
// 27.007, TS 27.005, V.250). No I/O and no state beyond the line splitter's
// buffer: the port layer feeds bytes in and acts on what comes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace At {

// ---------------------------------------------------------------------------
// Framing.

// One unit of the modem's output: a line (without its CR LF) or the "> "
// prompt of AT+CMGS, which comes without a line end.
struct Token {
    enum class Kind { Line, Prompt } kind = Kind::Line;
    std::string text;
    bool operator==(const Token& other) const { return kind == other.kind && text == other.text; }
};

// Splits the byte stream into lines. A line ends at CR or LF (V.250 result
// codes are framed CR LF, echo ends with CR alone); empty lines are dropped.
// "> " at the start of a line is the send prompt. Ctrl-Z, ESC and NUL (echoed
// PDU terminators, line noise) are dropped. A line longer than kMaxLine is
// cut into pieces rather than buffered without bound.
class LineSplitter {
public:
    static constexpr std::size_t kMaxLine = 4096;

    // Appends the tokens found in `bytes` to `out`.
    void Feed(std::string_view bytes, std::vector<Token>& out);
    // Bytes of an unfinished line.
    const std::string& Pending() const { return m_buffer; }
    void Reset() { m_buffer.clear(); }

private:
    std::string m_buffer;
};

// ---------------------------------------------------------------------------
// Final result codes (V.250 5.7.1, TS 27.007 9.2, TS 27.005 3.2.5).

struct FinalResult {
    enum class Kind { Ok, Error, CmeError, CmsError };
    Kind kind = Kind::Ok;
    // +CME/+CMS error number; -1 for plain ERROR and for a verbose text that
    // names no known error.
    int code = -1;
    std::string text;  // verbose text of the modem, if any
};

// The final result code that `line` is, or nothing for any other line.
// Accepts numeric (+CMEE=1) and verbose (+CMEE=2) error reports and the
// vendor spellings "COMMAND NOT SUPPORT", "TOO MANY PARAMETERS".
std::optional<FinalResult> ParseFinalResult(std::string_view line);

// Number of a verbose +CME ERROR / +CMS ERROR text, or -1.
int CmeCodeFromText(std::string_view text);
int CmsCodeFromText(std::string_view text);

// ---------------------------------------------------------------------------
// Unsolicited result codes.

struct Urc {
    enum class Kind {
        NewMessage,          // +CMTI: <mem>,<index>
        MessageDirect,       // +CMT: [<alpha>],<length>  (the PDU follows on the next line)
        StatusReport,        // +CDSI: <mem>,<index>
        StatusReportDirect,  // +CDS: <length>  (PDU on the next line)
        Ring,                // RING, +CRING
        Registration,        // +CREG / +CGREG / +CEREG: <stat>[,...]
        SignalQuality,       // ^RSSI: <n>, +CSQN
        Boot,                // ^BOOT
        Mode,                // ^MODE
        Ussd,                // +CUSD
        Other                // known vendor notifications (^SRVST, ^SIMST, +CIEV, ...)
    };
    Kind kind = Kind::Other;
    std::string name;     // "+CMTI", "RING", "^RSSI", ...
    std::string storage;  // NewMessage / StatusReport
    int index = -1;       // NewMessage / StatusReport; stat for Registration; rssi
    int length = -1;      // MessageDirect / StatusReportDirect: TPDU octets
    // True when the next line belongs to this code (the PDU of +CMT / +CDS).
    bool TakesNextLine() const {
        return kind == Kind::MessageDirect || kind == Kind::StatusReportDirect;
    }
};

// The unsolicited code that `line` is, or nothing. `activePrefix` is the
// information prefix of the command in progress ("+CREG" while AT+CREG? runs):
// a line with that prefix is that command's response, never a URC.
std::optional<Urc> ParseUrc(std::string_view line, std::string_view activePrefix = {});

// ---------------------------------------------------------------------------
// Information responses.

// Text after "<prefix>:" with its blanks trimmed, when `line` starts with the
// prefix (case-insensitive); otherwise nothing.
std::optional<std::string_view> AfterPrefix(std::string_view line, std::string_view prefix);

// Splits a parameter list at commas outside double quotes; quotes are removed
// from quoted fields, blanks around fields trimmed.
std::vector<std::string> SplitFields(std::string_view params);

// +CPIN: <code>, or a +CME error while reading it.
enum class SimState {
    Ready,
    PinRequired,  // SIM PIN, PH-SIM PIN, PH-NET PIN, SIM PIN2 ...
    PukRequired,  // SIM PUK, SIM PUK2, PH-* PUK
    NotInserted,  // +CME ERROR: 10
    Failure,      // +CME ERROR: 13
    Wrong,        // +CME ERROR: 15
    Busy,         // +CME ERROR: 14, SIM still starting
    Unknown
};
SimState ParseCpin(std::string_view line);
SimState SimStateFromCmeError(int cme);
// The platform ready state (0..7, MBN_READY_STATE) for a SIM state.
std::uint32_t ReadyStateFor(SimState state);

// +COPS: <mode>[,<format>,"<oper>"[,<AcT>]]
struct Operator {
    int mode = -1;
    int format = -1;  // 0 long alphanumeric, 1 short alphanumeric, 2 numeric
    std::string name;
    int act = -1;
};
std::optional<Operator> ParseCops(std::string_view line);

// +CSCA: "<sca>",<tosca>. The number gets its "+" when the type is
// international (145); a UCS2-hex number (AT+CSCS="UCS2") is decoded.
struct ServiceCenter {
    std::string number;
    int type = -1;
};
std::optional<ServiceCenter> ParseCsca(std::string_view line);

// +CMGF: (0,1) / (0-1) / (0) / (1) / 0,1
struct SmsModes {
    bool pdu = false;
    bool text = false;
};
std::optional<SmsModes> ParseCmgfTest(std::string_view line);

// The IMSI line of AT+CIMI (bare or with "+CIMI:"): 6 to 15 digits.
std::optional<std::string> ParseCimi(std::string_view line);

// The ICCID of +CCID / ^ICCID / +ICCID / +QCCID / bare digits: 18 to 22
// digits, trailing padding "F" removed.
std::optional<std::string> ParseIccid(std::string_view line);

// One +CNUM: [<alpha>],<number>,<type> line: the number ("+" added for 145).
std::optional<std::string> ParseCnum(std::string_view line);

// +CGMI / +CGMM / +CGMR / +GMI ... reply line, with or without the prefix or
// the "Manufacturer:"/"Model:"/"Revision:" label; quotes removed. Nothing
// for an empty text.
std::optional<std::string> ParseIdentity(std::string_view line);

// +CSQ: <rssi>,<ber>. rssi 0..31, 99 unknown.
struct SignalQuality {
    int rssi = 99;
    int ber = 99;
    bool Known() const { return rssi >= 0 && rssi <= 31; }
    int Dbm() const { return -113 + 2 * rssi; }  // only when Known()
};
std::optional<SignalQuality> ParseCsq(std::string_view line);

// +CMGS: <mr>[,<ackpdu>]: the message reference 0..255.
std::optional<int> ParseCmgs(std::string_view line);

// +CMGR: <stat>,[<alpha>],<length> (PDU mode) / +CMGL: <index>,<stat>,...
struct StoredHeader {
    int stat = -1;
    int length = -1;  // TPDU octets
};
std::optional<StoredHeader> ParseCmgrHeader(std::string_view line);

// +CPMS: <mem1>,<used1>,<total1>,...: the size of the first (reading) store.
std::optional<int> ParseCpmsTotal(std::string_view line);

// The first (reading) store of the +CPMS read form: its name, used, total.
struct StoreUse {
    std::string memory;  // "SM", "ME", "MT", "SR", ...
    int used = -1;
    int total = -1;
};
std::optional<StoreUse> ParseCpms(std::string_view line);

// +CSMS: <service>,<mt>,<mo>,<bm> (read form, TS 27.005 3.2.1): the message
// service. 1 (phase 2+) means +CMT and +CDS must be acknowledged with
// AT+CNMA; 0 means the modem acknowledges them itself.
std::optional<int> ParseCsms(std::string_view line);

// +CMGL: <index>,<stat>,[<alpha>],<length> (PDU mode, TS 27.005 3.4.2).
struct ListedHeader {
    int index = -1;
    int stat = -1;    // 0 received unread, 1 received read, 2 stored unsent, 3 stored sent
    int length = -1;  // TPDU octets
};
std::optional<ListedHeader> ParseCmglHeader(std::string_view line);

// The information lines of AT+CMGL (or AT+CMGR, whose header names no index)
// in PDU mode: each header line with the PDU line that follows it. An entry
// whose PDU line is missing or does not match its <length> is counted in
// `malformed` and left out.
struct ListedMessage {
    int index = -1;  // -1 for a +CMGR entry
    int stat = -1;
    std::string pdu;  // upper-case hex, service-centre field first
};
struct Listing {
    std::vector<ListedMessage> messages;
    int malformed = 0;
};
Listing ParseListing(const std::vector<std::string>& lines);

// TP-MTI of a PDU-mode PDU (hex, service-centre field first): 0 SMS-DELIVER,
// 1 SMS-SUBMIT, 2 SMS-STATUS-REPORT, 3 reserved; nothing when the text is
// too short or not hex.
std::optional<int> TpMti(std::string_view pduHex);

// +CMTI: <mem>,<index> (also +CDSI).
struct StoredIndex {
    std::string storage;
    int index = -1;
};
std::optional<StoredIndex> ParseCmti(std::string_view line);

// Checks a PDU-mode PDU line (hex, service-centre field first) against the
// <length> of its header: the octets after the service-centre field must be
// exactly `tpduLength`. Returns the upper-case PDU text.
std::optional<std::string> CheckPduLine(std::string_view line, int tpduLength);

// Decimal value of `text` (leading blanks allowed), or nothing.
std::optional<int> ToInt(std::string_view text);

}  // namespace At
