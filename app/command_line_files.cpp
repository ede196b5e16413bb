// The files named on the program's command line, as paths.
// SPDX-License-Identifier: MIT
#include "command_line_files.h"

#include <QUrl>

namespace mapory {

QStringList LocalFilesFromArguments(const QStringList& arguments)
{
  QStringList paths;
  paths.reserve(arguments.size());
  for (const QString& argument : arguments) {
    if (!argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
      paths.append(argument);
      continue;
    }
    QUrl url(argument);
    // "localhost" names this machine; another host's file is no local path.
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
      url.setHost(QString());
    const bool local = url.isValid() && url.isLocalFile() && url.host().isEmpty();
    paths.append(local ? url.toLocalFile() : argument);
  }
  return paths;
}

}  // namespace mapory
