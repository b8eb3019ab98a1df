// The messages the program receives, led by the service-centre address as
// in the PDU mode of 3GPP TS 27.005: SMS-DELIVER (3GPP TS 23.040 9.2.2.1)
// and SMS-STATUS-REPORT (9.2.2.3).
#pragma once

#include <loki/Typelist.h>

#include "pdu/DeliverFields.h"
#include "pdu/UserData.h"

namespace PduLib {

typedef Message<LOKI_TYPELIST_7(TPServiceCenterAddress, TPMtiAndFriendsSmsDeliver,
                                TPOriginatingAddress, TPProtocolIdentifier, TPDataCodingScheme,
                                TPServiceCentreTimeStamp, TPUserData)>
    SmsDeliverMessage;

// TP-PID, TP-DCS and TP-UD only as TP-PI announces them.
typedef Message<LOKI_TYPELIST_11(TPServiceCenterAddress, TPMtiAndFriendsSmsStatusReport,
                                 TPMessageReference, TPRecipientAddress, TPServiceCentreTimeStamp,
                                 TPDischargeTime, TPStatus, TPParameterIndicator,
                                 TPProtocolIdentifier, TPDataCodingScheme, TPUserData)>
    SmsStatusReportMessage;

}  // namespace PduLib
