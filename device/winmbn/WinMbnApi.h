// Declarations of the Windows Mobile Broadband API (mbnapi) that the COM
// backend uses. mingw-w64 ships no mbnapi.h, so the interfaces are declared
// here by hand, following Microsoft's documentation of mbnapi.h
// ("Mobile Broadband API Interfaces", learn.microsoft.com/windows/win32/mbn,
// and the reference pages learn.microsoft.com/windows/win32/api/mbnapi/).
//
// Every interface lists ALL its methods in the documented vtable order, the
// ones the backend never calls included: a method missing or out of order
// shifts every slot after it, and the platform then runs the wrong function.
// Interfaces that the backend does not use but that appear in a signature
// (IMbnConnection) are only forward-declared.
//
// The names live in namespace WinMbn so that they never meet the
// device link's own DeviceLink:: records of the same names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the OLE headers build on its types.
#include <windows.h>

#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>

namespace WinMbn {

// ---------------------------------------------------------------------------
// Class and interface identifiers.

// CLSID_MbnInterfaceManager {BDFEE05B-4418-11DD-90ED-001C257CCFF1}
inline constexpr GUID CLSID_MbnInterfaceManager = {
    0xbdfee05b, 0x4418, 0x11dd, {0x90, 0xed, 0x00, 0x1c, 0x25, 0x7c, 0xcf, 0xf1}};
// IID_IMbnInterfaceManager {DCBBBAB6-201B-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnInterfaceManager = {
    0xdcbbbab6, 0x201b, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnInterface {DCBBBAB6-2001-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnInterface = {
    0xdcbbbab6, 0x2001, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSignal {DCBBBAB6-2003-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnSignal = {
    0xdcbbbab6, 0x2003, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSmsConfiguration {DCBBBAB6-2012-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnSmsConfiguration = {
    0xdcbbbab6, 0x2012, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSmsReadMsgPdu {DCBBBAB6-2013-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnSmsReadMsgPdu = {
    0xdcbbbab6, 0x2013, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSms {DCBBBAB6-2015-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnSms = {
    0xdcbbbab6, 0x2015, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSmsEvents {DCBBBAB6-2016-4BBB-AAEE-338E368AF6FA}
inline constexpr GUID IID_IMbnSmsEvents = {
    0xdcbbbab6, 0x2016, 0x4bbb, {0xaa, 0xee, 0x33, 0x8e, 0x36, 0x8a, 0xf6, 0xfa}};
// IID_IMbnSubscriberInformation {459ECC43-BCF5-11DC-A8A8-001321F1405F}
inline constexpr GUID IID_IMbnSubscriberInformation = {
    0x459ecc43, 0xbcf5, 0x11dc, {0xa8, 0xa8, 0x00, 0x13, 0x21, 0xf1, 0x40, 0x5f}};

// ---------------------------------------------------------------------------
// Enumerations (32-bit in the ABI, as every MIDL enum).

enum MBN_READY_STATE {
    MBN_READY_STATE_OFF = 0,
    MBN_READY_STATE_INITIALIZED = 1,
    MBN_READY_STATE_SIM_NOT_INSERTED = 2,
    MBN_READY_STATE_BAD_SIM = 3,
    MBN_READY_STATE_FAILURE = 4,
    MBN_READY_STATE_NOT_ACTIVATED = 5,
    MBN_READY_STATE_DEVICE_LOCKED = 6,
    MBN_READY_STATE_DEVICE_BLOCKED = 7,
    MBN_READY_STATE_NO_ESIM_PROFILE = 8,
};

enum MBN_CELLULAR_CLASS {
    MBN_CELLULAR_CLASS_NONE = 0,
    MBN_CELLULAR_CLASS_GSM = 1,
    MBN_CELLULAR_CLASS_CDMA = 2,
};

enum MBN_VOICE_CLASS {
    MBN_VOICE_CLASS_NONE = 0,
    MBN_VOICE_CLASS_NO_VOICE = 1,
    MBN_VOICE_CLASS_SEPARATE_VOICE_DATA = 2,
    MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA = 3,
};

enum MBN_SMS_FORMAT {
    MBN_SMS_FORMAT_NONE = 0,
    MBN_SMS_FORMAT_PDU = 1,
    MBN_SMS_FORMAT_TEXT = 2,
};

enum MBN_SMS_FLAG {
    MBN_SMS_FLAG_ALL = 0,
    MBN_SMS_FLAG_INDEX = 1,
    MBN_SMS_FLAG_NEW = 2,
    MBN_SMS_FLAG_OLD = 3,
    MBN_SMS_FLAG_SENT = 4,
    MBN_SMS_FLAG_DRAFT = 5,
};

enum MBN_MSG_STATUS {
    MBN_MSG_STATUS_NEW = 0,
    MBN_MSG_STATUS_OLD = 1,
    MBN_MSG_STATUS_DRAFT = 2,
    MBN_MSG_STATUS_SENT = 3,
};

// Used only in the signature of IMbnSms::SmsSendCdma.
enum MBN_SMS_CDMA_ENCODING {
    MBN_SMS_CDMA_ENCODING_OCTET = 0,
    MBN_SMS_CDMA_ENCODING_EPM = 1,
    MBN_SMS_CDMA_ENCODING_7BIT_ASCII = 2,
    MBN_SMS_CDMA_ENCODING_IA5 = 3,
    MBN_SMS_CDMA_ENCODING_UNICODE = 4,
    MBN_SMS_CDMA_ENCODING_SHIFT_JIS = 5,
    MBN_SMS_CDMA_ENCODING_KOREAN = 6,
    MBN_SMS_CDMA_ENCODING_LATIN_HEBREW = 7,
    MBN_SMS_CDMA_ENCODING_LATIN = 8,
    MBN_SMS_CDMA_ENCODING_GSM_7BIT = 9,
};

enum MBN_SMS_CDMA_LANG {
    MBN_SMS_CDMA_LANG_NONE = 0,
    MBN_SMS_CDMA_LANG_ENGLISH = 1,
    MBN_SMS_CDMA_LANG_FRENCH = 2,
    MBN_SMS_CDMA_LANG_SPANISH = 3,
    MBN_SMS_CDMA_LANG_JAPANESE = 4,
    MBN_SMS_CDMA_LANG_KOREAN = 5,
    MBN_SMS_CDMA_LANG_CHINESE = 6,
    MBN_SMS_CDMA_LANG_HEBREW = 7,
};

// ---------------------------------------------------------------------------
// Records. Every BSTR in a record handed out by the platform belongs to the
// caller, who frees it with SysFreeString.

struct MBN_INTERFACE_CAPS {
    MBN_CELLULAR_CLASS cellularClass;
    MBN_VOICE_CLASS voiceClass;
    ULONG dataClass;
    BSTR customDataClass;
    ULONG gsmBandClass;
    ULONG cdmaBandClass;
    BSTR customBandClass;
    ULONG smsCaps;
    ULONG controlCaps;
    BSTR deviceID;
    BSTR manufacturer;
    BSTR model;
    BSTR firmwareInfo;
};

struct MBN_PROVIDER {
    BSTR providerID;
    ULONG providerState;
    BSTR providerName;
    ULONG dataClass;
};

struct MBN_SMS_FILTER {
    MBN_SMS_FLAG flag;
    ULONG messageIndex;
};

struct MBN_SMS_STATUS_INFO {
    ULONG flag;
    ULONG messageIndex;
};

// ---------------------------------------------------------------------------
// Interfaces.

struct IMbnConnection;  // only named by IMbnInterface::GetConnection
struct IMbnInterface;
struct IMbnSubscriberInformation;
struct IMbnSms;
struct IMbnSmsConfiguration;

struct IMbnSignal : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSignalStrength(ULONG* signalStrength) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSignalError(ULONG* signalError) = 0;
};

struct IMbnSmsConfiguration : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ServiceCenterAddress(BSTR* scAddress) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ServiceCenterAddress(LPCWSTR scAddress) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MaxMessageIndex(ULONG* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CdmaShortMsgSize(ULONG* shortMsgSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SmsFormat(MBN_SMS_FORMAT* smsFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SmsFormat(MBN_SMS_FORMAT smsFormat) = 0;
};

struct IMbnSmsReadMsgPdu : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Index(ULONG* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(MBN_MSG_STATUS* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PduData(BSTR* pduData) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Message(SAFEARRAY** message) = 0;
};

struct IMbnSms : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    GetSmsConfiguration(IMbnSmsConfiguration** smsConfiguration) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSmsConfiguration(IMbnSmsConfiguration* smsConfiguration,
                                                          ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SmsSendPdu(LPCWSTR pduData, BYTE size, ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SmsSendCdma(LPCWSTR address, MBN_SMS_CDMA_ENCODING encoding,
                                                  MBN_SMS_CDMA_LANG language,
                                                  ULONG sizeInCharacters, SAFEARRAY* message,
                                                  ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SmsSendCdmaPdu(SAFEARRAY* message, ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SmsRead(MBN_SMS_FILTER* smsFilter, MBN_SMS_FORMAT smsFormat,
                                              ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SmsDelete(MBN_SMS_FILTER* smsFilter, ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSmsStatus(MBN_SMS_STATUS_INFO* smsStatusInfo) = 0;
};

// The notification interface. Its SAFEARRAY arguments are [in]: they stay the
// platform's, the sink only reads them.
struct IMbnSmsEvents : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnSmsConfigurationChange(IMbnSms* sms) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSetSmsConfigurationComplete(IMbnSms* sms, ULONG requestID,
                                                                    HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSmsSendComplete(IMbnSms* sms, ULONG requestID,
                                                        HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSmsReadComplete(IMbnSms* sms, MBN_SMS_FORMAT smsFormat,
                                                        SAFEARRAY* readMsgs, VARIANT_BOOL moreMsgs,
                                                        ULONG requestID, HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSmsNewClass0Message(IMbnSms* sms, MBN_SMS_FORMAT smsFormat,
                                                            SAFEARRAY* readMsgs) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSmsDeleteComplete(IMbnSms* sms, ULONG requestID,
                                                          HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSmsStatusChange(IMbnSms* sms) = 0;
};

struct IMbnSubscriberInformation : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_SubscriberID(BSTR* subscriberID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SimIccID(BSTR* simIccID) = 0;
    // SAFEARRAY(BSTR)
    virtual HRESULT STDMETHODCALLTYPE get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) = 0;
};

struct IMbnInterface : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_InterfaceID(BSTR* interfaceID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInterfaceCapability(MBN_INTERFACE_CAPS* interfaceCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetSubscriberInformation(IMbnSubscriberInformation** subscriberInformation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReadyState(MBN_READY_STATE* readyState) = 0;
    virtual HRESULT STDMETHODCALLTYPE InEmergencyMode(VARIANT_BOOL* emergencyMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHomeProvider(MBN_PROVIDER* homeProvider) = 0;
    // SAFEARRAY(MBN_PROVIDER)
    virtual HRESULT STDMETHODCALLTYPE GetPreferredProviders(SAFEARRAY** preferredProviders) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPreferredProviders(SAFEARRAY* preferredProviders,
                                                            ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleProviders(ULONG* age,
                                                          SAFEARRAY** visibleProviders) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScanNetwork(ULONG* requestID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnection(IMbnConnection** mbnConnection) = 0;
};

struct IMbnInterfaceManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInterface(LPCWSTR interfaceID,
                                                   IMbnInterface** mbnInterface) = 0;
    // SAFEARRAY(IMbnInterface*)
    virtual HRESULT STDMETHODCALLTYPE GetInterfaces(SAFEARRAY** mbnInterfaces) = 0;
};

}  // namespace WinMbn
