#include "pdu/PartsComposer.h"

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/SmsSubmitMessage.h"
#include "pdu/SubmitFields.h"

namespace PduLib {

bool CPartsComposer::Compose(std::u16string_view text, std::u16string_view destination,
                             std::uint16_t reference) {
    m_pdus.clear();
    m_failureReason.clear();
    m_plan = PlanMessage(text, options);
    std::string reason = CheckNumber(destination, true, "destination");
    if (reason.empty()) {
        reason = CheckNumber(m_serviceCenter, false, "service-centre");
    }
    if (reason.empty() && !m_plan.ok()) {
        reason = m_plan.error;
    }
    if (!reason.empty()) {
        m_failureReason = std::move(reason);
        return false;
    }
    const std::string serviceCenter = NarrowToAnsi(m_serviceCenter);
    const std::string number = NarrowToAnsi(destination);
    const bool ucs2 = m_plan.encoding == TextEncoding::Ucs2;
    const auto total = static_cast<std::uint8_t>(m_plan.parts);
    try {
        for (std::size_t k = 0; k < m_plan.parts; ++k) {
            SmsSubmitMessage message;
            SetSubmitFields(message, serviceCenter, number,
                            statusReportRequest != 0 || options.deliveryReports);
            GeneralDataCodingScheme scheme;
            scheme.alphabet = ucs2 ? 2 : 0;
            message.setDataCodingScheme(scheme);
            const auto sequence = static_cast<std::uint8_t>(k + 1);
            if (m_plan.parts > 1) {
                if (options.reference16) {
                    message.setInfoElement(
                        ConcatenatedMessage16bitInfoElement(reference, total, sequence));
                } else {
                    message.setInfoElement(ConcatenatedMessage8bitInfoElement(
                        static_cast<std::uint8_t>(reference & 0xFF), total, sequence));
                }
            }
            if (m_plan.tables.single != kLanguageDefault) {
                message.setInfoElement(NationalLanguageInfoElement(
                    false, static_cast<std::uint8_t>(m_plan.tables.single)));
            }
            if (m_plan.tables.locking != kLanguageDefault) {
                message.setInfoElement(NationalLanguageInfoElement(
                    true, static_cast<std::uint8_t>(m_plan.tables.locking)));
            }
            unit<TPMtiAndFriendsSmsSubmit>(message).setUserDataHeaderIndicator(
                message.headerLength() != 0);
            if (ucs2) {
                message.setUserData(UCS2UserData(m_plan.ucs2[k]));
            } else {
                message.setUserData(DefaultUserData(m_plan.septets[k]));
            }
            m_stream.reset();
            message.write(m_stream);
            std::string hex;
            if (m_trace != nullptr) {
                WritePduReport(m_stream, hex, m_trace, m_reportStream);
            } else {
                AppendHex(m_stream.octets(), hex);
            }
            m_pdus.push_back(std::move(hex));
        }
    } catch (const std::exception& e) {
        m_pdus.clear();
        m_failureReason = e.what();
        return false;
    }
    return true;
}

ComposedParts ComposeParts(std::u16string_view text, std::u16string_view destination,
                           std::u16string_view serviceCenter, const MessageOptions& options,
                           std::uint16_t reference) {
    CPartsComposer composer;
    composer.options = options;
    composer.SetServiceCenter(std::u16string(serviceCenter));
    ComposedParts out;
    composer.Compose(text, destination, reference);
    out.plan = composer.Plan();
    out.pdus = composer.Pdus();
    out.error = composer.FailureReason();
    return out;
}

}  // namespace PduLib
