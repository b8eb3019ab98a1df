// Ties a sending loop to the campaign store: every part is recorded as being
// sent, durably, before the loop hands it to the device link, and every
// outcome is recorded when it comes. A campaign is begun from a numbers list
// or carried on from the store, where the loop's rows take up the outcomes
// already known, so that nobody is sent the message twice.
// Standard library only; the command line and the desktop program share it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "campaign/CCampaignLoop.h"
#include "campaign/store/CampaignStore.h"

class CCampaignRecorder final : public ISendJournal {
public:
    CCampaignRecorder(CCampaignStore& store, CCampaignLoop& loop);
    ~CCampaignRecorder() override;
    CCampaignRecorder(const CCampaignRecorder&) = delete;
    CCampaignRecorder& operator=(const CCampaignRecorder&) = delete;

    // A new running campaign: its numbers become the loop's rows.
    bool Begin(const NewCampaign& campaign, StoreError& error);
    // Carries on with campaign `id` (stopped, interrupted or finished): the
    // loop's rows take the store's outcomes, and only rows not sent go out.
    // Rows of unknown outcome are sent again only with `resendUnknown`.
    bool Resume(std::int64_t id, bool resendUnknown, StoreError& error);

    std::int64_t GetCampaign() const { return m_nCampaign; }
    const CampaignRecord& GetRecord() const { return m_record; }
    // Written into every row this recorder marks whose route has no name.
    void SetModem(std::string modem) { m_strModem = std::move(modem); }

    // Rows not sent whose number is on the opt-out list end "Skipped: opted
    // out"; returns how many, or false when the list cannot be read.
    bool SkipOptedOut(std::size_t& skipped, StoreError& error);

    // Once the loop stopped: finished when every row has an outcome, else
    // stopped (the detail says why, e.g. the pause reason).
    bool End(StoreError& error);
    // The first failure to record an outcome, if any. Such outcomes are kept
    // and recorded with the next change that succeeds; those never recorded
    // stay "outcome unknown" in the store, never "not sent".
    const StoreError& GetRecordError() const { return m_recordError; }

    // Outcomes are kept a little and committed together: with the next
    // marks, once the oldest is kKeepOutcomesFor old (looked at with every
    // outcome and by FlushIfDue), when nothing is left in flight, and by
    // End. One lost in a crash leaves its part "sending", which the next
    // opening turns into "outcome unknown": never sent again by itself.
    static constexpr std::chrono::milliseconds kKeepOutcomesFor{250};
    // Records the kept outcomes now (before the store is read); false while
    // that fails.
    bool FlushOutcomes(StoreError& error) { return Flush(error); }
    // For the driver's timer: records the kept outcomes once they are due.
    void FlushIfDue();

    // ISendJournal
    bool WillSend(std::size_t row, std::size_t part, std::size_t parts,
                  std::u16string& reason) override;
    // One commit for the kept outcomes and every mark.
    std::size_t WillSendMany(const std::vector<PartToSend>& parts, std::u16string& reason) override;
    void PartChanged(std::size_t row, std::size_t part, std::size_t parts, RowState state) override;
    void RowEnded(std::size_t row) override;

private:
    void Record(std::size_t row, std::optional<int> part, RowState state);
    // The modem of the route that has the row.
    std::string ModemOf(std::size_t row) const;
    // Records the outcomes kept after a failure; false while it still fails.
    bool Flush(StoreError& error);

    CCampaignStore& m_store;
    CCampaignLoop& m_loop;
    std::int64_t m_nCampaign = 0;
    CampaignRecord m_record;
    std::string m_strModem;
    StoreError m_recordError;
    std::vector<SendUpdate> m_unrecorded;
    // When the oldest of m_unrecorded was kept.
    std::chrono::steady_clock::time_point m_oldestKept{};
};

// The loop's rows for the store's rows: states, texts, codes and times.
std::vector<CampaignRow> LoopRowsFromStore(const std::vector<RowRecord>& rows);
SendState ToSendState(RowState state);
