#include "device/at/AtParse.h"

#include "pdu/Hex.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace At {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(s[i]) != Upper(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return Upper(c) - 'A' + 10;
}

// Field `i` of `fields` as an integer.
std::optional<int> IntField(const std::vector<std::string>& fields, std::size_t i) {
    if (i >= fields.size()) {
        return std::nullopt;
    }
    return ToInt(fields[i]);
}

// The text of `number` as dialled: "+" in front for the international type.
std::string WithPlus(std::string number, int type) {
    if (type == 145 && !number.empty() && number.front() != '+') {
        number.insert(number.begin(), '+');
    }
    return number;
}

// "002B0031..." (a number sent in UCS2 hex because AT+CSCS="UCS2") decoded,
// when every 16-bit unit is a dialling character; otherwise `s` unchanged.
std::string DecodeUcs2Number(const std::string& s) {
    if (s.size() < 8 || s.size() % 4 != 0 || !std::all_of(s.begin(), s.end(), IsHex)) {
        return s;
    }
    std::string out;
    for (std::size_t i = 0; i < s.size(); i += 4) {
        int unit = 0;
        for (std::size_t j = i; j < i + 4; ++j) {
            unit = unit * 16 + HexValue(s[j]);
        }
        const bool dialling =
            (unit >= '0' && unit <= '9') || unit == '+' || unit == '*' || unit == '#';
        if (!dialling) {
            return s;
        }
        out.push_back(static_cast<char>(unit));
    }
    return out;
}

struct CodeText {
    int code;
    const char* text;
};

// TS 27.007 9.2.1 and 9.2.2.
constexpr CodeText kCmeTexts[] = {
    {0, "phone failure"},
    {1, "no connection to phone"},
    {2, "phone-adaptor link reserved"},
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {5, "PH-SIM PIN required"},
    {6, "PH-FSIM PIN required"},
    {7, "PH-FSIM PUK required"},
    {10, "SIM not inserted"},
    {11, "SIM PIN required"},
    {12, "SIM PUK required"},
    {13, "SIM failure"},
    {14, "SIM busy"},
    {15, "SIM wrong"},
    {16, "incorrect password"},
    {17, "SIM PIN2 required"},
    {18, "SIM PUK2 required"},
    {20, "memory full"},
    {21, "invalid index"},
    {22, "not found"},
    {23, "memory failure"},
    {24, "text string too long"},
    {25, "invalid characters in text string"},
    {26, "dial string too long"},
    {27, "invalid characters in dial string"},
    {30, "no network service"},
    {31, "network timeout"},
    {32, "network not allowed - emergency calls only"},
    {40, "network personalization PIN required"},
    {41, "network personalization PUK required"},
    {100, "unknown"},
};

// TS 27.005 3.2.5 (the ME/TA range).
constexpr CodeText kCmsTexts[] = {
    {300, "ME failure"},
    {301, "SMS service of ME reserved"},
    {302, "operation not allowed"},
    {303, "operation not supported"},
    {304, "invalid PDU mode parameter"},
    {305, "invalid text mode parameter"},
    {310, "SIM not inserted"},
    {311, "SIM PIN required"},
    {312, "PH-SIM PIN required"},
    {313, "SIM failure"},
    {314, "SIM busy"},
    {315, "SIM wrong"},
    {316, "SIM PUK required"},
    {317, "SIM PIN2 required"},
    {318, "SIM PUK2 required"},
    {320, "memory failure"},
    {321, "invalid memory index"},
    {322, "memory full"},
    {330, "SMSC address unknown"},
    {331, "no network service"},
    {332, "network timeout"},
    {340, "no +CNMA acknowledgement expected"},
    {500, "unknown error"},
};

template <std::size_t N>
int CodeFromText(const CodeText (&table)[N], std::string_view text) {
    text = Trim(text);
    for (const CodeText& entry : table) {
        if (EqualsNoCase(text, entry.text)) {
            return entry.code;
        }
    }
    return -1;
}

