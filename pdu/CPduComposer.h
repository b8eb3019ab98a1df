// The SMS-SUBMIT composer: the application's one entry into the codec. It
// builds a message with the fixed settings of the program, writes it, and
// lets the PDU report decode it again, trace it and render the PDU text.
#pragma once

#include <iostream>
#include <string>
#include <string_view>

#include "pdu/OctetStream.h"

namespace PduLib {

class CPduComposer final {
public:
    // Whether the PDU asks for a status report (TP-SRR); the device link sets 0.
    int statusReportRequest = 0;

    CPduComposer() = default;

    void SetServiceCenter(std::u16string serviceCenter) {
        m_serviceCenter = std::move(serviceCenter);
    }
    void SetMessageText(std::u16string messageText) { m_messageText = std::move(messageText); }
    void SetDestination(std::u16string destination) { m_destination = std::move(destination); }

    // Builds, writes and reports the PDU. Returns the PDU text (uppercase
    // hexadecimal, service-centre field first), or an empty text on failure.
    std::u16string ComposePdu();

    // The PDU text of the last ComposePdu, as narrow text.
    const std::string& PduHex() const { return m_pduHex; }
    // Why the last ComposePdu failed (the codec's failure text), else empty.
    const std::string& FailureReason() const { return m_failureReason; }
    // Octets of the TPDU: the PDU less its service-centre field (0 when empty).
    std::size_t TpduLength() const;

    // Where the report and the failure trace go: the standard output stream
    // by default; nullptr silences both.
    void SetTrace(std::ostream* trace) { m_trace = trace; }

private:
    std::u16string m_pduText;
    std::u16string m_messageText;
    std::u16string m_destination;
    std::u16string m_serviceCenter;
    std::string m_pduHex;
    std::string m_failureReason;
    std::ostream* m_trace = &std::cout;
    // Scratch streams, emptied at every ComposePdu: each call still builds
    // its own message, but a stream's set-up costs more than a whole PDU.
    OctetStream m_stream;
    OctetStream m_reportStream;
};

// Decodes the PDU held in `stream` (read position at its start), prints its
// fields on `trace` (unless null), and appends the uppercase hexadecimal text
// of the re-encoded message to `pduHex`.
void WritePduReport(std::iostream& stream, std::string& pduHex, std::ostream* trace);
// The same, re-encoding into `scratch` (emptied first) instead of a new stream.
void WritePduReport(std::iostream& stream, std::string& pduHex, std::ostream* trace,
                    OctetStream& scratch);

// Narrows UTF-16 text to the ANSI code page (Windows-1252); characters that
// the code page lacks become '?'.
std::string NarrowToAnsi(std::u16string_view wide);

}  // namespace PduLib
