// Mapory: the desktop viewer for shapefiles.
//   Mapory [FILE.shp ...]   the files (paths or file:// URLs) are added as layers after the
//                           workspace has been loaded
// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QStringList>

#include "command_line_files.h"
#include "main_frame.h"
#include "mapory_app.h"
#include "program_bitmaps.h"
#include "startup_probe.h"

int main(int argc, char** argv)
{
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Mapory"));
  application.setDesktopFileName(QStringLiteral("mapory"));
  // The build writes the program's icon for installation this way.
  const QString iconFile = qEnvironmentVariable("MAPORY_WRITE_ICON");
  if (!iconFile.isEmpty())
    return mapory::DrawProgramIcon(128).save(iconFile, "PNG") ? 0 : 1;

  mapory::CMaporyApp mapory;
  if (!mapory.InitInstance())
    return 1;
  mapory::CStartupProbe* probe = mapory::CStartupProbe::FromEnvironment(mapory.MainFrame());
  const QStringList files = mapory::LocalFilesFromArguments(application.arguments().mid(1));
  if (!files.isEmpty()) {
    QApplication::processEvents();  // the map window takes its real size before Full Map
    mapory.MainFrame()->AddLayerFiles(files);
  }
  if (probe != nullptr)
    probe->Arm();
  return application.exec();
}