std::optional<FinalResult> ErrorReport(FinalResult::Kind kind, std::string_view rest) {
    FinalResult result;
    result.kind = kind;
    rest = Trim(rest);
    if (auto number = ToInt(rest)) {
        result.code = *number;
    } else {
        result.text = std::string(rest);
        result.code = kind == FinalResult::Kind::CmeError ? CodeFromText(kCmeTexts, rest)
                                                          : CodeFromText(kCmsTexts, rest);
    }
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------

void LineSplitter::Feed(std::string_view bytes, std::vector<Token>& out) {
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_buffer.empty()) {
                out.push_back({Token::Kind::Line, m_buffer});
                m_buffer.clear();
            }
            continue;
        }
        if (c == '\x1A' || c == '\x1B' || c == '\0') {
            continue;
        }
        m_buffer.push_back(c);
        if (m_buffer == "> ") {
            out.push_back({Token::Kind::Prompt, m_buffer});
            m_buffer.clear();
        } else if (m_buffer.size() >= kMaxLine) {
            out.push_back({Token::Kind::Line, m_buffer});
            m_buffer.clear();
        }
    }
}

std::optional<int> ToInt(std::string_view text) {
    text = Trim(text);
    if (!AllDigits(text) || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::string_view> AfterPrefix(std::string_view line, std::string_view prefix) {
    line = Trim(line);
    if (!StartsWithNoCase(line, prefix)) {
        return std::nullopt;
    }
    line.remove_prefix(prefix.size());
    line = Trim(line);
    if (line.empty() || line.front() != ':') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    return Trim(line);
}

std::vector<std::string> SplitFields(std::string_view params) {
    std::vector<std::string> fields;
    std::string current;
    bool quoted = false;
    bool inQuotes = false;
    for (char c : params) {
        if (c == '"') {
            inQuotes = !inQuotes;
            quoted = true;
            continue;
        }
        if (c == ',' && !inQuotes) {
            fields.push_back(quoted ? current : std::string(Trim(current)));
            current.clear();
            quoted = false;
            continue;
        }
        if (!inQuotes && IsBlank(c) && (quoted || current.empty())) {
            continue;  // blanks around a quoted field, or leading blanks
        }
        current.push_back(c);
    }
    fields.push_back(quoted ? current : std::string(Trim(current)));
    return fields;
}

int CmeCodeFromText(std::string_view text) {
    return CodeFromText(kCmeTexts, text);
}

int CmsCodeFromText(std::string_view text) {
    return CodeFromText(kCmsTexts, text);
}

std::optional<FinalResult> ParseFinalResult(std::string_view line) {
    line = Trim(line);
    if (EqualsNoCase(line, "OK")) {
        return FinalResult{FinalResult::Kind::Ok, -1, {}};
    }
    if (EqualsNoCase(line, "ERROR") || EqualsNoCase(line, "COMMAND NOT SUPPORT") ||
        EqualsNoCase(line, "TOO MANY PARAMETERS")) {
        return FinalResult{FinalResult::Kind::Error, -1, std::string(line)};
    }
    if (auto rest = AfterPrefix(line, "+CME ERROR")) {
        return ErrorReport(FinalResult::Kind::CmeError, *rest);
    }
    if (auto rest = AfterPrefix(line, "+CMS ERROR")) {
        return ErrorReport(FinalResult::Kind::CmsError, *rest);
    }
    return std::nullopt;
}

std::optional<Urc> ParseUrc(std::string_view line, std::string_view activePrefix) {
    line = Trim(line);
    if (!activePrefix.empty() && StartsWithNoCase(line, activePrefix) &&
        AfterPrefix(line, activePrefix)) {
        return std::nullopt;
    }
    Urc urc;
    if (EqualsNoCase(line, "RING")) {
        urc.kind = Urc::Kind::Ring;
        urc.name = "RING";
        return urc;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string name(Trim(line.substr(0, colon)));
    std::transform(name.begin(), name.end(), name.begin(), Upper);
    const std::string_view params = Trim(line.substr(colon + 1));
    const std::vector<std::string> fields = SplitFields(params);
    urc.name = name;
    if (name == "+CMTI" || name == "+CDSI") {
        auto stored = ParseCmti(std::string("+CMTI:") + std::string(params));
        if (!stored) {
            return std::nullopt;
        }
        urc.kind = name == "+CMTI" ? Urc::Kind::NewMessage : Urc::Kind::StatusReport;
        urc.storage = stored->storage;
        urc.index = stored->index;
        return urc;
    }
    if (name == "+CMT") {
        // +CMT: [<alpha>],<length> in PDU mode
        auto length = fields.size() >= 2 ? ToInt(fields[1]) : std::nullopt;
        if (!length) {
            return std::nullopt;
        }
        urc.kind = Urc::Kind::MessageDirect;
        urc.length = *length;
        return urc;
    }
    if (name == "+CDS") {
        auto length = IntField(fields, 0);
        if (!length || fields.size() != 1) {
            return std::nullopt;
        }
        urc.kind = Urc::Kind::StatusReportDirect;
        urc.length = *length;
        return urc;
    }
    if (name == "+CRING") {
        urc.kind = Urc::Kind::Ring;
        return urc;
    }
    if (name == "+CREG" || name == "+CGREG" || name == "+CEREG") {
        // Unsolicited form: <stat>[,<lac>,<ci>[,<AcT>]]; the read response
        // (<n>,<stat>,...) only arrives while its command runs.
        auto stat = IntField(fields, 0);
        if (!stat) {
            return std::nullopt;
        }
        urc.kind = Urc::Kind::Registration;
        urc.index = *stat;
        return urc;
    }
    if (name == "^RSSI" || name == "+CSQN") {
        urc.kind = Urc::Kind::SignalQuality;
        urc.index = IntField(fields, 0).value_or(99);
        return urc;
    }
    if (name == "^BOOT") {
        urc.kind = Urc::Kind::Boot;
        return urc;
    }
    if (name == "^MODE") {
        urc.kind = Urc::Kind::Mode;
        return urc;
    }
    if (name == "+CUSD") {
        urc.kind = Urc::Kind::Ussd;
        return urc;
    }
    static const char* const kOthers[] = {"^SRVST",  "^SIMST", "^DSFLOWRPT", "^HCSQ",   "^SYSSTART",
                                          "^CEND",   "^CONN",  "^ORIG",      "^CONF",   "^STIN",
                                          "+CIEV",   "+CCWA",  "+CLIP",      "+CUSATP", "+PSBEARER",
                                          "^NWTIME", "+CTZV",  "+STIN",      "+QIND",   "*EMRDY"};
    for (const char* other : kOthers) {
        if (name == other) {
            urc.kind = Urc::Kind::Other;
            return urc;
        }
    }
    return std::nullopt;
}

SimState ParseCpin(std::string_view line) {
    auto rest = AfterPrefix(line, "+CPIN");
    if (!rest) {
        if (auto final = ParseFinalResult(line);
            final && final->kind == FinalResult::Kind::CmeError) {
            return SimStateFromCmeError(final->code);
        }
        return SimState::Unknown;
    }
    std::string code(*rest);
    if (code.size() >= 2 && code.front() == '"' && code.back() == '"') {
        code = code.substr(1, code.size() - 2);
    }
    if (EqualsNoCase(code, "READY")) {
        return SimState::Ready;
    }
    if (code.find("PUK") != std::string::npos || code.find("puk") != std::string::npos) {
        return SimState::PukRequired;
    }
    if (code.find("PIN") != std::string::npos || code.find("pin") != std::string::npos) {
        return SimState::PinRequired;
    }
    if (EqualsNoCase(code, "NOT READY") || EqualsNoCase(code, "SIM BUSY")) {
        return SimState::Busy;
    }
    if (StartsWithNoCase(code, "NOT INSERTED") || StartsWithNoCase(code, "SIM NOT INSERTED")) {
        return SimState::NotInserted;
    }
    return SimState::Unknown;
}

SimState SimStateFromCmeError(int cme) {
    switch (cme) {
        case 10:
            return SimState::NotInserted;
        case 13:
            return SimState::Failure;
        case 14:
            return SimState::Busy;
        case 15:
            return SimState::Wrong;
        case 5:
        case 11:
        case 17:
        case 40:
            return SimState::PinRequired;
        case 12:
        case 18:
        case 41:
            return SimState::PukRequired;
        default:
            return SimState::Unknown;
    }
}

std::uint32_t ReadyStateFor(SimState state) {
    switch (state) {
        case SimState::Ready:
            return 1;  // initialised
        case SimState::NotInserted:
            return 2;  // SIM not inserted
        case SimState::Failure:
        case SimState::Wrong:
            return 3;  // bad SIM
        case SimState::PinRequired:
            return 6;  // device locked
        case SimState::PukRequired:
            return 7;  // device blocked
        case SimState::Busy:
        case SimState::Unknown:
            return 4;  // failure in reading state
    }
    return 4;
}

std::optional<Operator> ParseCops(std::string_view line) {
    auto rest = AfterPrefix(line, "+COPS");
    if (!rest || rest->empty() || rest->front() == '(') {
        return std::nullopt;  // the test command's list is not a current operator
    }
    const auto fields = SplitFields(*rest);
    Operator op;
    auto mode = IntField(fields, 0);
    if (!mode) {
        return std::nullopt;
    }
    op.mode = *mode;
    if (fields.size() >= 3) {
        auto format = IntField(fields, 1);
        if (!format) {
            return std::nullopt;
        }
        op.format = *format;
        op.name = fields[2];
    }
    if (fields.size() >= 4) {
        op.act = IntField(fields, 3).value_or(-1);
    }
    return op;
}

std::optional<ServiceCenter> ParseCsca(std::string_view line) {
    auto rest = AfterPrefix(line, "+CSCA");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    ServiceCenter sc;
    sc.type = IntField(fields, 1).value_or(-1);
    std::string number = DecodeUcs2Number(fields[0]);
    for (char c : number) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '*' || c == '#')) {
            return std::nullopt;
        }
    }
    sc.number = WithPlus(number, sc.type);
    return sc;
}

