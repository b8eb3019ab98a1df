#include "device/at/AtStatus.h"

namespace At {

HRESULT StatusForCmsError(int code) {
    switch (code) {
        // RP causes (TS 24.011 E.2) and TP-FCS values that name the SIM or
        // the subscription.
        case 8:    // operator determined barring
        case 10:   // call barred
        case 50:   // requested facility not subscribed
        case 193:  // 0xC1 no SC subscription
        case 196:  // 0xC4 destination SME barred
        case 209:  // 0xD1 no SMS storage capability in SIM
        case 302:  // operation not allowed
            return kSmsNotAllowed;
        case 195:  // 0xC3 invalid SME address
        case 304:  // invalid PDU mode parameter
        case 305:  // invalid text mode parameter
        case 321:  // invalid memory index
            return E_INVALIDARG;
        case 303:  // operation not supported
            return kStatusNotSupported;
        case 208:  // 0xD0 SIM SMS storage full
        case 211:  // 0xD3 memory capacity exceeded
        case 322:  // memory full
            return kSmsMemoryFull;
        case 320:  // memory failure
            return kSmsMemoryFailure;
        case 310:  // SIM not inserted
            return kSimNotInserted;
        case 313:  // SIM failure
        case 315:  // SIM wrong
            return kBadSim;
        case 311:  // SIM PIN required
        case 312:  // PH-SIM PIN required
        case 316:  // SIM PUK required
        case 317:  // SIM PIN2 required
        case 318:  // SIM PUK2 required
            return kPinRequired;
        case 330:  // SMSC address unknown
            return kSmsUnknownSmsc;
        case 331:  // no network service
            return kNotRegistered;
        case 332:  // network timeout
            return kSmsNetworkTimeout;
        default:
            break;
    }
    if (code >= 0 && code < 0x1000) {
        return static_cast<HRESULT>(static_cast<unsigned>(kCmsErrorBase) |
                                    static_cast<unsigned>(code));
    }
    return E_FAIL;
}

HRESULT StatusForCmeError(int code) {
    switch (code) {
        case 3:  // operation not allowed
            return kSmsNotAllowed;
        case 4:  // operation not supported
            return kStatusNotSupported;
        case 5:   // PH-SIM PIN required
        case 11:  // SIM PIN required
        case 12:  // SIM PUK required
        case 16:  // incorrect password
        case 17:  // SIM PIN2 required
        case 18:  // SIM PUK2 required
            return kPinRequired;
        case 10:  // SIM not inserted
            return kSimNotInserted;
        case 13:  // SIM failure
        case 15:  // SIM wrong
            return kBadSim;
        case 20:  // memory full
            return kSmsMemoryFull;
        case 23:  // memory failure
            return kSmsMemoryFailure;
        case 21:  // invalid index
        case 24:  // text string too long
        case 25:  // invalid characters in text string
        case 26:  // dial string too long
        case 27:  // invalid characters in dial string
            return E_INVALIDARG;
        case 30:  // no network service
        case 32:  // network not allowed - emergency calls only
            return kNotRegistered;
        case 31:  // network timeout
            return kSmsNetworkTimeout;
        default:
            break;
    }
    if (code >= 0 && code < 0x1000) {
        return static_cast<HRESULT>(static_cast<unsigned>(kCmeErrorBase) |
                                    static_cast<unsigned>(code));
    }
    return E_FAIL;
}

HRESULT StatusForFinal(const FinalResult& result) {
    switch (result.kind) {
        case FinalResult::Kind::Ok:
            return S_OK;
        case FinalResult::Kind::CmsError:
            return StatusForCmsError(result.code);
        case FinalResult::Kind::CmeError:
            return StatusForCmeError(result.code);
        case FinalResult::Kind::Error:
            break;
    }
    return E_FAIL;
}

}  // namespace At
