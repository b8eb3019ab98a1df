// Modem output of any shape through the line splitter and every parser: no
// crash, no unbounded buffer, and a PDU line that passes CheckPduLine (alone
// or in a +CMGL / +CMGR listing) always has the TPDU length its header
// claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/AtParse.h"
#include "device/at/AtStatus.h"
#include "pdu/Hex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    At::LineSplitter splitter;
    std::vector<At::Token> tokens;
    // Feed in two pieces so that a cut inside a line is exercised too.
    splitter.Feed(bytes.substr(0, size / 2), tokens);
    splitter.Feed(bytes.substr(size / 2), tokens);
    if (splitter.Pending().size() >= At::LineSplitter::kMaxLine) {
        std::abort();
    }
    int lastLength = -1;
    std::vector<std::string> lines;
    for (const At::Token& token : tokens) {
        const std::string& line = token.text;
        if (auto final = At::ParseFinalResult(line)) {
            if (final->kind != At::FinalResult::Kind::Ok && At::StatusForFinal(*final) == S_OK) {
                std::abort();
            }
        }
        if (auto urc = At::ParseUrc(line, "+CMGS")) {
            (void)urc->TakesNextLine();
        }
        (void)At::ParseCpin(line);
        (void)At::ParseCops(line);
        (void)At::ParseCsca(line);
        (void)At::ParseCmgfTest(line);
        (void)At::ParseCimi(line);
        (void)At::ParseIccid(line);
        (void)At::ParseCnum(line);
        (void)At::ParseIdentity(line);
        (void)At::ParseCsq(line);
        (void)At::ParseCmgs(line);
        if (lastLength > 0) {
            if (auto pdu = At::CheckPduLine(line, lastLength)) {
                if (PduLib::TpduLength(*pdu) != lastLength) {
                    std::abort();
                }
            }
        }
        auto header = At::ParseCmgrHeader(line);
        lastLength = header ? header->length : -1;
        if (auto listed = At::ParseCmglHeader(line)) {
            lastLength = listed->length;
        }
        (void)At::ParseCmti(line);
        (void)At::ParseCpms(line);
        (void)At::ParseCsms(line);
        if (auto mti = At::TpMti(line); mti && (*mti < 0 || *mti > 3)) {
            std::abort();
        }
        lines.push_back(line);
    }
    // Every listed PDU has the length its header claims, and is a PDU whose
    // kind can be told.
    for (const At::ListedMessage& message : At::ParseListing(lines).messages) {
        if (PduLib::TpduLength(message.pdu) < 1 || !At::TpMti(message.pdu)) {
            std::abort();
        }
    }
    return 0;
}
