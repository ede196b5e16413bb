// The built program started under a virtual X server (Xvfb) in each of its three languages
// with the sample layers; each run saves a picture of its main window for a person to look at
// (build/screenshots/mapory-LANGUAGE.png).
// SPDX-License-Identifier: MIT
#include <filesystem>
#include <fstream>
#include <set>

#include <QImage>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

std::string ShellQuote(const std::string& text) { return "'" + text + "'"; }

bool HaveXvfb()
{
  int status = -1;
  zamra_test::RunCommand("command -v xvfb-run >/dev/null 2>&1", &status);
  return status == 0;
}

// Starts Mapory with `language` stored in a fresh settings folder; answers the screenshot.
QImage Screenshot(int language, const std::string& name)
{
  zamra_test::TempDir home;
  const std::string settings = home.File("config/Local AppWizard-Generated Applications");
  std::filesystem::create_directories(settings);
  std::ofstream(settings + "/Mapory.conf") << "[Mapory]\nLanguage=" << language << "\n";
  std::filesystem::create_directories(home.File("tmp"));
  const std::string folder = std::string(ZAMRA_TOOLS_DIR) + "/../screenshots";
  std::filesystem::create_directories(folder);
  const std::string picture = folder + "/mapory-" + name + ".png";
  std::filesystem::remove(picture);
  const std::string samples = std::string(ZAMRA_SAMPLES_DIR) + "/";
  const std::string command =
      // Under AddressSanitizer: the X keyboard library copies names with strndup from buffers
      // without a terminator, which strict string checks report; that library is not ours.
      "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:strict_string_checks=0\" "
      "env -u QT_QPA_PLATFORM XDG_CONFIG_HOME=" +
      ShellQuote(home.File("config")) + " TMPDIR=" + ShellQuote(home.File("tmp")) +
      " XDG_STATE_HOME=" + ShellQuote(home.File("state")) + " XDG_RUNTIME_DIR=" + ShellQuote(home.File("tmp")) +
      " MAPORY_SCREENSHOT=" + ShellQuote(picture) + " timeout 120 xvfb-run -a -s '-screen 0 1280x800x24' " +
      ShellQuote(std::string(ZAMRA_TOOLS_DIR) + "/Mapory") + " " + ShellQuote(samples + "world_countries.shp") + " " +
      ShellQuote(samples + "world_borders.shp") + " " + ShellQuote(samples + "world_cities.shp") + " 2>&1";
  int status = -1;
  const std::string output = zamra_test::RunCommand(command, &status);
  EXPECT_EQ(status, 0) << output;
  return QImage(QString::fromStdString(picture));
}

}  // namespace

TEST(MaporyScreenshot, ThreeLanguagesUnderXvfb)
{
  if (!HaveXvfb())
    GTEST_SKIP() << "xvfb-run is not installed (scripts/setup installs it)";
  const QImage english = Screenshot(1, "english");
  const QImage japanese = Screenshot(2, "japanese");
  const QImage chinese = Screenshot(0, "chinese");
  for (const QImage* picture : {&english, &japanese, &chinese}) {
    ASSERT_FALSE(picture->isNull());
    EXPECT_EQ(picture->size(), QSize(1280, 800));  // the whole screen: started maximised
  }
  // The menu bars differ between languages; each map shows land and sea.
  const QRect menuBar(0, 0, 400, 18);
  EXPECT_NE(english.copy(menuBar), japanese.copy(menuBar));
  EXPECT_NE(english.copy(menuBar), chinese.copy(menuBar));
  EXPECT_NE(japanese.copy(menuBar), chinese.copy(menuBar));
  for (const QImage* picture : {&english, &japanese, &chinese}) {
    std::set<QRgb> colours;
    for (int y = 200; y < 700; y += 10)
      for (int x = 300; x < 1200; x += 10)
        colours.insert(picture->pixel(x, y));
    EXPECT_GE(colours.size(), 3u);
  }
}
