// Helpers shared by the codec tests: hex in and out of whole messages.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "pdu/Hex.h"
#include "pdu/SmsSubmitMessage.h"

namespace PduTest {

// Hex in; blanks between the fields are ignored.
inline std::string octets(std::string hex) {
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    std::string out;
    std::string error;
    EXPECT_TRUE(PduLib::FromHex(hex, out, error)) << error;
    return out;
}

inline std::string writeHex(PduLib::SmsSubmitMessage& message) {
    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    message.write(stream);
    return PduLib::ToHex(stream.str());
}

// Reads `hex` into `message`; returns the failure text, or "" on success.
inline std::string readHex(PduLib::SmsSubmitMessage& message, const std::string& hex) {
    std::stringstream stream(octets(hex), std::ios::in | std::ios::binary);
    try {
        message.read(stream);
    } catch (const PduLib::failure& e) {
        return e.what();
    }
    return "";
}

// Writes and returns the failure text, or "" on success.
inline std::string writeFailure(PduLib::SmsSubmitMessage& message) {
    try {
        writeHex(message);
    } catch (const PduLib::failure& e) {
        return e.what();
    }
    return "";
}

using PduLib::ToHex;
using PduLib::unit;

}  // namespace PduTest
