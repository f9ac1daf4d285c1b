// Each window of the program as a component tree, built from the window's
// component list: the kinds, list lengths and (for the mailing wizard) the
// designed positions. Every text the window is designed with reads
// "design:" + the component's name, so a text a word table failed to set is
// easy to find; texts the program sets at run time (edit boxes, status bar
// panels) start empty.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/component_tree.h"

namespace norvane::test {

inline constexpr char kDesignText[] = "design:";

TComponentTree MainFormTree();
TComponentTree FormOptionsTree();
TComponentTree FormPropertiesTree();
TComponentTree FormPreviewTree();
TComponentTree AboutBoxTree();
TComponentTree ImportDialogTree();
TComponentTree FormWizardTree();
TComponentTree FormGetStartedTree();
TComponentTree FindDialogTree();

// (word table name, tree builder) for every window.
const std::vector<std::pair<std::string, TComponentTree (*)()>>& WindowTrees();

}  // namespace norvane::test
