// The one PDU message type: SMS-SUBMIT led by the service-centre address.
#pragma once

#include <loki/Typelist.h>

#include "pdu/UserData.h"

namespace PduLib {

typedef Message<LOKI_TYPELIST_8(TPServiceCenterAddress, TPMtiAndFriendsSmsSubmit,
                                TPMessageReference, TPDestinationAddress, TPProtocolIdentifier,
                                TPDataCodingScheme, TPValidityPeriod, TPUserData)>
    SmsSubmitMessage;

// The variant families, as the units of SmsSubmitMessage nest them.
typedef SmsSubmitMessage::DataCodingSchemeBase DataCodingSchemeBase;
typedef SmsSubmitMessage::GeneralDataCodingScheme GeneralDataCodingScheme;
typedef SmsSubmitMessage::MessageWaitingDataCodingScheme MessageWaitingDataCodingScheme;
typedef SmsSubmitMessage::MessageClassDataCodingScheme MessageClassDataCodingScheme;
typedef SmsSubmitMessage::ValidityPeriodBase ValidityPeriodBase;
typedef SmsSubmitMessage::NoValidityPeriod NoValidityPeriod;
typedef SmsSubmitMessage::RelativeValidityPeriod RelativeValidityPeriod;
typedef SmsSubmitMessage::AbsoluteValidityPeriod AbsoluteValidityPeriod;
typedef SmsSubmitMessage::UserDataBase UserDataBase;
typedef SmsSubmitMessage::DefaultUserData DefaultUserData;
typedef SmsSubmitMessage::EightBitUserData EightBitUserData;
typedef SmsSubmitMessage::UCS2UserData UCS2UserData;
typedef SmsSubmitMessage::InfoElementBase InfoElementBase;
typedef SmsSubmitMessage::ConcatenatedMessage8bitInfoElement ConcatenatedMessage8bitInfoElement;
typedef SmsSubmitMessage::ConcatenatedMessage16bitInfoElement ConcatenatedMessage16bitInfoElement;
typedef SmsSubmitMessage::NationalLanguageInfoElement NationalLanguageInfoElement;
typedef SmsSubmitMessage::OtherInfoElement OtherInfoElement;
typedef SmsSubmitMessage::InfoElementPtr InfoElementPtr;

}  // namespace PduLib
