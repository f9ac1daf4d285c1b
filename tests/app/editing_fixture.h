// A main window with a small recipient list (columns Name and City) for the
// editing commands, and the scripted person's answers to the properties
// dialog.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/form_properties.h"
#include "app_fixture.h"

namespace norvane::test {

// One look at the properties dialog: what it showed, then what the person
// typed (line, text) before pressing OK or Cancel.
struct PropertiesStep {
  std::vector<std::pair<int, std::string>> typed;
  bool ok = true;
};

struct PropertiesSeen {
  std::string caption;
  std::vector<std::string> titles, values;  // at each press
};

class EditingFixture : public AppFixture {
 public:
  EditingFixture() : form(NewForm()) {
    form->Project.AddColumn("Name", 120);
    form->Project.AddColumn("City", 120);
    form->Window.BuildFieldMenu(form->Project);
  }

  ProjectModel& project() { return form->Project; }
  TMainWindow& window() { return form->Window; }

  // Rows as "[x] address | result | Name | City": x checked, blank
  // unchecked (0), - no box (-1); missing sub-items are left out.
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (const TListItem& item : form->Project.Items) {
      std::string row = item.StateIndex == 1 ? "[x] " : item.StateIndex == 0 ? "[ ] " : "[-] ";
      row += item.Caption;
      for (const std::string& value : item.SubItems) row += " | " + value;
      rows.push_back(row);
    }
    return rows;
  }
  void SetRows(const std::vector<std::pair<int32_t, std::vector<std::string>>>& rows) {
    form->Project.Items.clear();
    for (const auto& [state, texts] : rows) {
      TListItem item;
      item.StateIndex = state;
      item.Caption = texts.at(0);
      item.SubItems.assign(texts.begin() + 1, texts.end());
      form->Project.Items.push_back(std::move(item));
    }
    form->Project.FModified = false;
  }
  void Select(int row) { form->RecipientCommands.ListView1SelectItem(row); }

  // The window as during a run, and back.
  void StartRun() { form->Sending.BeginRun(TRunSetup{}); }
  void EndRun() { form->Sending.EndSending(); }

  // The person's answers to the next properties dialog; what it showed is
  // left in `seen`.
  void AnswerProperties(std::vector<PropertiesStep> steps) {
    ui.modals.push_back([this, steps = std::move(steps)](TModalForm& modal) {
      auto* form = dynamic_cast<TFormProperties*>(&modal);
      ASSERT_NE(form, nullptr);
      seen.caption = form->Caption;
      for (const PropertiesStep& step : steps) {
        seen.titles.clear();
        seen.values.clear();
        for (const TGridLine& line : form->VerticalGrid) {
          seen.titles.push_back(line.Title);
          seen.values.push_back(line.Value);
        }
        for (const auto& [line, text] : step.typed) form->VerticalGrid.at(line).Value = text;
        if (step.ok)
          form->Button1Click();
        else
          form->Button2Click();
        if (form->Closed()) return;
      }
    });
  }

  std::unique_ptr<TMainForm> form;
  PropertiesSeen seen;
};

}  // namespace norvane::test
