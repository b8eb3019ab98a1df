// Composing a whole message: every part of a concatenated message as a
// complete SMS-SUBMIT (3GPP TS 23.040 9.2.3.24.1 or .8), in GSM 7-bit (with
// national language tables when the plan chose them) or UCS2. A text that
// fits one part without national tables gives exactly the PDU of
// CPduComposer::ComposePdu.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "pdu/MessagePlan.h"
#include "pdu/OctetStream.h"

namespace PduLib {

class CPartsComposer final {
public:
    // Whether the parts ask for a status report (TP-SRR); set too by
    // options.deliveryReports.
    int statusReportRequest = 0;
    MessageOptions options;

    void SetServiceCenter(std::u16string serviceCenter) {
        m_serviceCenter = std::move(serviceCenter);
    }

    // Plans and writes every part of `text` to `destination`. `reference`
    // is the concatenation reference (its low 8 bits with IEI 0x00); the
    // caller advances it per concatenated message. Returns false with a
    // reason (a refused number, the parts limit, a codec failure).
    bool Compose(std::u16string_view text, std::u16string_view destination,
                 std::uint16_t reference);

    // The PDU text of every part (uppercase hexadecimal, service-centre
    // field first), in part order.
    const std::vector<std::string>& Pdus() const { return m_pdus; }
    const MessagePlan& Plan() const { return m_plan; }
    const std::string& FailureReason() const { return m_failureReason; }

    // Where each part's PDU report goes (nullptr, the default: nowhere).
    void SetTrace(std::ostream* trace) { m_trace = trace; }

private:
    std::u16string m_serviceCenter;
    MessagePlan m_plan;
    std::vector<std::string> m_pdus;
    std::string m_failureReason;
    std::ostream* m_trace = nullptr;
    OctetStream m_stream;
    OctetStream m_reportStream;
};

struct ComposedParts {
    MessagePlan plan;
    std::vector<std::string> pdus;
    std::string error;  // empty on success
};

// One call: CPartsComposer with these settings.
ComposedParts ComposeParts(std::u16string_view text, std::u16string_view destination,
                           std::u16string_view serviceCenter, const MessageOptions& options,
                           std::uint16_t reference);

}  // namespace PduLib
