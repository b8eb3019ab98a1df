// The Inbox's search narrows the replies on sender, text and campaign, any
// case, and Export writes what is listed, in cells a spreadsheet takes as
// text.
#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "campaign/ui/CInboxModel.h"

namespace {

MessageRecord Reply(std::string from, std::string text, std::optional<std::int64_t> campaign) {
    MessageRecord message;
    message.from = std::move(from);
    message.text = std::move(text);
    message.campaign = campaign;
    return message;
}

TEST(Inbox, SearchNarrowsTheListAndExportWritesWhatIsListed) {
    CInboxModel model;
    model.SetMessages({Reply("+447700900001", "STOP", 3),
                       Reply("+447700900002", "Thanks, see you", {}),
                       Reply("Shop", "=1+2 offer, today", 12)});
    struct Case {
        const char* search;
        std::vector<std::string> from;
    };
    for (const Case& c : std::vector<Case>{{"", {"+447700900001", "+447700900002", "Shop"}},
                                           {"  stop ", {"+447700900001"}},
                                           {"0002", {"+447700900002"}},
                                           {"12", {"Shop"}},
                                           {"nobody", {}}}) {
        model.SetFilter(QString::fromUtf8(c.search));
        std::vector<std::string> listed;
        for (const MessageRecord* message : model.Listed()) {
            listed.push_back(message->from);
        }
        EXPECT_EQ(listed, c.from) << c.search;
        EXPECT_EQ(model.rowCount(), static_cast<int>(c.from.size()));
    }
    model.SetFilter(QStringLiteral("shop"));
    const std::string csv = model.Csv();
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "From,Time,Text,Campaign\r\n");
    EXPECT_NE(csv.find("Shop,"), std::string::npos);
    EXPECT_NE(csv.find(",\"'=1+2 offer, today\",12\r\n"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("STOP"), std::string::npos);
}

}  // namespace
