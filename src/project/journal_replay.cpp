#include "project/journal_replay.h"

#include <map>

namespace norvane {

void ApplyOutcome(TListItem& item, int code, std::string text) {
  if (code == 0) {
    item.ImageIndex = kImageDelivered;
    item.StateIndex = 0;
  } else {
    item.ImageIndex = kImageFailed;
  }
  item.SetSubItem(0, std::move(text));
}

bool DeliveryUnknown(int code) {
  return code != 0 && !(code >= 400 && code <= 599);
}

void ApplyUnconfirmed(TListItem& item) {
  item.ImageIndex = kImageDelivered;
  item.StateIndex = 0;
  item.SetSubItem(0, kUnconfirmedText);
}

JournalRecovery ReplayJournal(ProjectModel& model, const JournalContents& contents) {
  std::size_t first = 0;
  for (std::size_t i = 0; i < contents.records.size(); ++i)
    if (contents.records[i].kind == JournalRecord::kSaved) first = i + 1;

  JournalRecovery recovery;
  auto rowOf = [&](const JournalRecord& record) -> TListItem* {
    std::size_t position = static_cast<std::size_t>(record.row) - 1;
    if (position >= model.Items.size() || model.Items[position].Caption != record.address) {
      ++recovery.unmatched;
      return nullptr;
    }
    return &model.Items[position];
  };
  std::map<int, TListItem*> handedOver;  // rows whose last record is "handed over"
  for (std::size_t i = first; i < contents.records.size(); ++i) {
    const JournalRecord& record = contents.records[i];
    TListItem* item = rowOf(record);
    if (!item) continue;
    if (record.kind == JournalRecord::kHandedOver) {
      handedOver[record.row] = item;
    } else {
      if (handedOver.erase(record.row) != 0 && DeliveryUnknown(record.code))
        ApplyUnconfirmed(*item);
      else
        ApplyOutcome(*item, record.code, record.result);
      ++recovery.outcomes;
    }
  }
  for (auto& [row, item] : handedOver) {
    ApplyUnconfirmed(*item);
    ++recovery.unconfirmed;
  }
  if (recovery.total() > 0) model.FModified = true;
  return recovery;
}

std::string GroupedNumber(long long value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return value < 0 ? "-" + out : out;
}

std::string RecoveryText(const JournalRecovery& recovery) {
  std::string text;
  if (recovery.total() > 0) {
    text = "Recovered " + GroupedNumber(recovery.total()) + (recovery.total() == 1 ? " result" : " results") +
           " of an interrupted run";
    if (recovery.unconfirmed > 0)
      text += "; " + GroupedNumber(recovery.unconfirmed) +
              (recovery.unconfirmed == 1 ? " message was" : " messages were") +
              " handed over without a confirmation and left unchecked";
  }
  if (recovery.unmatched > 0) {
    text += (text.empty() ? "" : "; ") + GroupedNumber(recovery.unmatched) +
            (recovery.unmatched == 1 ? " journal record no longer matches its row"
                                     : " journal records no longer match their rows");
  }
  return text;
}

}  // namespace norvane
