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

}  // namespace

const char* const kSteps[] = {kVersion1};
const std::size_t kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

}  // namespace StoreSchema
