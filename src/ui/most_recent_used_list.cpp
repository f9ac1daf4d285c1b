#include "ui/most_recent_used_list.h"

#include <algorithm>
#include <optional>

#include "platform/codepage.h"

namespace norvane {
namespace {

constexpr char kMenuMissing[] = "MenuToAttach have to be assigned before";
constexpr char kSubkey[] = "MRU";
constexpr long kMaxStoredEntries = 10000;

}  // namespace

TMostRecentUsedList::TMostRecentUsedList(RegistryHive hive) : hive_(std::move(hive)) {}

TMostRecentUsedList::~TMostRecentUsedList() {
  if (saved_) return;
  try {
    Save();
  } catch (const std::exception&) {
    // A destructor cannot report; owners that care call Save() themselves.
  }
}

void TMostRecentUsedList::SetRegistryKey(std::string key) {
  registryKey_ = std::move(key);
  Load();
}

void TMostRecentUsedList::RequireMenu() const {
  if (MenuToAttach == nullptr) throw TMostRecentUsedListError(kMenuMissing);
}

void TMostRecentUsedList::Loaded() {
  RequireMenu();
  Load();
}

std::string TMostRecentUsedList::CaptionOf(int index) {
  std::string name = names_.at(static_cast<std::size_t>(index - 1));
  if (OnDrawFilename) {
    OnDrawFilename(*this, index, name);
    return name;
  }
  if (FilenameStyle == TFilenameStyle::dsShort) {
    auto slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
  }
  return "&" + std::to_string(index) + " " + name;
}

void TMostRecentUsedList::InsertIntoMenu() {
  if (MenuToAttach == nullptr) return;
  int position = MenuIndex < 0 ? MenuToAttach->ItemCount() : MenuIndex;
  if (AddSeparator && !names_.empty()) {
    MenuToAttach->InsertItem(position++, kSeparatorId, "-");
    separatorInserted_ = true;
  }
  for (std::size_t i = 0; i < names_.size(); ++i)
    MenuToAttach->InsertItem(position + static_cast<int>(i), ids_[i], CaptionOf(static_cast<int>(i) + 1));
  inserted_ = true;
}

void TMostRecentUsedList::RemoveFromMenu() {
  if (!inserted_ || MenuToAttach == nullptr) return;
  if (separatorInserted_) MenuToAttach->RemoveItem(kSeparatorId);
  for (int id : ids_) MenuToAttach->RemoveItem(id);
  separatorInserted_ = false;
  inserted_ = false;
}

void TMostRecentUsedList::MoveToTop(std::size_t index) {
  std::rotate(names_.begin(), names_.begin() + static_cast<std::ptrdiff_t>(index),
              names_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
  std::rotate(ids_.begin(), ids_.begin() + static_cast<std::ptrdiff_t>(index),
              ids_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

void TMostRecentUsedList::AddFilename(const std::string& name) {
  RequireMenu();
  RemoveFromMenu();
  std::size_t found = names_.size();
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (AnsiEqualsIgnoreCase(names_[i], name)) {
      found = i;
      break;
    }
  }
  if (found == names_.size()) {
    names_.insert(names_.begin(), name);
    ids_.insert(ids_.begin(), nextId_++);
    while (static_cast<int>(names_.size()) > MaxEntries && !names_.empty()) {
      names_.pop_back();
      ids_.pop_back();
    }
  } else {
    MoveToTop(found);
  }
  saved_ = false;
  InsertIntoMenu();
}

void TMostRecentUsedList::ClickItem(int id) {
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    if (ids_[i] != id) continue;
    // The handler may open a project and add files to this very list, so
    // the name is copied and the entry looked up again afterwards.
    std::string name = names_[i];
    if (OnSelectFilename) OnSelectFilename(*this, name);
    for (std::size_t k = 0; k < ids_.size(); ++k) {
      if (ids_[k] != id || k == 0) continue;
      RemoveFromMenu();
      MoveToTop(k);
      saved_ = false;
      InsertIntoMenu();
      break;
    }
    return;
  }
}

void TMostRecentUsedList::Load() {
  RemoveFromMenu();
  names_.clear();
  ids_.clear();
  if (auto key = hive_.ReadKey(JoinRegistryPath(registryKey_, kSubkey))) {
    auto valueOf = [&](const std::string& name) -> std::optional<std::string> {
      for (const auto& value : key->Values)
        if (value.IsString && AnsiEqualsIgnoreCase(value.Name, name)) return value.Data;
      return std::nullopt;
    };
    // A "Total" that is not a plain count loads nothing; the values stay
    // stored until the next save replaces them. Counts beyond any real menu
    // are refused the same way, so a damaged value cannot make the list
    // allocate millions of empty entries.
    long count = 0;
    auto total = valueOf("Total");
    if (total && !total->empty() && total->size() <= 5 &&
        total->find_first_not_of("0123456789") == std::string::npos && std::stol(*total) <= kMaxStoredEntries)
      count = std::stol(*total);
    for (long i = 0; i < count; ++i) {
      names_.push_back(valueOf(std::to_string(i)).value_or(""));
      ids_.push_back(nextId_++);
    }
  }
  saved_ = false;
  if (MenuToAttach) InsertIntoMenu();
}

void TMostRecentUsedList::Save() {
  std::vector<std::pair<std::string, std::string>> values;
  for (std::size_t i = 0; i < names_.size(); ++i) values.emplace_back(std::to_string(i), names_[i]);
  values.emplace_back("Total", std::to_string(names_.size()));
  hive_.ReplaceKey(JoinRegistryPath(registryKey_, kSubkey), values);
  saved_ = true;
}

}  // namespace norvane
