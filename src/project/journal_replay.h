// Bringing a project up to date with its run journal: the outcomes a run
// recorded after the project file was last saved are written into their rows,
// exactly as the run wrote them, and a recipient whose message was handed to
// a server without an outcome recorded is marked delivered-but-unconfirmed and
// left unchecked, so that no later Send mails it a second time unasked.
#pragma once

#include <string>

#include "project/journal_format.h"
#include "project/project_model.h"

namespace norvane {

inline constexpr char kUnconfirmedText[] =
    "Unconfirmed: handed over to the server, the run ended before its reply";

// What a run does to a row when a recipient's outcome arrives: delivered rows
// are unchecked, failed ones keep their check mark.
void ApplyOutcome(TListItem& item, int code, std::string text);
// An outcome after the message was handed over that does not say whether the
// server took it: no reply to the final "." (a time-out, Stop, a dropped
// connection). A 4xx or 5xx reply does say so.
bool DeliveryUnknown(int code);
// A message handed over without a known outcome: unchecked, so it is never sent again unasked.
void ApplyUnconfirmed(TListItem& item);

struct JournalRecovery {
  int outcomes = 0;     // outcomes written into rows
  int unconfirmed = 0;  // rows handed over without an outcome
  int unmatched = 0;    // records whose row no longer holds their address
  int total() const { return outcomes + unconfirmed; }
};

// Applies every record after the last save mark. A record applies only to the
// row at its position holding its address. An outcome that leaves the delivery
// unknown after a hand-over counts as unconfirmed, as it did during the run.
JournalRecovery ReplayJournal(ProjectModel& model, const JournalContents& contents);

// "Recovered 1,234 results of an interrupted run", with what was left unchecked
// or unmatched; empty when nothing was recovered.
std::string RecoveryText(const JournalRecovery& recovery);

// 1234567 -> "1,234,567".
std::string GroupedNumber(long long value);

}  // namespace norvane