std::optional<SmsModes> ParseCmgfTest(std::string_view line) {
    auto rest = AfterPrefix(line, "+CMGF");
    if (!rest) {
        return std::nullopt;
    }
    std::string body(*rest);
    body.erase(std::remove_if(body.begin(), body.end(),
                              [](char c) { return c == '(' || c == ')' || IsBlank(c); }),
               body.end());
    SmsModes modes;
    if (body.empty()) {
        return std::nullopt;
    }
    for (const std::string& item : SplitFields(body)) {
        const std::size_t dash = item.find('-');
        auto from = ToInt(item.substr(0, dash));
        auto to = dash == std::string::npos ? from : ToInt(item.substr(dash + 1));
        if (!from || !to || *from > *to) {
            return std::nullopt;
        }
        for (int mode = *from; mode <= *to && mode <= 1; ++mode) {
            (mode == 0 ? modes.pdu : modes.text) = true;
        }
    }
    return modes;
}

std::optional<std::string> ParseCimi(std::string_view line) {
    std::string_view value = Trim(line);
    if (auto rest = AfterPrefix(line, "+CIMI")) {
        value = *rest;
    }
    if (!value.empty() && value.front() == '"' && value.size() >= 2 && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    if (!AllDigits(value) || value.size() < 6 || value.size() > 15) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> ParseIccid(std::string_view line) {
    std::string_view value = Trim(line);
    for (std::string_view prefix : {"+CCID", "^ICCID", "+ICCID", "+QCCID", "ICCID", "^SCID"}) {
        if (auto rest = AfterPrefix(line, prefix)) {
            value = *rest;
            break;
        }
    }
    std::string id;
    for (char c : value) {
        if (c != '"') {
            id.push_back(Upper(c));
        }
    }
    while (!id.empty() && id.back() == 'F') {
        id.pop_back();
    }
    if (!AllDigits(id) || id.size() < 18 || id.size() > 22) {
        return std::nullopt;
    }
    return id;
}

std::optional<std::string> ParseCnum(std::string_view line) {
    auto rest = AfterPrefix(line, "+CNUM");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    if (fields.size() < 3) {
        return std::nullopt;
    }
    const std::string number = DecodeUcs2Number(fields[1]);
    if (number.empty()) {
        return std::nullopt;
    }
    return WithPlus(number, IntField(fields, 2).value_or(-1));
}

std::optional<std::string> ParseIdentity(std::string_view line) {
    std::string_view value = Trim(line);
    for (std::string_view prefix :
         {"+CGMI", "+CGMM", "+CGMR", "+GMI", "+GMM", "+GMR", "Manufacturer", "Model", "Revision"}) {
        if (auto rest = AfterPrefix(line, prefix)) {
            value = *rest;
            break;
        }
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = Trim(value.substr(1, value.size() - 2));
    }
    if (value.empty() || ParseFinalResult(value)) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<SignalQuality> ParseCsq(std::string_view line) {
    auto rest = AfterPrefix(line, "+CSQ");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    auto rssi = IntField(fields, 0);
    auto ber = IntField(fields, 1);
    if (!rssi || !ber || fields.size() != 2) {
        return std::nullopt;
    }
    SignalQuality quality;
    quality.rssi = (*rssi <= 31) ? *rssi : 99;
    quality.ber = *ber;
    return quality;
}

std::optional<int> ParseCmgs(std::string_view line) {
    auto rest = AfterPrefix(line, "+CMGS");
    if (!rest) {
        return std::nullopt;
    }
    auto mr = IntField(SplitFields(*rest), 0);
    if (!mr || *mr > 255) {
        return std::nullopt;
    }
    return mr;
}

std::optional<StoredHeader> ParseCmgrHeader(std::string_view line) {
    auto rest = AfterPrefix(line, "+CMGR");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    if (fields.size() != 3) {
        return std::nullopt;  // text mode headers carry more fields
    }
    auto stat = IntField(fields, 0);
    auto length = IntField(fields, 2);
    if (!stat || !length || *stat > 3 || *length < 1 || *length > 255) {
        return std::nullopt;
    }
    return StoredHeader{*stat, *length};
}

std::optional<int> ParseCpmsTotal(std::string_view line) {
    auto use = ParseCpms(line);
    if (!use || use->total < 0) {
        return std::nullopt;
    }
    return use->total;
}

std::optional<StoreUse> ParseCpms(std::string_view line) {
    auto rest = AfterPrefix(line, "+CPMS");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    // The read form starts with the store name; the set form's answer does not.
    if (fields.size() < 3 || fields[0].empty() || ToInt(fields[0])) {
        return std::nullopt;
    }
    auto used = IntField(fields, 1);
    auto total = IntField(fields, 2);
    if (!used || !total) {
        return std::nullopt;
    }
    return StoreUse{fields[0], *used, *total};
}

std::optional<int> ParseCsms(std::string_view line) {
    auto rest = AfterPrefix(line, "+CSMS");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    // The set form's answer (<mt>,<mo>,<bm>) names no service.
    if (fields.size() != 4) {
        return std::nullopt;
    }
    return IntField(fields, 0);
}

std::optional<ListedHeader> ParseCmglHeader(std::string_view line) {
    auto rest = AfterPrefix(line, "+CMGL");
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    if (fields.size() != 4) {
        return std::nullopt;  // text mode headers carry other fields
    }
    auto index = IntField(fields, 0);
    auto stat = IntField(fields, 1);
    auto length = IntField(fields, 3);
    if (!index || !stat || !length || *stat > 4 || *length < 1 || *length > 255) {
        return std::nullopt;
    }
    return ListedHeader{*index, *stat, *length};
}

Listing ParseListing(const std::vector<std::string>& lines) {
    Listing listing;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ListedMessage message;
        int length = -1;
        if (auto listed = ParseCmglHeader(lines[i])) {
            message.index = listed->index;
            message.stat = listed->stat;
            length = listed->length;
        } else if (auto read = ParseCmgrHeader(lines[i])) {
            message.stat = read->stat;
            length = read->length;
        } else {
            continue;  // a stray line: neither header nor the PDU of one
        }
        auto pdu = i + 1 < lines.size() ? CheckPduLine(lines[i + 1], length) : std::nullopt;
        if (!pdu) {
            ++listing.malformed;
            continue;  // the next line is looked at as a header again
        }
        message.pdu = std::move(*pdu);
        listing.messages.push_back(std::move(message));
        ++i;
    }
    return listing;
}

std::optional<int> TpMti(std::string_view pduHex) {
    auto octet = [&](std::size_t at) -> std::optional<int> {
        if (pduHex.size() < 2 * at + 2 || !IsHex(pduHex[2 * at]) || !IsHex(pduHex[2 * at + 1])) {
            return std::nullopt;
        }
        return HexValue(pduHex[2 * at]) * 16 + HexValue(pduHex[2 * at + 1]);
    };
    auto sca = octet(0);
    if (!sca) {
        return std::nullopt;
    }
    auto first = octet(static_cast<std::size_t>(*sca) + 1);
    if (!first) {
        return std::nullopt;
    }
    return *first & 0x03;
}

std::optional<StoredIndex> ParseCmti(std::string_view line) {
    auto rest = AfterPrefix(line, "+CMTI");
    if (!rest) {
        rest = AfterPrefix(line, "+CDSI");
    }
    if (!rest) {
        return std::nullopt;
    }
    const auto fields = SplitFields(*rest);
    auto index = IntField(fields, 1);
    if (fields.size() != 2 || !index) {
        return std::nullopt;
    }
    return StoredIndex{fields[0], *index};
}

std::optional<std::string> CheckPduLine(std::string_view line, int tpduLength) {
    line = Trim(line);
    if (PduLib::TpduLength(line) != tpduLength) {
        return std::nullopt;
    }
    std::string pdu(line);
    std::transform(pdu.begin(), pdu.end(), pdu.begin(), Upper);
    return pdu;
}

}  // namespace At
