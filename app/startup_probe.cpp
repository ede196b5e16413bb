// CStartupProbe: first paint, screenshot, quit.
// SPDX-License-Identifier: MIT
#include "startup_probe.h"

#include <cstdio>

#include <QApplication>
#include <QEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "main_frame.h"
#include "shape_wnd.h"

namespace mapory {

CStartupProbe* CStartupProbe::FromEnvironment(CMainFrame* frame)
{
  const QString screenshot = qEnvironmentVariable("MAPORY_SCREENSHOT");
  const bool reportPaint = qEnvironmentVariableIntValue("MAPORY_FIRST_PAINT") != 0;
  if (frame == nullptr || (screenshot.isEmpty() && !reportPaint))
    return nullptr;
  return new CStartupProbe(frame, screenshot, reportPaint);
}

CStartupProbe::CStartupProbe(CMainFrame* frame, QString screenshot, bool reportPaint)
    : QObject(frame), m_frame(frame), m_screenshot(std::move(screenshot)), m_reportPaint(reportPaint)
{
  // The view's window is the map window's only child widget.
  m_mapView = frame->ShapeWnd()->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  if (m_mapView != nullptr)
    m_mapView->installEventFilter(this);
}

void CStartupProbe::Arm()
{
  m_armed = true;
  if (m_mapView != nullptr)
    m_mapView->update();
}

bool CStartupProbe::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == m_mapView && event->type() == QEvent::Paint && m_armed && !m_painted) {
    m_painted = true;
    if (m_reportPaint) {
      std::printf("mapory: first map painted\n");
      std::fflush(stdout);
    }
    if (m_screenshot.isEmpty())
      QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    else
      // Let the window system show what was painted before taking the picture.
      QTimer::singleShot(700, this, &CStartupProbe::saveScreenshot);
  }
  return QObject::eventFilter(watched, event);
}

void CStartupProbe::saveScreenshot()
{
  QPixmap picture;
  if (QScreen* screen = m_frame->screen())
    picture = screen->grabWindow(m_frame->winId());
  if (picture.isNull())
    picture = m_frame->grab();  // platforms that cannot read the screen back
  const bool saved = picture.save(m_screenshot, "PNG");
  if (!saved)
    std::fprintf(stderr, "mapory: cannot write %s\n", qPrintable(m_screenshot));
  QCoreApplication::exit(saved ? 0 : 1);
}

}  // namespace mapory
