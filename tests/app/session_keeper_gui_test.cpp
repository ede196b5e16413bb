// The session is written a few seconds after each change, not only when the window closes: a
// program killed after changes comes back with them.
// SPDX-License-Identifier: MIT
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "app/frame_test.h"
#include "session_keeper.h"
#include "shape_wnd.h"
#include "support/temp_dir.h"

namespace {

const std::string kCountries = std::string(ZAMRA_SAMPLES_DIR) + "/world_countries.shp";

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The workspace is UTF-16: its ASCII texts are found with every other byte zero.
std::string Wide(const std::string& ascii)
{
  std::string wide;
  for (char c : ascii) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

// Runs the event loop until `done` or `milliseconds` have passed.
template <typename Condition>
bool WaitFor(Condition done, int milliseconds)
{
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return done();
}

class SessionKeeper : public zamra_test::FrameTest {};

}  // namespace

TEST_F(SessionKeeper, ChangesAreWrittenSoonAfterTheyHappen)
{
  const std::string workspace = m_environment.WorkspaceFile();
  ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(kCountries)}), 1);
  EXPECT_FALSE(std::filesystem::exists(workspace)) << "written once the change has settled, not at once";
  ASSERT_TRUE(
      WaitFor([&] { return std::filesystem::exists(workspace); }, 4 * mapory::CSessionKeeper::kDelayMilliseconds))
      << "the added layer is written without closing the window";
  EXPECT_NE(ReadFile(workspace).find(Wide("world_countries.shp")), std::string::npos);

  // A wheel step on the map: the new scale is written too.
  const double before = View()->GetScale();
  QWidget* map = m_frame->ShapeWnd()->ViewWindow();
  ASSERT_NE(map, nullptr);
  const QPointF middle(map->width() / 2.0, map->height() / 2.0);
  QWheelEvent wheel(middle, map->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(map, &wheel);
  zamra_test::ProcessPostedMessages();
  const double after = View()->GetScale();
  ASSERT_NE(after, before);
  const std::string scale = Wide("scale=\"" + std::to_string(static_cast<long long>(after)));
  EXPECT_TRUE(WaitFor([&] { return ReadFile(workspace).find(scale) != std::string::npos; },
                      4 * mapory::CSessionKeeper::kDelayMilliseconds))
      << "the scale after the wheel step is written";
}

// The real program, killed with SIGKILL after a layer was added, starts again with that layer.
TEST(SessionKeeperProcess, AKilledProgramComesBackWithItsLayers)
{
  zamra_test::TempDir home;
  std::filesystem::create_directories(home.File("tmp"));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("TMPDIR", QString::fromStdString(home.File("tmp")));
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.File("tmp")));
  environment.insert("XDG_STATE_HOME", QString::fromStdString(home.File("state")));
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.File("config")));
  const QString program = QString::fromStdString(std::string(ZAMRA_TOOLS_DIR) + "/Mapory");
  const std::string workspace = home.File("state/Mapory/Mapory.exe.xml");

  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(program, {QString::fromStdString(kCountries)});
  ASSERT_TRUE(first.waitForStarted());
  QElapsedTimer clock;
  clock.start();
  while (ReadFile(workspace).find(Wide("world_countries.shp")) == std::string::npos && clock.elapsed() < 30000)
    QThread::msleep(100);
  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  first.waitForFinished();
  ASSERT_NE(ReadFile(workspace).find(Wide("world_countries.shp")), std::string::npos)
      << "nothing was written before the kill";

  // Started again without files: the picture of its window shows the countries' fill.
  const std::string picture = home.File("again.png");
  environment.insert("MAPORY_SCREENSHOT", QString::fromStdString(picture));
  QProcess second;
  second.setProcessEnvironment(environment);
  second.start(program, {});
  ASSERT_TRUE(second.waitForFinished(60000));
  const QImage image(QString::fromStdString(picture));
  ASSERT_FALSE(image.isNull());
  int filled = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      filled += image.pixel(x, y) == qRgb(255, 255, 200) ? 1 : 0;
  EXPECT_GT(filled, 1000) << "the countries came back";
}
