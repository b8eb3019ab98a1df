#include "campaign/store/StoreSchema.h"

namespace StoreSchema {

namespace {

// Version 1. Times are milliseconds since 1970-01-01 UTC; states are the
// names of CampaignState and SendState.
const char kVersion1[] = R"sql(
CREATE TABLE campaign (
    id INTEGER PRIMARY KEY,
    created INTEGER NOT NULL,
    changed INTEGER NOT NULL,
    message TEXT NOT NULL,
    encoding TEXT NOT NULL,
    parts INTEGER NOT NULL CHECK (parts >= 1),
    numbers_path TEXT NOT NULL,
    numbers_hash TEXT NOT NULL,
    settings TEXT NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'finished', 'interrupted'))
);
CREATE TABLE row (
    campaign_id INTEGER NOT NULL REFERENCES campaign (id),
    ord INTEGER NOT NULL,
    number TEXT NOT NULL,
    state TEXT NOT NULL
        CHECK (state IN ('not_sent', 'sending', 'sent', 'failed', 'unknown')),
    status_text TEXT NOT NULL DEFAULT '',
    code INTEGER,
    request_id INTEGER,
    tp_mr INTEGER,
    modem TEXT NOT NULL DEFAULT '',
    changed INTEGER NOT NULL,
    PRIMARY KEY (campaign_id, ord)
) WITHOUT ROWID;
CREATE INDEX row_state ON row (campaign_id, state);
CREATE INDEX row_in_flight ON row (campaign_id, ord) WHERE state = 'sending';
CREATE TABLE part (
    campaign_id INTEGER NOT NULL,
    ord INTEGER NOT NULL,
    part_index INTEGER NOT NULL,
    state TEXT NOT NULL
        CHECK (state IN ('not_sent', 'sending', 'sent', 'failed', 'unknown')),
    code INTEGER,
    request_id INTEGER,
    tp_mr INTEGER,
    changed INTEGER NOT NULL,
    PRIMARY KEY (campaign_id, ord, part_index),
    FOREIGN KEY (campaign_id, ord) REFERENCES row (campaign_id, ord)
) WITHOUT ROWID;
CREATE TABLE event (
    id INTEGER PRIMARY KEY,
    campaign_id INTEGER NOT NULL REFERENCES campaign (id),
    ord INTEGER,
    part_index INTEGER,
    time INTEGER NOT NULL,
    from_state TEXT NOT NULL,
    to_state TEXT NOT NULL,
    detail TEXT NOT NULL DEFAULT ''
);
CREATE INDEX event_campaign ON event (campaign_id, id);
)sql";

// Version 2: what comes back from the network, and what a campaign of
// personal messages or a scheduled one needs.
//  - row.e164: the number in E.164 for matching ('' when it is none; NULL
//    until the program fills it for rows of version 1); row.text: the row's
//    own message when it differs from the campaign's; campaign.send_at: when
//    a scheduled campaign is to start.
//  - delivery ('', 'pending', 'delivered', 'failed'), delivery_st (TP-ST of
//    the report that decided it) and delivery_time (its discharge time) on
//    rows and parts; a row of several parts takes its parts' verdict.
//  - status_report: every report received, matched to its send or not (then
//    `note` says why); the same report twice is kept once.
//  - message and message_part: the inbox; a concatenated message is one
//    message whose parts arrive in any order; the same PDU twice is one part.
//  - unreadable: received PDUs that could not be read, kept as they came.
//  - opt_out: numbers that asked for no more messages; setting: user choices.
const char kVersion2[] = R"sql(
ALTER TABLE campaign ADD COLUMN send_at INTEGER;
ALTER TABLE row ADD COLUMN text TEXT;
ALTER TABLE row ADD COLUMN parts INTEGER CHECK (parts IS NULL OR parts >= 1);
ALTER TABLE row ADD COLUMN e164 TEXT;
ALTER TABLE row ADD COLUMN delivery TEXT NOT NULL DEFAULT '';
ALTER TABLE row ADD COLUMN delivery_st INTEGER;
ALTER TABLE row ADD COLUMN delivery_time INTEGER;
ALTER TABLE part ADD COLUMN delivery TEXT NOT NULL DEFAULT '';
ALTER TABLE part ADD COLUMN delivery_st INTEGER;
ALTER TABLE part ADD COLUMN delivery_time INTEGER;
CREATE INDEX row_tp_mr ON row (tp_mr) WHERE tp_mr IS NOT NULL;
CREATE INDEX part_tp_mr ON part (tp_mr) WHERE tp_mr IS NOT NULL;
CREATE INDEX row_e164 ON row (e164, campaign_id);
CREATE TABLE status_report (
    id INTEGER PRIMARY KEY,
    campaign_id INTEGER,
    ord INTEGER,
    part_index INTEGER,
    tp_mr INTEGER NOT NULL,
    recipient TEXT NOT NULL,
    recipient_e164 TEXT NOT NULL,
    st INTEGER NOT NULL,
    scts TEXT NOT NULL,
    discharge TEXT NOT NULL,
    discharge_time INTEGER NOT NULL,
    received INTEGER NOT NULL,
    pdu TEXT NOT NULL,
    note TEXT NOT NULL DEFAULT ''
);
CREATE UNIQUE INDEX status_report_once ON status_report (tp_mr, recipient, scts, discharge, st);
CREATE INDEX status_report_unmatched ON status_report (tp_mr) WHERE campaign_id IS NULL;
CREATE TABLE message (
    id INTEGER PRIMARY KEY,
    sender TEXT NOT NULL,
    originator TEXT NOT NULL,
    scts TEXT NOT NULL,
    sent INTEGER NOT NULL,
    received INTEGER NOT NULL,
    text TEXT NOT NULL,
    parts INTEGER NOT NULL,
    have INTEGER NOT NULL,
    concat_iei INTEGER,
    concat_ref INTEGER,
    campaign_id INTEGER
);
CREATE INDEX message_open ON message (originator, concat_ref, parts) WHERE have < parts;
CREATE INDEX message_received ON message (received);
CREATE TABLE message_part (
    message_id INTEGER NOT NULL REFERENCES message (id),
    seq INTEGER NOT NULL,
    pdu TEXT NOT NULL UNIQUE,
    received INTEGER NOT NULL,
    PRIMARY KEY (message_id, seq)
);
CREATE TABLE unreadable (
    id INTEGER PRIMARY KEY,
    received INTEGER NOT NULL,
    pdu TEXT NOT NULL UNIQUE,
    reason TEXT NOT NULL
);
CREATE TABLE opt_out (
    number TEXT PRIMARY KEY,
    added INTEGER NOT NULL,
    source TEXT NOT NULL CHECK (source IN ('reply', 'manual', 'import'))
) WITHOUT ROWID;
CREATE TABLE setting (
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

}  // namespace

const char* const kSteps[] = {kVersion1, kVersion2};
const std::size_t kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

}  // namespace StoreSchema
