// National language shift tables of the GSM 7-bit alphabet (3GPP TS 23.038
// 6.2.1.2.4, Annex A.2 single shift and A.3 locking shift tables) for
// Turkish, Spanish, Portuguese and the Indian languages (Bengali, Gujarati,
// Hindi, Kannada, Malayalam, Oriya, Punjabi, Tamil, Telugu, Urdu). A message
// names its tables in the user data header (TS 23.040 9.2.3.24.15 single
// shift, .16 locking shift); a table the codec lacks reads as the default one.
#pragma once

#include <string>
#include <string_view>

namespace PduLib {

// National language identifiers (TS 23.038 table 6.2.1.2.4.1).
enum NationalLanguage : int {
    kLanguageDefault = 0,
    kLanguageTurkish = 1,
    kLanguageSpanish = 2,  // a single shift table only
    kLanguagePortuguese = 3,
    kLanguageBengali = 4,
    kLanguageGujarati = 5,
    kLanguageHindi = 6,
    kLanguageKannada = 7,
    kLanguageMalayalam = 8,
    kLanguageOriya = 9,
    kLanguagePunjabi = 10,
    kLanguageTamil = 11,
    kLanguageTelugu = 12,
    kLanguageUrdu = 13,
};

bool HasLockingShiftTable(int language);
bool HasSingleShiftTable(int language);
// "tr", "es", "pt", "bn", "gu", "hi", "kn", "ml", "or", "pa", "ta", "te", "ur"
// -> the identifier; -1 for a name the codec lacks.
int NationalLanguageByName(std::string_view name);
// The short name of a language the codec has (as above), else "".
const char* NationalLanguageName(int language);

// A table pair: the locking shift table (the basic one) and the single
// shift table (behind the escape). 0 is the default table of each kind.
struct Gsm7Tables {
    int locking = kLanguageDefault;
    int single = kLanguageDefault;
};

// The septets of one UTF-16 code unit under `tables`: 1 or 2 codes written
// to `out`, or 0 when neither table holds the character.
int Gsm7EncodeChar(char16_t c, Gsm7Tables tables, char out[2]);

// Text for septet codes under `tables`. An escape followed by a code the
// single shift table lacks shows the locking table's character; a trailing
// lone escape, and a code an Indian locking table leaves undefined, show a
// blank (as the default conversion does).
std::u16string Gsm7ToUtf16(std::string_view septets, Gsm7Tables tables);

}  // namespace PduLib
