#include "gui/file_filter.h"

#include <QRegularExpression>

#include "gui/ansi_text.h"

namespace norvane {

QStringList QtNameFilters(std::string_view filter) {
  const QStringList parts = FromAnsi(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
      patterns << (pattern.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed());
    // A description that already names its patterns in brackets would show
    // them twice, and Qt reads the patterns from the last brackets.
    description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
    if (description.isEmpty()) description = patterns.join(QLatin1Char(' '));
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  if (filters.isEmpty()) filters << QStringLiteral("All files (*)");
  return filters;
}

}  // namespace norvane
