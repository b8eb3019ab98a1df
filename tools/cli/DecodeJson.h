// One decoded SMS-SUBMIT, SMS-DELIVER or SMS-STATUS-REPORT as one line of
// JSON. A SUBMIT keeps the keys it always had; the other two open with
// "type" ("deliver", "status-report").
#pragma once

#include <string>
#include <string_view>

#include "pdu/PduDecoder.h"

// Appends the JSON object for `d` (no line end) to `out`. Written directly
// rather than through a JSON document: `decode --batch` spends most of its
// time here. The tests parse what it writes with nlohmann::json.
void AppendDecodedJson(const PduLib::DecodedSubmit& d, std::string& out);

// Appends the JSON object of a reassembled message: the fields of its first
// part, "parts" (how many were joined) and the whole text (UTF-8).
void AppendJoinedJson(const PduLib::DecodedSubmit& first, const std::string& textUtf8,
                      unsigned parts, std::string& out);

void AppendDecodedJson(const PduLib::DecodedDeliver& d, std::string& out);
void AppendJoinedJson(const PduLib::DecodedDeliver& first, const std::string& textUtf8,
                      unsigned parts, std::string& out);
void AppendDecodedJson(const PduLib::DecodedStatusReport& d, std::string& out);
// Whichever of the three `d` holds.
void AppendDecodedJson(const PduLib::DecodedPdu& d, std::string& out);

// Appends {"error":"<reason>"}.
void AppendErrorJson(std::string_view reason, std::string& out);

// Appends `text` as a JSON string (RFC 8259 escaping; `text` is UTF-8).
void AppendJsonString(std::string_view text, std::string& out);
