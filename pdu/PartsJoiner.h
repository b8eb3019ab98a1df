// Reassembling concatenated messages (3GPP TS 23.040 9.2.3.24.1, .8) from
// decoded parts that arrive in any order: parts belong together by
// destination (SMS-SUBMIT) or originator (SMS-DELIVER), reference and
// total; a part seen twice counts once.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "pdu/PduDecoder.h"

namespace PduLib {

template <class Part>
class CPartsJoinerOf final {
public:
    enum class Result {
        Complete,   // `Add` filled the whole message in
        Pending,    // more parts to come
        Duplicate,  // a part already held (or already joined), ignored
        Invalid,    // sequence 0 or beyond the total: not a part
    };
    struct Message {
        Part first;           // part 1 (or the one part) as decoded
        std::u16string text;  // the text of all parts in order
        unsigned parts = 1;
    };

    // Adds one decoded PDU. A message without a concatenation element is
    // complete at once.
    Result Add(const Part& part, Message& out);

    // The messages still missing parts, described for a reader.
    std::vector<std::string> Incomplete() const;

private:
    // Destination or originator, identifier (8- or 16-bit reference), reference, total.
    typedef std::tuple<std::string, int, unsigned, unsigned> Key;
    struct Group {
        std::vector<bool> have;
        std::vector<std::u16string> texts;
        Part first;
        unsigned count = 0;
    };
    std::map<Key, Group> m_pending;
    // The texts of the parts of messages already joined, to know a late
    // duplicate from a new message that reuses the reference.
    std::map<Key, std::vector<std::u16string>> m_joined;
};

typedef CPartsJoinerOf<DecodedSubmit> CPartsJoiner;
typedef CPartsJoinerOf<DecodedDeliver> CDeliverJoiner;

}  // namespace PduLib
