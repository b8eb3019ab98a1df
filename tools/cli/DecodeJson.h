// One decoded SMS-SUBMIT as one line of JSON.
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

// Appends {"error":"<reason>"}.
void AppendErrorJson(std::string_view reason, std::string& out);

// Appends `text` as a JSON string (RFC 8259 escaping; `text` is UTF-8).
void AppendJsonString(std::string_view text, std::string& out);
