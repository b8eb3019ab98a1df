#include "pdu/Gsm7National.h"

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "pdu/Gsm7.h"
#include "pdu/Gsm7Tables.h"

namespace PduLib {
namespace {

using detail::Gsm7Shift;

// Locking shift tables (TS 23.038 A.3) as the codes where they differ from
// the default alphabet.
constexpr Gsm7Shift kTurkishLocking[] = {
    {0x04, u'\u20AC'}, {0x07, u'\u0131'}, {0x0B, u'\u011E'}, {0x0C, u'\u011F'},
    {0x1C, u'\u015E'}, {0x1D, u'\u015F'}, {0x40, u'\u0130'}, {0x60, u'\u00E7'},
};
constexpr Gsm7Shift kPortugueseLocking[] = {
    {0x04, u'\u00EA'}, {0x06, u'\u00FA'}, {0x07, u'\u00ED'}, {0x08, u'\u00F3'}, {0x09, u'\u00E7'},
    {0x0B, u'\u00D4'}, {0x0C, u'\u00F4'}, {0x0E, u'\u00C1'}, {0x0F, u'\u00E1'}, {0x12, u'\u00AA'},
    {0x13, u'\u00C7'}, {0x14, u'\u00C0'}, {0x15, u'\u221E'}, {0x16, u'^'},      {0x17, u'\\'},
    {0x18, u'\u20AC'}, {0x19, u'\u00D3'}, {0x1A, u'|'},      {0x1C, u'\u00C2'}, {0x1D, u'\u00E2'},
    {0x1E, u'\u00CA'}, {0x24, u'\u00BA'}, {0x40, u'\u00CD'}, {0x5B, u'\u00C3'}, {0x5C, u'\u00D5'},
    {0x5D, u'\u00DA'}, {0x60, u'~'},      {0x7B, u'\u00E3'}, {0x7C, u'\u00F5'}, {0x7D, u'`'},
};

// Single shift tables (TS 23.038 A.2), whole.
constexpr Gsm7Shift kTurkishSingle[] = {
    {0x0A, u'\u000C'}, {0x14, u'^'},      {0x28, u'{'},      {0x29, u'}'},      {0x2F, u'\\'},
    {0x3C, u'['},      {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},      {0x47, u'\u011E'},
    {0x49, u'\u0130'}, {0x53, u'\u015E'}, {0x63, u'\u00E7'}, {0x65, u'\u20AC'}, {0x67, u'\u011F'},
    {0x69, u'\u0131'}, {0x73, u'\u015F'},
};
constexpr Gsm7Shift kSpanishSingle[] = {
    {0x09, u'\u00E7'}, {0x0A, u'\u000C'}, {0x14, u'^'},      {0x28, u'{'},      {0x29, u'}'},
    {0x2F, u'\\'},     {0x3C, u'['},      {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},
    {0x41, u'\u00C1'}, {0x49, u'\u00CD'}, {0x4F, u'\u00D3'}, {0x55, u'\u00DA'}, {0x61, u'\u00E1'},
    {0x65, u'\u20AC'}, {0x69, u'\u00ED'}, {0x6F, u'\u00F3'}, {0x75, u'\u00FA'},
};
constexpr Gsm7Shift kPortugueseSingle[] = {
    {0x05, u'\u00EA'}, {0x09, u'\u00E7'}, {0x0A, u'\u000C'}, {0x0B, u'\u00D4'}, {0x0C, u'\u00F4'},
    {0x0E, u'\u00C1'}, {0x0F, u'\u00E1'}, {0x12, u'\u03A6'}, {0x13, u'\u0393'}, {0x14, u'^'},
    {0x15, u'\u03A9'}, {0x16, u'\u03A0'}, {0x17, u'\u03A8'}, {0x18, u'\u03A3'}, {0x19, u'\u0398'},
    {0x1F, u'\u00CA'}, {0x28, u'{'},      {0x29, u'}'},      {0x2F, u'\\'},     {0x3C, u'['},
    {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},      {0x41, u'\u00C0'}, {0x49, u'\u00CD'},
    {0x4F, u'\u00D3'}, {0x55, u'\u00DA'}, {0x5B, u'\u00C3'}, {0x5C, u'\u00D5'}, {0x61, u'\u00C2'},
    {0x65, u'\u20AC'}, {0x69, u'\u00ED'}, {0x6F, u'\u00F3'}, {0x75, u'\u00FA'}, {0x7B, u'\u00E3'},
    {0x7C, u'\u00F5'}, {0x7F, u'\u00E2'},
};

// The Indian languages' tables (TS 23.038 A.3.4-A.3.13 locking shift,
// A.2.4-A.2.13 single shift), whole: for codes 0x00 to 0x7F in turn, the
// UTF-16 code unit in four hex digits and a blank, "----" where the table
// holds no character. 0x1B is the escape in every one of them.
struct IndianTables {
    const char* locking;
    const char* single;
};
constexpr IndianTables kIndian[] = {
    // Bengali: A.3.4 locking shift, A.2.4 single shift.
    {"0981 0982 0983 0985 0986 0987 0988 0989 098A 098B 000A 098C ---- 000D ---- 098F "
     "0990 ---- ---- 0993 0994 0995 0996 0997 0998 0999 099A ---- 099B 099C 099D 099E "
     "0020 0021 099F 09A0 09A1 09A2 09A3 09A4 0029 0028 09A5 09A6 002C 09A7 002E 09A8 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 09AA 09AB 003F "
     "09AC 09AD 09AE 09AF 09B0 ---- 09B2 ---- ---- ---- 09B6 09B7 09B8 09B9 09BC 09BD "
     "09BE 09BF 09C0 09C1 09C2 09C3 09C4 ---- ---- 09C7 09C8 ---- ---- 09CB 09CC 09CD "
     "09CE 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 09D7 09DC 09DD 09F0 09F1 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 09E6 09E7 ---- 09E8 09E9 09EA 09EB "
     "09EC 09ED 09EE 09EF 09DF 09E0 09E1 09E2 007B 007D 09E3 09F2 09F3 09F4 09F5 005C "
     "09F6 09F7 09F8 09F9 09FA ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Gujarati: A.3.5 locking shift, A.2.5 single shift.
    {"0A81 0A82 0A83 0A85 0A86 0A87 0A88 0A89 0A8A 0A8B 000A 0A8C 0A8D 000D ---- 0A8F "
     "0A90 0A91 ---- 0A93 0A94 0A95 0A96 0A97 0A98 0A99 0A9A ---- 0A9B 0A9C 0A9D 0A9E "
     "0020 0021 0A9F 0AA0 0AA1 0AA2 0AA3 0AA4 0029 0028 0AA5 0AA6 002C 0AA7 002E 0AA8 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0AAA 0AAB 003F "
     "0AAC 0AAD 0AAE 0AAF 0AB0 ---- 0AB2 0AB3 ---- 0AB5 0AB6 0AB7 0AB8 0AB9 0ABC 0ABD "
     "0ABE 0ABF 0AC0 0AC1 0AC2 0AC3 0AC4 0AC5 ---- 0AC7 0AC8 0AC9 ---- 0ACB 0ACC 0ACD "
     "0AD0 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0AE0 0AE1 0AE2 0AE3 0AF1 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0AE6 0AE7 0AE8 0AE9 "
     "0AEA 0AEB 0AEC 0AED 0AEE 0AEF ---- ---- 007B 007D ---- ---- ---- ---- ---- 005C "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Hindi: A.3.6 locking shift, A.2.6 single shift.
    {"0901 0902 0903 0905 0906 0907 0908 0909 090A 090B 000A 090C 090D 000D 090E 090F "
     "0910 0911 0912 0913 0914 0915 0916 0917 0918 0919 091A ---- 091B 091C 091D 091E "
     "0020 0021 091F 0920 0921 0922 0923 0924 0029 0028 0925 0926 002C 0927 002E 0928 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B 0929 092A 092B 003F "
     "092C 092D 092E 092F 0930 0931 0932 0933 0934 0935 0936 0937 0938 0939 093C 093D "
     "093E 093F 0940 0941 0942 0943 0944 0945 0946 0947 0948 0949 094A 094B 094C 094D "
     "0950 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0972 097B 097C 097E 097F ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0966 0967 0968 0969 "
     "096A 096B 096C 096D 096E 096F 0951 0952 007B 007D 0953 0954 0958 0959 095A 005C "
     "095B 095C 095D 095E 095F 0960 0961 0962 0963 0970 0971 ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Kannada: A.3.7 locking shift, A.2.7 single shift.
    {"---- 0C82 0C83 0C85 0C86 0C87 0C88 0C89 0C8A 0C8B 000A 0C8C ---- 000D 0C8E 0C8F "
     "0C90 ---- 0C92 0C93 0C94 0C95 0C96 0C97 0C98 0C99 0C9A ---- 0C9B 0C9C 0C9D 0C9E "
     "0020 0021 0C9F 0CA0 0CA1 0CA2 0CA3 0CA4 0029 0028 0CA5 0CA6 002C 0CA7 002E 0CA8 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0CAA 0CAB 003F "
     "0CAC 0CAD 0CAE 0CAF 0CB0 0CB1 0CB2 0CB3 ---- 0CB5 0CB6 0CB7 0CB8 0CB9 0CBC 0CBD "
     "0CBE 0CBF 0CC0 0CC1 0CC2 0CC3 0CC4 ---- 0CC6 0CC7 0CC8 ---- 0CCA 0CCB 0CCC 0CCD "
     "0CD5 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0CD6 0CE0 0CE1 0CE2 0CE3 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0CE6 0CE7 0CE8 0CE9 "
     "0CEA 0CEB 0CEC 0CED 0CEE 0CEF 0CDE 0CF1 007B 007D 0CF2 ---- ---- ---- ---- 005C "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Malayalam: A.3.8 locking shift, A.2.8 single shift.
    {"---- 0D02 0D03 0D05 0D06 0D07 0D08 0D09 0D0A 0D0B 000A 0D0C ---- 000D 0D0E 0D0F "
     "0D10 ---- 0D12 0D13 0D14 0D15 0D16 0D17 0D18 0D19 0D1A ---- 0D1B 0D1C 0D1D 0D1E "
     "0020 0021 0D1F 0D20 0D21 0D22 0D23 0D24 0029 0028 0D25 0D26 002C 0D27 002E 0D28 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0D2A 0D2B 003F "
     "0D2C 0D2D 0D2E 0D2F 0D30 0D31 0D32 0D33 0D34 0D35 0D36 0D37 0D38 0D39 ---- 0D3D "
     "0D3E 0D3F 0D40 0D41 0D42 0D43 0D44 ---- 0D46 0D47 0D48 ---- 0D4A 0D4B 0D4C 0D4D "
     "0D57 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0D60 0D61 0D62 0D63 0D79 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0D66 0D67 0D68 0D69 "
     "0D6A 0D6B 0D6C 0D6D 0D6E 0D6F 0D70 0D71 007B 007D 0D72 0D73 0D74 0D75 0D7A 005C "
     "0D7B 0D7C 0D7D 0D7E 0D7F ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Oriya: A.3.9 locking shift, A.2.9 single shift.
    {"0B01 0B02 0B03 0B05 0B06 0B07 0B08 0B09 0B0A 0B0B 000A 0B0C ---- 000D ---- 0B0F "
     "0B10 ---- ---- 0B13 0B14 0B15 0B16 0B17 0B18 0B19 0B1A ---- 0B1B 0B1C 0B1D 0B1E "
     "0020 0021 0B1F 0B20 0B21 0B22 0B23 0B24 0029 0028 0B25 0B26 002C 0B27 002E 0B28 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0B2A 0B2B 003F "
     "0B2C 0B2D 0B2E 0B2F 0B30 ---- 0B32 0B33 ---- 0B35 0B36 0B37 0B38 0B39 0B3C 0B3D "
     "0B3E 0B3F 0B40 0B41 0B42 0B43 0B44 ---- ---- 0B47 0B48 ---- ---- 0B4B 0B4C 0B4D "
     "0B56 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0B57 0B60 0B61 0B62 0B63 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0B66 0B67 0B68 0B69 "
     "0B6A 0B6B 0B6C 0B6D 0B6E 0B6F 0B5C 0B5D 007B 007D 0B5F 0B70 0B71 ---- ---- 005C "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Punjabi: A.3.10 locking shift, A.2.10 single shift.
    {"0A01 0A02 0A03 0A05 0A06 0A07 0A08 0A09 0A0A ---- 000A ---- ---- 000D ---- 0A0F "
     "0A10 ---- ---- 0A13 0A14 0A15 0A16 0A17 0A18 0A19 0A1A ---- 0A1B 0A1C 0A1D 0A1E "
     "0020 0021 0A1F 0A20 0A21 0A22 0A23 0A24 0029 0028 0A25 0A26 002C 0A27 002E 0A28 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0A2A 0A2B 003F "
     "0A2C 0A2D 0A2E 0A2F 0A30 ---- 0A32 0A33 ---- 0A35 0A36 ---- 0A38 0A39 0A3C ---- "
     "0A3E 0A3F 0A40 0A41 0A42 ---- ---- ---- ---- 0A47 0A48 ---- ---- 0A4B 0A4C 0A4D "
     "0A51 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0A70 0A71 0A72 0A73 0A74 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0A66 0A67 0A68 0A69 "
     "0A6A 0A6B 0A6C 0A6D 0A6E 0A6F 0A59 0A5A 007B 007D 0A5B 0A5C 0A5E 0A75 ---- 005C "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Tamil: A.3.11 locking shift, A.2.11 single shift.
    {"---- 0B82 0B83 0B85 0B86 0B87 0B88 0B89 0B8A ---- 000A ---- ---- 000D 0B8E 0B8F "
     "0B90 ---- 0B92 0B93 0B94 0B95 ---- ---- ---- 0B99 0B9A ---- ---- 0B9C ---- 0B9E "
     "0020 0021 0B9F ---- ---- ---- 0BA3 0BA4 0029 0028 ---- ---- 002C ---- 002E 0BA8 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B 0BA9 0BAA ---- 003F "
     "---- ---- 0BAE 0BAF 0BB0 0BB1 0BB2 0BB3 0BB4 0BB5 0BB6 0BB7 0BB8 0BB9 ---- ---- "
     "0BBE 0BBF 0BC0 0BC1 0BC2 ---- ---- ---- 0BC6 0BC7 0BC8 ---- 0BCA 0BCB 0BCC 0BCD "
     "0BD0 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0BD7 0BF0 0BF1 0BF2 0BF9 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0964 0965 ---- 0BE6 0BE7 0BE8 0BE9 "
     "0BEA 0BEB 0BEC 0BED 0BEE 0BEF 0BF3 0BF4 007B 007D 0BF5 0BF6 0BF7 0BF8 0BFA 005C "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Telugu: A.3.12 locking shift, A.2.12 single shift.
    {"0C01 0C02 0C03 0C05 0C06 0C07 0C08 0C09 0C0A 0C0B 000A 0C0C ---- 000D 0C0E 0C0F "
     "0C10 ---- 0C12 0C13 0C14 0C15 0C16 0C17 0C18 0C19 0C1A ---- 0C1B 0C1C 0C1D 0C1E "
     "0020 0021 0C1F 0C20 0C21 0C22 0C23 0C24 0029 0028 0C25 0C26 002C 0C27 002E 0C28 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B ---- 0C2A 0C2B 003F "
     "0C2C 0C2D 0C2E 0C2F 0C30 0C31 0C32 0C33 ---- 0C35 0C36 0C37 0C38 0C39 ---- 0C3D "
     "0C3E 0C3F 0C40 0C41 0C42 0C43 0C44 ---- 0C46 0C47 0C48 ---- 0C4A 0C4B 0C4C 0C4D "
     "0C55 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0C56 0C60 0C61 0C62 0C63 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A ---- ---- ---- 0C66 0C67 0C68 0C69 "
     "0C6A 0C6B 0C6C 0C6D 0C6E 0C6F 0C58 0C59 007B 007D 0C78 0C79 0C7A 0C7B 0C7C 005C "
     "0C7D 0C7E 0C7F ---- ---- ---- ---- ---- ---- ---- ---- ---- 005B 007E 005D ---- "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
    // Urdu: A.3.13 locking shift, A.2.13 single shift.
    {"0627 0622 0628 067B 0680 067E 06A6 062A 06C2 067F 000A 0679 067D 000D 067A 067C "
     "062B 062C 0681 0684 0683 0685 0686 0687 062D 062E 062F ---- 068C 0688 0689 068A "
     "0020 0021 068F 068D 0630 0631 0691 0693 0029 0028 0699 0632 002C 0696 002E 0698 "
     "0030 0031 0032 0033 0034 0035 0036 0037 0038 0039 003A 003B 069A 0633 0634 003F "
     "0635 0636 0637 0638 0639 0641 0642 06A9 06AA 06AB 06AF 06B3 06B1 0644 0645 0646 "
     "06BA 06BB 06BC 0648 06C4 06D5 06C1 06BE 0621 06CC 06D0 06D2 064D 0650 064F 0657 "
     "0654 0061 0062 0063 0064 0065 0066 0067 0068 0069 006A 006B 006C 006D 006E 006F "
     "0070 0071 0072 0073 0074 0075 0076 0077 0078 0079 007A 0655 0651 0653 0656 0670 ",
     "0040 00A3 0024 00A5 00BF 0022 00A4 0025 0026 0027 000C 002A 002B ---- 002D 002F "
     "003C 003D 003E 00A1 005E 00A1 005F 0023 002A 0600 0601 ---- 06F0 06F1 06F2 06F3 "
     "06F4 06F5 06F6 06F7 06F8 06F9 060C 060D 007B 007D 060E 060F 0610 0611 0612 005C "
     "0613 0614 061B 061F 0640 0652 0658 066B 066C 0672 0673 06CD 005B 007E 005D 06D4 "
     "007C 0041 0042 0043 0044 0045 0046 0047 0048 0049 004A 004B 004C 004D 004E 004F "
     "0050 0051 0052 0053 0054 0055 0056 0057 0058 0059 005A ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- 20AC ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "
     "---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- "},
};

constexpr std::size_t kEntryChars = 5;

constexpr bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// 128 entries, each "----" or four hex digits and a blank; none at 0x1B.
constexpr bool wellFormed(const char* table) {
    std::size_t i = 0;
    for (; table[i] != '\0'; ++i) {
        const char c = table[i];
        const char first = table[i - i % kEntryChars];
        const bool ok = i % kEntryChars == 4 ? c == ' ' : first == '-' ? c == '-' : isHex(c);
        if (!ok) {
            return false;
        }
    }
    return i == 128 * kEntryChars && table[0x1B * kEntryChars] == '-';
}

constexpr bool allWellFormed() {
    for (const IndianTables& t : kIndian) {
        if (!wellFormed(t.locking) || !wellFormed(t.single)) {
            return false;
        }
    }
    return true;
}
static_assert(allWellFormed(), "an Indian table is not 128 entries of four hex digits");

// The character at `code` of a whole table; 0 where it holds none.
char16_t entry(const char* table, unsigned code) {
    const char* at = table + code * kEntryChars;
    if (at[0] == '-') {
        return 0;
    }
    unsigned value = 0;
    for (int k = 0; k < 4; ++k) {
        const char c = at[k];
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return static_cast<char16_t>(value);
}

const IndianTables* indian(int language) {
    return language >= kLanguageBengali && language <= kLanguageUrdu
               ? &kIndian[language - kLanguageBengali]
               : nullptr;
}

constexpr int kLanguages = 14;
constexpr char kEscape = 0x1B;

template <std::size_t N>
constexpr std::pair<const Gsm7Shift*, std::size_t> view(const Gsm7Shift (&table)[N]) {
    return {table, N};
}

std::pair<const Gsm7Shift*, std::size_t> lockingChanges(int language) {
    switch (language) {
        case kLanguageTurkish:
            return view(kTurkishLocking);
        case kLanguagePortuguese:
            return view(kPortugueseLocking);
        default:
            return {nullptr, 0};
    }
}

std::pair<const Gsm7Shift*, std::size_t> singleShift(int language) {
    switch (language) {
        case kLanguageTurkish:
            return view(kTurkishSingle);
        case kLanguageSpanish:
            return view(kSpanishSingle);
        case kLanguagePortuguese:
            return view(kPortugueseSingle);
        default: {
            std::size_t count = 0;
            const Gsm7Shift* table = detail::Gsm7DefaultExtension(count);
            return {table, count};
        }
    }
}

int known(int language) {
    return language > 0 && language < kLanguages ? language : 0;
}

// One table pair, both directions.
struct Charset {
    std::array<char16_t, 128> basic{};                   // 0: not in the locking table
    std::array<char16_t, 128> shifted{};                 // 0: not in the single shift table
    std::unordered_map<char16_t, std::uint16_t> encode;  // code, or 0x8000 | code

    Charset(int locking, int single) {
        if (const IndianTables* whole = indian(locking)) {
            for (unsigned code = 0; code < 128; ++code) {
                basic[code] = entry(whole->locking, code);
            }
        } else {
            const char16_t* def = detail::Gsm7DefaultTable();
            for (unsigned code = 0; code < 128; ++code) {
                basic[code] = def[code];
            }
            const auto changes = lockingChanges(locking);
            for (std::size_t k = 0; k < changes.second; ++k) {
                basic[static_cast<unsigned char>(changes.first[k].code)] =
                    changes.first[k].character;
            }
        }
        if (const IndianTables* whole = indian(single)) {
            for (unsigned code = 0; code < 128; ++code) {
                shifted[code] = entry(whole->single, code);
            }
        } else {
            const auto shift = singleShift(single);
            for (std::size_t k = 0; k < shift.second; ++k) {
                shifted[static_cast<unsigned char>(shift.first[k].code)] = shift.first[k].character;
            }
        }
        // A character in both tables takes one septet.
        for (unsigned code = 0; code < 128; ++code) {
            if (code != 0x1B && basic[code] != 0) {
                encode.emplace(basic[code], static_cast<std::uint16_t>(code));
            }
        }
        for (unsigned code = 0; code < 128; ++code) {
            if (shifted[code] != 0) {
                encode.emplace(shifted[code], static_cast<std::uint16_t>(0x8000u | code));
            }
        }
    }
};

// A code the table leaves undefined shows a blank.
char16_t orBlank(char16_t c) {
    return c != 0 ? c : u' ';
}

const Charset& charset(Gsm7Tables tables) {
    static const auto all = [] {
        std::array<std::unique_ptr<Charset>, kLanguages * kLanguages> sets;
        for (int l = 0; l < kLanguages; ++l) {
            for (int s = 0; s < kLanguages; ++s) {
                sets[static_cast<std::size_t>(l * kLanguages + s)] =
                    std::make_unique<Charset>(l, s);
            }
        }
        return sets;
    }();
    return *all[static_cast<std::size_t>(known(tables.locking) * kLanguages +
                                         known(tables.single))];
}

}  // namespace

bool HasLockingShiftTable(int language) {
    return language == kLanguageTurkish || language == kLanguagePortuguese ||
           indian(language) != nullptr;
}

bool HasSingleShiftTable(int language) {
    return language > kLanguageDefault && language < kLanguages;
}

int NationalLanguageByName(std::string_view name) {
    for (int language = 1; language < kLanguages; ++language) {
        if (name == NationalLanguageName(language)) {
            return language;
        }
    }
    return -1;
}

const char* NationalLanguageName(int language) {
    switch (language) {
        case kLanguageTurkish:
            return "tr";
        case kLanguageSpanish:
            return "es";
        case kLanguagePortuguese:
            return "pt";
        case kLanguageBengali:
            return "bn";
        case kLanguageGujarati:
            return "gu";
        case kLanguageHindi:
            return "hi";
        case kLanguageKannada:
            return "kn";
        case kLanguageMalayalam:
            return "ml";
        case kLanguageOriya:
            return "or";
        case kLanguagePunjabi:
            return "pa";
        case kLanguageTamil:
            return "ta";
        case kLanguageTelugu:
            return "te";
        case kLanguageUrdu:
            return "ur";
        default:
            return "";
    }
}

int Gsm7EncodeChar(char16_t c, Gsm7Tables tables, char out[2]) {
    const Charset& set = charset(tables);
    const auto found = set.encode.find(c);
    if (found == set.encode.end()) {
        return 0;
    }
    if ((found->second & 0x8000u) == 0) {
        out[0] = static_cast<char>(found->second);
        return 1;
    }
    out[0] = kEscape;
    out[1] = static_cast<char>(found->second & 0x7Fu);
    return 2;
}

std::u16string Gsm7ToUtf16(std::string_view septets, Gsm7Tables tables) {
    if (known(tables.locking) == 0 && known(tables.single) == 0) {
        return Gsm7ToUtf16(septets);
    }
    const Charset& set = charset(tables);
    std::u16string text;
    text.reserve(septets.size());
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const auto code = static_cast<unsigned char>(septets[i] & 0x7F);
        if (code != 0x1B) {
            text.push_back(orBlank(set.basic[code]));
            continue;
        }
        if (i + 1 == septets.size()) {
            text.push_back(u' ');
            break;
        }
        const auto next = static_cast<unsigned char>(septets[++i] & 0x7F);
        text.push_back(set.shifted[next] != 0 ? set.shifted[next] : orBlank(set.basic[next]));
    }
    return text;
}

}  // namespace PduLib
