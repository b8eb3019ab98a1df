#include "pdu/PartsJoiner.h"

namespace PduLib {
namespace {

const std::string& party(const DecodedSubmit& part) {
    return part.destination;
}
const std::string& party(const DecodedDeliver& part) {
    return part.originator;
}
const char* partyWord(const DecodedSubmit*) {
    return "to";
}
const char* partyWord(const DecodedDeliver*) {
    return "from";
}

}  // namespace

template <class Part>
typename CPartsJoinerOf<Part>::Result CPartsJoinerOf<Part>::Add(const Part& part, Message& out) {
    const ConcatenationInfo* concat = part.concatenation();
    if (concat == nullptr || concat->total == 1) {
        out.first = part;
        out.text = part.text();
        out.parts = 1;
        return Result::Complete;
    }
    if (concat->sequence == 0 || concat->sequence > concat->total || concat->total == 0) {
        return Result::Invalid;
    }
    const Key key(party(part), concat->iei, concat->reference, concat->total);
    const std::size_t index = concat->sequence - 1;
    std::u16string text = part.text();

    auto joined = m_joined.find(key);
    if (joined != m_joined.end()) {
        if (joined->second[index] == text) {
            return Result::Duplicate;
        }
        m_joined.erase(joined);  // the reference is in use again
    }
    Group& group = m_pending[key];
    if (group.have.empty()) {
        group.have.assign(concat->total, false);
        group.texts.assign(concat->total, std::u16string());
    }
    if (group.have[index]) {
        return Result::Duplicate;
    }
    group.have[index] = true;
    group.texts[index] = std::move(text);
    if (index == 0) {
        group.first = part;
    }
    if (++group.count < concat->total) {
        return Result::Pending;
    }
    out.first = std::move(group.first);
    out.text.clear();
    for (const std::u16string& t : group.texts) {
        out.text += t;
    }
    out.parts = concat->total;
    m_joined[key] = std::move(group.texts);
    m_pending.erase(key);
    return Result::Complete;
}

template <class Part>
std::vector<std::string> CPartsJoinerOf<Part>::Incomplete() const {
    std::vector<std::string> out;
    for (const auto& entry : m_pending) {
        const Key& key = entry.first;
        std::string missing;
        for (std::size_t k = 0; k < entry.second.have.size(); ++k) {
            if (!entry.second.have[k]) {
                missing += (missing.empty() ? "" : ",") + std::to_string(k + 1);
            }
        }
        out.push_back(std::string("incomplete message ") +
                      partyWord(static_cast<const Part*>(nullptr)) + " " + std::get<0>(key) +
                      " (reference " + std::to_string(std::get<2>(key)) +
                      "): " + std::to_string(entry.second.count) + " of " +
                      std::to_string(std::get<3>(key)) + " parts; missing part " + missing);
    }
    return out;
}

template class CPartsJoinerOf<DecodedSubmit>;
template class CPartsJoinerOf<DecodedDeliver>;

}  // namespace PduLib
