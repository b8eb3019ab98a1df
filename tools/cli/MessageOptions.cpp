#include "tools/cli/MessageOptions.h"

#include "pdu/Unicode.h"
#include "tools/cli/DecodeJson.h"

void AddMessageOptions(CLI::App* cmd, CliMessageOptions& options) {
    cmd->add_option("--encoding", options.encoding,
                    "auto (GSM 7-bit when every character fits, else UCS2), gsm7 (others "
                    "become '?') or ucs2")
        ->check(CLI::IsMember({"auto", "gsm7", "ucs2"}));
    cmd->add_option("--max-parts", options.maxParts,
                    "refuse a text that needs more parts (1..255, default 6)")
        ->check(CLI::Range(1u, PduLib::kMostParts));
    cmd->add_flag("--ref16", options.ref16,
                  "concatenate with a 16-bit reference (IEI 0x08) instead of an 8-bit one");
    cmd->add_flag("--no-replace", options.noReplace,
                  "keep curly quotes, long dashes and the like instead of their GSM look-alikes");
    cmd->add_option("--language", options.languages,
                    "enable a national language shift table: tr, es, pt, bn, gu, hi, kn, ml, "
                    "or, pa, ta, te or ur (repeatable, or comma-separated)")
        ->delimiter(',');
}

PduLib::MessageOptions ToMessageOptions(const CliMessageOptions& o) {
    PduLib::MessageOptions options;
    options.encoding = o.encoding == "gsm7"   ? PduLib::TextEncoding::Gsm7
                       : o.encoding == "ucs2" ? PduLib::TextEncoding::Ucs2
                                              : PduLib::TextEncoding::Auto;
    options.maxParts = o.maxParts;
    options.reference16 = o.ref16;
    options.replaceLookAlikes = !o.noReplace;
    for (const std::string& name : o.languages) {
        const int language = PduLib::NationalLanguageByName(name);
        if (language < 0) {
            throw CLI::ValidationError("--language",
                                       "unknown language '" + name +
                                           "' (known: tr, es, pt, bn, gu, hi, kn, ml, or, pa, "
                                           "ta, te, ur)");
        }
        options.languages.push_back(language);
    }
    return options;
}

namespace {

std::string utf8Of(char32_t c) {
    std::string out;
    PduLib::AppendUtf8(c, out);
    return out;
}

}  // namespace

std::string PlanJson(const PduLib::MessagePlan& plan) {
    std::string out = "{\"encoding\":";
    out += plan.encoding == PduLib::TextEncoding::Ucs2 ? "\"ucs2\"" : "\"gsm7\"";
    out += ",\"characters\":" + std::to_string(plan.characters);
    out += ",\"units\":" + std::to_string(plan.units);
    out += ",\"parts\":" + std::to_string(plan.parts);
    out += ",\"per_part\":" + std::to_string(plan.perPart);
    out += ",\"remaining\":" + std::to_string(plan.remaining);
    out += ",\"locking_shift\":";
    AppendJsonString(PduLib::NationalLanguageName(plan.tables.locking), out);
    out += ",\"single_shift\":";
    AppendJsonString(PduLib::NationalLanguageName(plan.tables.single), out);
    out += ",\"replaced\":[";
    for (std::size_t k = 0; k < plan.replaced.size(); ++k) {
        const PduLib::Replacement& r = plan.replaced[k];
        out += k == 0 ? "{\"char\":" : ",{\"char\":";
        AppendJsonString(utf8Of(r.character), out);
        out += ",\"as\":";
        AppendJsonString(PduLib::Utf16ToUtf8(r.replacement), out);
        out += ",\"count\":" + std::to_string(r.count) + "}";
    }
    out += "],\"unsendable\":[";
    for (std::size_t k = 0; k < plan.unsendable.size(); ++k) {
        if (k != 0) {
            out += ',';
        }
        AppendJsonString(utf8Of(plan.unsendable[k]), out);
    }
    out += ']';
    if (!plan.ok()) {
        out += ",\"error\":";
        AppendJsonString(plan.error, out);
    }
    out += '}';
    return out;
}
