// CStartupProbe: watches the map for its first painting, for the screenshot of scripts/run
// and the start-up benchmark. Asked for through the environment:
//   MAPORY_SCREENSHOT=FILE.png   save a picture of the main window once the map is painted, then quit
//   MAPORY_FIRST_PAINT=1         print "mapory: first map painted" when it is, then quit
// Quitting this way does not write the workspace.
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace mapory {

class CMainFrame;

class CStartupProbe final : public QObject {
  Q_OBJECT
public:
  // Null when the environment asks for nothing.
  static CStartupProbe* FromEnvironment(CMainFrame* frame);

  // Paints before this call (the map before the command line's files) are not counted.
  void Arm();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  CStartupProbe(CMainFrame* frame, QString screenshot, bool reportPaint);
  void saveScreenshot();

  CMainFrame* m_frame;
  QWidget* m_mapView = nullptr;
  QString m_screenshot;
  bool m_reportPaint;
  bool m_armed = false;
  bool m_painted = false;
};

}  // namespace mapory
