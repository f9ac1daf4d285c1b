// The file dialogs' filters as the logic writes them ("Description|pattern|
// ..." with ";" between patterns) turned into Qt's name filters. "*.*" means
// every file there, so it becomes "*" (on Linux "*.*" would skip names
// without a dot).
#pragma once

#include <QStringList>
#include <string_view>

namespace norvane {

QStringList QtNameFilters(std::string_view filter);

}  // namespace norvane
