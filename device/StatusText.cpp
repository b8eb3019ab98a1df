#include "device/StatusText.h"

#include <cstdint>
#include <cstdio>

namespace {

struct CodeText {
    std::uint32_t code;
    const char16_t* text;
};

// One row per code. Later kinds of result (delivery reports, gateways) add
// their rows here.
constexpr CodeText kTexts[] = {
    // What the modem reports as the outcome of a send.
    {0x00000000u, u"SMS Sent Successfully."},
    {0x00000032u,
     u"Either the SMS operation or the particular SMS format is not supported by the device."},
    {0x80070057u, u"The device detected invalid parameters in the send request."},
    {0x80548202u, u"There is a bad SIM in the device."},
    {0x80548209u, u"Cellular service is not activated on the device."},
    {0x8054820Au, u"There is no SIM in the device."},
    {0x8054820Du, u"The device is not registered to any network."},
    {0x80548210u, u"A PIN is required for the operation to complete."},
    {0x80548220u, u"The CDMA device does not support the requested encoding."},
    {0x80548223u, u"The CDMA device does not support the language."},
    {0x80548224u, u"SMS memory failure."},
    {0x80548225u, u"There was a network timeout."},
    {0x80548226u, u"Unknown or incomplete SMS service center address."},
    {0x80548228u, u"The requested SMS operation is not allowed by the SIM."},
    {0x80548229u, u"The device/SIM memory is full."},
    // Vantorix's own codes.
    {static_cast<std::uint32_t>(VTX_E_MODEM_BUSY), u"The modem is busy with earlier messages."},
    {static_cast<std::uint32_t>(VTX_E_SEND_TIMEOUT),
     u"The modem did not report the outcome of the send in time."},
    {static_cast<std::uint32_t>(VTX_E_MODEM_GONE),
     u"The modem was removed or stopped answering before the send completed."},
    // The usual system texts of common codes.
    {0x00000001u, u"Incorrect function."},
    {0x80004001u, u"Not implemented"},
    {0x80004002u, u"No such interface supported"},
    {0x80004003u, u"Invalid pointer"},
    {0x80004004u, u"Operation aborted"},
    {0x80004005u, u"Unspecified error"},
    {0x8000FFFFu, u"Catastrophic failure"},
    {0x80070005u, u"Access is denied."},
    {0x80070006u, u"The handle is invalid."},
    {0x8007000Eu, u"Not enough memory resources are available to complete this operation."},
    {0x80070015u, u"The device is not ready."},
    {0x8007001Fu, u"A device attached to the system is not functioning."},
    {0x800705B4u, u"This operation returned because the timeout period expired."},
};

// A modem error number, or a range of them, and its words; the text shown is
// the words followed by the number, e.g. "Unknown error (CMS 500).". The
// first row that holds a number gives its words.
struct CauseText {
    int first;
    int last;
    const char16_t* words;
};

// +CMS ERROR numbers (TS 27.005 3.2.5) that the AT backend has no platform
// status for. 0 to 127: RP causes (TS 24.011 E.2); 128 to 255: TP-FCS values
// (TS 23.040 9.2.3.22); 300 to 340: errors of the modem and the service
// centre; 500: unknown; 512 and above: the manufacturer's own.
constexpr CauseText kCmsTexts[] = {
    {1, 1, u"The number is not assigned"},
    {17, 17, u"The network failed"},
    {21, 21, u"The network rejected the message"},
    {22, 22, u"The network is congested"},
    {27, 27, u"The destination is out of service"},
    {28, 28, u"The subscriber is not registered in the network"},
    {29, 29, u"The network does not support the requested facility"},
    {30, 30, u"The subscriber is unknown to the network"},
    {38, 38, u"The network is out of order"},
    {41, 41, u"The network has a temporary failure"},
    {42, 42, u"The network is congested"},
    {47, 47, u"The network has no resources available"},
    {69, 69, u"The network has not implemented the requested facility"},
    {81, 81, u"The message reference is not valid"},
    {95, 95, u"The network found the message incorrect"},
    {96, 96, u"The message lacks mandatory information"},
    {97, 97, u"The network does not know the message type"},
    {98, 98, u"The message does not fit the state of the transfer"},
    {99, 99, u"The network does not know an element of the message"},
    {111, 111, u"Protocol error"},
    {127, 127, u"Interworking error"},
    {0, 127, u"The network refused the message"},
    {128, 128, u"Telematic interworking is not supported"},
    {129, 129, u"Short message type 0 is not supported"},
    {130, 130, u"The message cannot be replaced"},
    {143, 143, u"The protocol identifier was refused"},
    {144, 144, u"The alphabet is not supported"},
    {145, 145, u"The message class is not supported"},
    {159, 159, u"The data coding scheme was refused"},
    {160, 160, u"The command cannot be carried out"},
    {161, 161, u"The command is not supported"},
    {175, 175, u"The command was refused"},
    {176, 176, u"The message type is not supported"},
    {192, 192, u"The service centre is busy"},
    {194, 194, u"The service centre failed"},
    {197, 197, u"The service centre refused a duplicate message"},
    {198, 198, u"The validity period format is not supported"},
    {199, 199, u"The validity period is not supported"},
    {210, 210, u"The modem failed"},
    {212, 212, u"The SIM toolkit is busy"},
    {213, 213, u"The SIM data download failed"},
    {224, 254, u"Application-specific error"},
    {255, 255, u"Unspecified error"},
    {128, 255, u"The service centre refused the message"},
    {300, 300, u"The modem failed"},
    {301, 301, u"The modem's SMS service is reserved"},
    {314, 314, u"The SIM is busy"},
    {340, 340, u"No acknowledgement was expected"},
    {500, 500, u"Unknown error"},
    {512, 0xFFF, u"Manufacturer-specific error"},
    {0, 0xFFF, u"Modem error"},
};

// +CME ERROR numbers (TS 27.007 9.2) that the AT backend has no platform
// status for.
constexpr CauseText kCmeTexts[] = {
    {0, 0, u"The modem failed"},
    {1, 1, u"No connection to the modem"},
    {2, 2, u"The modem's adaptor link is reserved"},
    {6, 7, u"The modem is locked to another SIM"},
    {14, 14, u"The SIM is busy"},
    {22, 22, u"Not found"},
    {40, 48, u"The modem is locked to another network or provider"},
    {50, 50, u"Incorrect parameters"},
    {100, 100, u"Unknown error"},
    {103, 103, u"The network does not accept the SIM"},
    {106, 106, u"The network does not accept the modem"},
    {107, 107, u"Data services are not allowed"},
    {111, 111, u"The network is not allowed"},
    {112, 112, u"The location area is not allowed"},
    {113, 113, u"Roaming is not allowed in this location area"},
    {0, 0xFFF, u"Modem error"},
};

std::u16string Widen(const char* ascii) {
    std::u16string text;
    for (; *ascii != '\0'; ++ascii) {
        text.push_back(static_cast<char16_t>(*ascii));
    }
    return text;
}

// "<words> (CMS n)." for the number `status` carries above `base`; empty when
// `status` is not in the 4096 codes from `base`.
template <std::size_t N>
std::u16string CauseTextFor(const CauseText (&table)[N], std::uint32_t status, HRESULT base,
                            const char* kind) {
    const auto first = static_cast<std::uint32_t>(base);
    if (status < first || status - first > 0xFFFu) {
        return std::u16string();
    }
    const int number = static_cast<int>(status - first);
    for (const CauseText& row : table) {
        if (number >= row.first && number <= row.last) {
            char suffix[24];
            std::snprintf(suffix, sizeof suffix, " (%s %d).", kind, number);
            return row.words + Widen(suffix);
        }
    }
    return std::u16string();
}

}  // namespace

