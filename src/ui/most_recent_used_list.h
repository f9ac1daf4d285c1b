// The numbered list of the last project files opened or saved, shown in the
// File menu and kept in the registry (subkey "MRU" of RegistryKey: string
// values "0".."n-1", most recent first, and "Total"). The menu itself is a
// view: the list tells it which items to insert and remove, and the view
// reports clicks back through ClickItem.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace norvane {

// The menu whose sub-items the list is inserted among. Item ids are chosen
// by the list; a caption "-" is a separator line.
class TMruMenu {
 public:
  virtual ~TMruMenu() = default;
  virtual int ItemCount() const = 0;
  virtual void InsertItem(int position, int id, const std::string& caption) = 0;
  // Takes the item out of the menu (the list still knows it).
  virtual void RemoveItem(int id) = 0;
};

enum class TFilenameStyle { dsShort, dsFull };

class TMostRecentUsedListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMostRecentUsedList {
 public:
  using TNotifyEventMRU = std::function<void(TMostRecentUsedList& sender, const std::string& filename)>;
  // Index counts from 1; the handler may change `filename`, which becomes the caption.
  using TDrawFilenameEvent =
      std::function<void(TMostRecentUsedList& sender, int index, std::string& filename)>;

  explicit TMostRecentUsedList(RegistryHive hive = RegistryHive::CurrentUser());
  // Saves the list unless Save() already stored its present state; errors
  // are dropped here, so an owner that wants to see them calls Save() first.
  ~TMostRecentUsedList();
  TMostRecentUsedList(const TMostRecentUsedList&) = delete;
  TMostRecentUsedList& operator=(const TMostRecentUsedList&) = delete;

  TMruMenu* MenuToAttach = nullptr;
  int MenuIndex = -1;  // -1 appends at the end of MenuToAttach
  bool AddSeparator = true;
  int MaxEntries = 5;
  TFilenameStyle FilenameStyle = TFilenameStyle::dsShort;
  TNotifyEventMRU OnSelectFilename;
  TDrawFilenameEvent OnDrawFilename;

  const std::string& RegistryKey() const { return registryKey_; }
  // Stores the key and loads the list from it at once.
  void SetRegistryKey(std::string key);

  // The owning window has finished loading: loads the list and shows it.
  // Throws "MenuToAttach have to be assigned before" without a menu.
  void Loaded();

  // Moves the file to the top (matching without regard to letter case and
  // keeping the case first stored), trimming the list to MaxEntries.
  void AddFilename(const std::string& name);

  // The view reports a click on the item with this id.
  void ClickItem(int id);

  void Load();
  // Replaces the "MRU" subkey whole. Throws RegistryError.
  void Save();

  const std::vector<std::string>& Filenames() const { return names_; }
  // Caption of entry `index` (from 1).
  std::string CaptionOf(int index);
  int SeparatorId() const { return kSeparatorId; }

 private:
  static constexpr int kSeparatorId = 0;

  void InsertIntoMenu();
  void RemoveFromMenu();
  void MoveToTop(std::size_t index);
  void RequireMenu() const;

  RegistryHive hive_;
  std::string registryKey_ = "Software\\MyCompany\\MyApp";
  std::vector<std::string> names_;
  std::vector<int> ids_;  // the menu item of each entry
  int nextId_ = 1;
  bool inserted_ = false;
  bool separatorInserted_ = false;
  bool saved_ = false;
};

}  // namespace norvane
