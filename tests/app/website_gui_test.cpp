// Help > Website: without a configured website it opens the README that is installed with the
// program, as HTML, and the page is there both in the build tree and after an install.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <filesystem>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "resource_ids.h"
#include "app/frame_test.h"
#include "support/temp_dir.h"

using mapory::CMainFrame;

namespace {

class Website : public zamra_test::FrameTest {};

QString Contents(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

TEST_F(Website, OpensTheReadmeInstalledBesideTheProgram)
{
  if (!CMainFrame::WebsiteUrl(QStringLiteral("/usr/bin")).isLocalFile())
    GTEST_SKIP() << "this build is configured with a website";

  // The command opens a page; a text browser stands in for the user's web browser.
  QTextBrowser browser;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "setSource");
  m_frame->Action(mapory::ID_WEBSITE)->trigger();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  const QUrl opened = browser.source();
  ASSERT_TRUE(opened.isLocalFile()) << opened.toString().toStdString();
  EXPECT_EQ(opened, CMainFrame::WebsiteUrl(QCoreApplication::applicationDirPath()));
  EXPECT_TRUE(std::filesystem::exists(opened.toLocalFile().toStdString())) << "the built program finds its page";
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("A desktop viewer for vector geodata")));

  // Installed into a prefix, the program's page is there too.
  zamra_test::TempDir prefix;
  int status = -1;
  const std::string output = zamra_test::RunCommand(
      "cmake --install '" + std::string(ZAMRA_TOOLS_DIR) + "/..' --prefix '" + prefix.Path() + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << output;
  const QUrl installed = CMainFrame::WebsiteUrl(QString::fromStdString(prefix.File("bin")));
  ASSERT_TRUE(installed.isLocalFile());
  EXPECT_EQ(installed.toLocalFile().toStdString(), prefix.File("share/doc/mapory/README.html"));
  const QString page = Contents(installed.toLocalFile());
  EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>"))) << page.left(200).toStdString();
  EXPECT_TRUE(page.contains(QStringLiteral("A desktop viewer for vector geodata")));
}
