// The words for every status code the program shows: one table for the
// device link and the sending loop. It holds the device's own texts for the
// outcome of a send, Vantorix's own codes, the usual system texts of common
// codes (there is no system message table everywhere the program runs), and
// the modem's +CMS / +CME error numbers that the AT backend passes on.
// A code has one text wherever it appears; the callers differ only in what
// they say for a code the table does not know.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "device/HResult.h"

// The table's text for `status`; empty when the table has none.
std::u16string KnownStatusText(HRESULT status);

// The device link's words for an immediate result: the table's text, else
// "Unknown Response (%x) from the Device." with the code in lower-case
// hexadecimal.
std::u16string DeviceResponseText(HRESULT status);

// The text for any status code (the sending list's): the table's text, else
// "IDispatch error #%d" (code minus 0x80040200) for 0x80040201 to 0x8004FFFF,
// and "Unknown error 0x%0lX" for the rest.
std::u16string StatusText(HRESULT status);

// The sending loop's own texts for a number's row.
// A send the device link accepted whose outcome has not come yet.
constexpr std::u16string_view kPendingText = u"Sending...";
// A send the modem could not take yet; it is offered again on the next tick.
constexpr std::u16string_view kBusyText = u"Waiting for the Modem...";
// A row whose request id the device link gave to a newer send before this
// row's outcome came: that outcome can no longer be told apart.
constexpr std::u16string_view kOutcomeUnknownText = u"The Outcome of this Send is Unknown.";
// The parts of a message left unsent because the user stopped the sending.
constexpr std::u16string_view kStoppedText = u"Not Sent: the Sending was Stopped.";

// A number on the opt-out list (it answered STOP): never sent to.
constexpr std::u16string_view kSkippedOptedOutText = u"Skipped: opted out";
// A number the stopped campaign never offered to the modem.
constexpr std::u16string_view kNotSentStoppedText = u"Not sent: stopped";

// True for a status that concerns the modem or the network rather than the
// number (modem gone or silent, no SIM, SIM PIN, not registered, no
// service, network time-out or failure, no service centre): a campaign
// pauses on it instead of failing every number after it.
bool IsModemOrNetworkFault(HRESULT status);

// A message of several parts (`part` counts from 1): "Sending part 2 of 3..."
// while part `part` is on its way.
std::u16string SendingPartText(std::size_t part, std::size_t parts);
// What became of part `part`: "Part 2 of 3: <text>".
std::u16string PartStatusText(std::size_t part, std::size_t parts, std::u16string_view text);