std::u16string KnownStatusText(HRESULT status) {
    const auto code = static_cast<std::uint32_t>(status);
    for (const CodeText& row : kTexts) {
        if (row.code == code) {
            return row.text;
        }
    }
    std::u16string text = CauseTextFor(kCmsTexts, code, VTX_E_CMS_ERROR_BASE, "CMS");
    if (text.empty()) {
        text = CauseTextFor(kCmeTexts, code, VTX_E_CME_ERROR_BASE, "CME");
    }
    return text;
}

std::u16string DeviceResponseText(HRESULT status) {
    std::u16string text = KnownStatusText(status);
    if (text.empty()) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "Unknown Response (%x) from the Device.",
                      static_cast<unsigned>(status));
        text = Widen(buffer);
    }
    return text;
}

std::u16string StatusText(HRESULT status) {
    std::u16string text = KnownStatusText(status);
    if (!text.empty()) {
        return text;
    }
    const auto code = static_cast<std::uint32_t>(status);
    char buffer[40];
    if (code >= 0x80040201u && code <= 0x8004FFFFu) {
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d",
                      static_cast<int>(code - 0x80040200u));
    } else {
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX",
                      static_cast<unsigned long>(code));
    }
    return Widen(buffer);
}

std::u16string SendingPartText(std::size_t part, std::size_t parts) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Sending part %zu of %zu...", part, parts);
    return Widen(buffer);
}

std::u16string PartStatusText(std::size_t part, std::size_t parts, std::u16string_view text) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Part %zu of %zu: ", part, parts);
    return Widen(buffer) + std::u16string(text);
}

bool IsModemOrNetworkFault(HRESULT status) {
    const auto code = static_cast<std::uint32_t>(status);
    switch (code) {
        case static_cast<std::uint32_t>(VTX_E_SEND_TIMEOUT):
        case static_cast<std::uint32_t>(VTX_E_MODEM_GONE):
        case 0x80548202u:  // bad SIM
        case 0x80548209u:  // service not activated
        case 0x8054820Au:  // no SIM
        case 0x8054820Du:  // not registered
        case 0x80548210u:  // PIN required
        case 0x80548225u:  // network time-out
        case 0x80548226u:  // no service centre address
        case 0x80070015u:  // device not ready
        case 0x8007001Fu:  // device not functioning
            return true;
        default:
            break;
    }
    // +CMS ERROR: RP causes of the network as a whole (TS 24.011 E.2), and
    // the modem's SIM, service centre and network errors (TS 27.005 3.2.5).
    const auto cms = static_cast<std::uint32_t>(VTX_E_CMS_ERROR_BASE);
    if (code >= cms && code < cms + 4096u) {
        switch (code - cms) {
            case 17:  // network failure
            case 38:  // network out of order
            case 41:  // temporary failure
            case 42:  // congestion
            case 47:  // resources unavailable
            case 310:
            case 311:
            case 312:
            case 313:
            case 314:
            case 315:
            case 316:
            case 317:
            case 318:  // SIM not inserted, PIN, PUK, failure, busy, wrong
            case 330:  // service centre address unknown
            case 331:  // no network service
            case 332:  // network time-out
                return true;
            default:
                return false;
        }
    }
    // +CME ERROR (TS 27.007 9.2.1): SIM and network registration.
    const auto cme = static_cast<std::uint32_t>(VTX_E_CME_ERROR_BASE);
    if (code >= cme && code < cme + 4096u) {
        const std::uint32_t n = code - cme;
        return (n >= 10 && n <= 18) || n == 30 || n == 31 || n == 32;
    }
    return false;
}
