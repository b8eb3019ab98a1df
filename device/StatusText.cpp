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

std::u16string Widen(const char* ascii) {
    std::u16string text;
    for (; *ascii != '\0'; ++ascii) {
        text.push_back(static_cast<char16_t>(*ascii));
    }
    return text;
}

}  // namespace

std::u16string KnownStatusText(HRESULT status) {
    const auto code = static_cast<std::uint32_t>(status);
    for (const CodeText& row : kTexts) {
        if (row.code == code) {
            return row.text;
        }
    }
    return std::u16string();
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
