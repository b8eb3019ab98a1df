// Fuzz target for the PDU readers: any octets either decode (as whichever
// message TP-MTI names) or end in the codec's `failure`; a decoded
// SMS-SUBMIT re-encodes to octets that decode to the same message again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "pdu/PduDecoder.h"
#include "pdu/SmsSubmitMessage.h"

namespace {

// Decodes and encodes again. `consistent` tells whether TP-UDHI agrees with
// the header read: a header read (even an empty one, TP-UDHL 0) is written
// back, so only elements without the flag make a PDU that is not read back.
std::string encodeAgain(const std::string& octets, bool& consistent) {
    std::stringstream in(octets, std::ios::in | std::ios::binary);
    PduLib::SmsSubmitMessage message;
    message.read(in);
    consistent =
        PduLib::unit<PduLib::TPMtiAndFriendsSmsSubmit>(message).userDataHeaderIndicator() ||
        message.userDataHeader().empty();
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    message.write(out);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string octets(reinterpret_cast<const char*>(data), size);
    std::string first;
    bool consistent = false;
    try {
        first = encodeAgain(octets, consistent);
    } catch (const PduLib::failure&) {
        return 0;
    } catch (...) {
        std::abort();  // only the codec's failure may leave the reader
    }
    // What the codec wrote, it must read; and reading it is a fixed point.
    if (consistent) {
        try {
            bool again = false;
            const std::string second = encodeAgain(first, again);
            if (second != first) {
                std::abort();
            }
            (void)PduLib::DecodeSubmitPdu(first);
        } catch (...) {
            std::abort();
        }
    }
    try {
        (void)PduLib::DecodeSubmitPdu(octets);
    } catch (const PduLib::failure&) {
    } catch (...) {
        std::abort();
    }
    // Every kind through the TP-MTI dispatcher: SMS-DELIVER and
    // SMS-STATUS-REPORT (with or without TP-PI) end the same two ways.
    try {
        const PduLib::DecodedPdu any = PduLib::DecodePdu(octets);
        (void)any.deliver.textUtf8();
        (void)any.statusReport.textUtf8();
    } catch (const PduLib::failure&) {
    } catch (...) {
        std::abort();
    }
    return 0;
}
