// Two past campaigns written through the store's own API, for the tests of
// what reads the history (the command line and the History dialog).
//   1: "Shop opens at 9.\nReply STOP to opt out", one part, stopped: five
//      numbers sent (code 0, request id 17, TP-MR 42), failed (a status text
//      that looks like a formula, code 0x80070057), unknown (the number
//      itself a formula), and two never sent.
//   2: "Zweiteilig" and a sun, two parts, finished: one number, both parts sent.
#pragma once

#include <string>

#include "campaign/store/CampaignStore.h"

inline bool WriteSampleHistory(const std::string& path, StoreOptions options, std::string& error) {
    CCampaignStore store;
    StoreError e;
    std::int64_t id = 0;
    const NewCampaign first{
        "Shop opens at 9.\nReply STOP to opt out",
        "GSM 7-bit",
        1,
        "/data/numbers.txt",
        ContentHash("a"),
        "{}",
        {"+4917000001", "+4917000002", "=HYPERLINK(\"http://x\")", "+4917000004", "+4917000005"}};
    const NewCampaign second{"Zweiteilig \xE2\x98\x80",
                             "UCS-2",
                             2,
                             "/data/two.txt",
                             ContentHash("b"),
                             "{}",
                             {"+4917000009"}};
    const bool ok =
        store.Open(path, StoreMode::Send, e, std::move(options)) &&
        store.CreateCampaign(first, id, e) && store.MarkSending(id, 0, std::nullopt, "sim", e) &&
        store.RecordResult(SendUpdate(id, 0, std::nullopt, SendState::Sent, "Sent", 0, 17, 42),
                           e) &&
        store.MarkSending(id, 1, std::nullopt, "sim", e) &&
        store.RecordResult(SendUpdate(id, 1, std::nullopt, SendState::Failed,
                                      "-cmd|' /C calc'!A0, refused", -2147024809),
                           e) &&
        store.MarkSending(id, 2, std::nullopt, "sim", e) &&
        store.RecordResult(SendUpdate(id, 2, std::nullopt, SendState::Unknown, "Outcome unknown"),
                           e) &&
        store.SetCampaignState(id, CampaignState::Stopped, e) &&
        store.CreateCampaign(second, id, e) && store.MarkSending(id, 0, 0, "sim", e) &&
        store.RecordResult(SendUpdate(id, 0, 0, SendState::Sent, "Sent"), e) &&
        store.MarkSending(id, 0, 1, "sim", e) &&
        store.RecordResult(SendUpdate(id, 0, 1, SendState::Sent, "Sent"), e) &&
        store.SetCampaignState(id, CampaignState::Finished, e);
    error = e.text;
    return ok;
}
