#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::GeneralDataCodingScheme;
using PduLib::MessageClassDataCodingScheme;
using PduLib::MessageWaitingDataCodingScheme;
using PduLib::SmsSubmitMessage;

enum class Kind { General, Waiting, Class };

Kind kindOf(const PduLib::DataCodingSchemeBase& s) {
    if (dynamic_cast<const GeneralDataCodingScheme*>(&s)) {
        return Kind::General;
    }
    if (dynamic_cast<const MessageWaitingDataCodingScheme*>(&s)) {
        return Kind::Waiting;
    }
    return Kind::Class;
}

// A PDU up to and including TP-DCS; the validity period (none) and TP-UDL
// follow as "00" unless the alphabet is reserved.
std::string pduWithDcs(const std::string& dcs) {
    return "0001000081"
           "00" +
           dcs + "00";
}

TEST(DataCodingScheme, ReadsEachGroup) {
    const struct {
        const char* octet;
        Kind kind;
        int alphabet;
        const char* writesBack;
    } cases[] = {
        {"00", Kind::General, 0, "00"}, {"08", Kind::General, 2, "08"},
        {"04", Kind::General, 1, "04"}, {"0C", Kind::General, 3, "0C"},
        {"11", Kind::General, 0, "11"}, {"01", Kind::General, 0, "00"},
        {"3F", Kind::General, 3, "3F"}, {"C8", Kind::Waiting, 0, "C8"},
        {"C4", Kind::Waiting, 0, "C0"}, {"E3", Kind::Waiting, 2, "E3"},
        {"DB", Kind::Waiting, 0, "DB"}, {"F6", Kind::Class, 1, "F6"},
        {"FE", Kind::Class, 1, "F6"},   {"F0", Kind::Class, 0, "F0"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        const std::string error = readHex(message, pduWithDcs(c.octet));
        // Alphabet 3 is accepted by TP-DCS and refused by the user data.
        EXPECT_EQ(error, c.alphabet == 3 ? "TPUserData: Unsupported alphabet" : "") << c.octet;
        EXPECT_EQ(kindOf(message.dataCodingScheme()), c.kind) << c.octet;
        EXPECT_EQ(message.alphabet(), c.alphabet) << c.octet;
        EXPECT_EQ(ToHex(std::string(1, static_cast<char>(message.dataCodingScheme().toOctet()))),
                  c.writesBack)
            << c.octet;
    }
}

TEST(DataCodingScheme, RejectsUnsupportedGroupsAndKeepsTheHeldVariant) {
    for (unsigned octet : {0x40u, 0x7Fu, 0x80u, 0x90u, 0xBFu}) {
        SmsSubmitMessage message;
        const std::string hex = ToHex(std::string(1, static_cast<char>(octet)));
        EXPECT_EQ(readHex(message, pduWithDcs(hex)),
                  "MessageClassDataCodingScheme: invalid coding scheme")
            << hex;
        EXPECT_EQ(kindOf(message.dataCodingScheme()), Kind::General) << "held variant stays";
    }
}

TEST(DataCodingScheme, TypedAccessChecksTheType) {
    SmsSubmitMessage message;
    EXPECT_NO_THROW(message.getDataCodingScheme<GeneralDataCodingScheme>());
    try {
        message.getDataCodingScheme<MessageClassDataCodingScheme>();
        ADD_FAILURE();
    } catch (const PduLib::failure& e) {
        EXPECT_STREQ(e.what(), "TPDataCodingScheme: bad cast");
    }
}

TEST(DataCodingScheme, SettingASchemeResetsTheBodyOnlyWhenTheAlphabetChanges) {
    SmsSubmitMessage message;
    message.setUserData(PduLib::DefaultUserData("abc"));
    message.setDataCodingScheme(GeneralDataCodingScheme(0x10));  // class 0, still 7-bit
    EXPECT_TRUE(message.userData().equals(PduLib::DefaultUserData("abc")));
    message.setDataCodingScheme(GeneralDataCodingScheme(0x08));
    EXPECT_TRUE(message.userData().equals(PduLib::UCS2UserData()));
    try {
        message.setDataCodingScheme(GeneralDataCodingScheme(0x0C));
        ADD_FAILURE();
    } catch (const PduLib::failure& e) {
        EXPECT_STREQ(e.what(), "TPUserData: Unsupported alphabet");
    }
    EXPECT_EQ(message.alphabet(), 3) << "the scheme is stored before the body is refused";
}

}  // namespace
