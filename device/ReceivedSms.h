// One message that the modem received and the device link hands up: an
// SMS-DELIVER (a reply) or an SMS-STATUS-REPORT (a delivery report).
//
// Nothing is lost in a crash: a message stays on the modem until the upper
// layer says it has kept it (ISmsFront::AckReceived with `handle`). Only then
// is it deleted from the modem's store (AT+CMGD), or, for a message the modem
// routed directly to us without storing it (+CMT / +CDS), acknowledged to the
// network (AT+CNMA) where the modem's message service (+CSMS: 1) needs that.
// A stored message that is not acknowledged stays where it is and is handed
// up again at the next start-up (the upper layer must take a message it
// already has as a duplicate, not as a new one).
#pragma once

#include <cstdint>
#include <string>

struct ReceivedSms {
    enum class Kind { Deliver, StatusReport };
    Kind kind = Kind::Deliver;
    // Upper-case hexadecimal, service-centre field first (PduLib::FromHex,
    // then PduLib::DecodePdu).
    std::string pdu;
    // The store that holds it ("SM", "ME", "MT", "SR", ...) and its index
    // there; empty and 0 for a message routed directly (+CMT / +CDS).
    std::string memory;
    std::uint32_t index = 0;
    // Names the message to AckReceived; unique within the run, never 0.
    std::uint32_t handle = 0;

    bool Stored() const { return !memory.empty(); }
};
