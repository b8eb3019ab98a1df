#include "pdu/PartsJoiner.h"

namespace PduLib {

CPartsJoiner::Result CPartsJoiner::Add(const DecodedSubmit& part, Message& out) {
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
    const Key key(part.destination, concat->iei, concat->reference, concat->total);
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

std::vector<std::string> CPartsJoiner::Incomplete() const {
    std::vector<std::string> out;
    for (const auto& entry : m_pending) {
        const Key& key = entry.first;
        std::string missing;
        for (std::size_t k = 0; k < entry.second.have.size(); ++k) {
            if (!entry.second.have[k]) {
                missing += (missing.empty() ? "" : ",") + std::to_string(k + 1);
            }
        }
        out.push_back("incomplete message to " + std::get<0>(key) + " (reference " +
                      std::to_string(std::get<2>(key)) +
                      "): " + std::to_string(entry.second.count) + " of " +
                      std::to_string(std::get<3>(key)) + " parts; missing part " + missing);
    }
    return out;
}

}  // namespace PduLib
