// CMaporyApp: the language chosen at start-up, the language question and the workspace kept
// from one run to the next.
// SPDX-License-Identifier: MIT
#include "mapory_app.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <QAbstractButton>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "main_frame.h"
#include "resource_ids.h"
#include "style_dialog.h"
#include "app/app_test_support.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::AnswerModal;
using zamra_test::AppEnvironment;

namespace {

QString FirstMenuTitle(const CMaporyApp& app) { return app.MainFrame()->MenuBarMenus().value(0)->title(); }

// Sets a locale variable for the life of the object.
class LocaleVariables final {
public:
  explicit LocaleVariables(const char* lang)
  {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(name);
      m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      unsetenv(name);
    }
    setenv("LANG", lang, 1);
  }
  ~LocaleVariables()
  {
    for (const auto& [name, value] : m_saved) {
      if (value)
        setenv(name, value->c_str(), 1);
      else
        unsetenv(name);
    }
  }

private:
  std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

}  // namespace

TEST(MaporyAppStartup, NoLanguageEntryStartsInEnglish)
{
  AppEnvironment environment;
  AppEnvironment::SetLanguage(QVariant());
  LocaleVariables locale("ja_JP.UTF-8");  // the locale does not count when the entry is absent
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.Language(), kEnglish);
  EXPECT_EQ(FirstMenuTitle(app), QStringLiteral("System(&S)"));
  EXPECT_TRUE(app.MainFrame()->windowTitle().startsWith(QStringLiteral("Mapory")));
  EXPECT_TRUE(app.MainFrame()->isVisible());
}

TEST(MaporyAppStartup, StoredValuesChooseTheirLanguages)
{
  AppEnvironment environment;
  LocaleVariables locale("en_US.UTF-8");
  AppEnvironment::SetLanguage(0);
  {
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Language(), kChinese);
    EXPECT_EQ(FirstMenuTitle(app), QStringLiteral("系统(&S)"));
  }
  AppEnvironment::SetLanguage(2);
  {
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Language(), kJapanese);
    EXPECT_EQ(FirstMenuTitle(app), QStringLiteral("システム(&S)"));
  }
}

TEST(MaporyAppStartup, AnyOtherValueFollowsTheLocale)
{
  AppEnvironment environment;
  AppEnvironment::SetLanguage(7);
  {
    LocaleVariables locale("ja_JP.UTF-8");
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Language(), kJapanese);
  }
  {
    LocaleVariables locale("zh_CN.UTF-8");
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Language(), kChinese);
  }
  {
    LocaleVariables locale("de_DE.UTF-8");
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Language(), kEnglish);
  }
  EXPECT_EQ(AppEnvironment::StoredLanguage().toInt(), 7);  // reading never rewrites the entry
}

TEST(MaporyAppLanguageQuestion, NoKeepsRunningInTheCurrentLanguage)
{
  AppEnvironment environment;
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  QString asked;
  AnswerModal<QMessageBox>([&asked](QMessageBox* box) {
    asked = box->text();
    box->button(QMessageBox::No)->click();
  });
  app.MainFrame()->Action(ID_LANGUAGE_JAPANESE)->trigger();
  EXPECT_EQ(asked, QStringLiteral("language already setted,are you sure to restart the application?"));
  EXPECT_EQ(AppEnvironment::StoredLanguage().toInt(), 2);
  EXPECT_EQ(app.Language(), kEnglish);
  EXPECT_EQ(FirstMenuTitle(app), QStringLiteral("System(&S)"));
  EXPECT_TRUE(app.MainFrame()->isVisible());
  EXPECT_FALSE(std::filesystem::exists(environment.WorkspaceFile()));
}

TEST(MaporyAppLanguageQuestion, YesWritesTheWorkspaceAndStartsTheProgramAgain)
{
  AppEnvironment environment;
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.RestartProgram(), QCoreApplication::applicationFilePath()) << "the same program by default";
  ASSERT_EQ(app.MainFrame()->AddLayerFiles({zamra_test::Sample("world_cities.shp")}), 1);
  // A harmless program in this one's place: it writes down how many arguments it was given
  // and what they were, then ends.
  const std::string started = environment.Dir().File("started");
  const std::string program = environment.Dir().File("restart.sh");
  std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" << started << ".part'\nmv '" << started
                         << ".part' '" << started << "'\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  app.SetRestartProgram(QString::fromStdString(program));

  AnswerModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  QTimer::singleShot(0, [&app] { app.MainFrame()->Action(ID_LANGUAGE_CHINESE)->trigger(); });
  const int exitCode = QApplication::exec();  // returns once the answer has ended the run
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(AppEnvironment::StoredLanguage().toInt(), 0);
  ASSERT_TRUE(std::filesystem::exists(environment.WorkspaceFile())) << "the session is kept for the new run";
  {
    CMaporyApp next;  // what the new run shows
    ASSERT_TRUE(next.InitInstance());
    EXPECT_EQ(next.MainFrame()->View()->GetLayerCount(), 1);
  }

  // The new process ran, without arguments (the workspace brings the layers back).
  for (int i = 0; i < 3000 && !std::filesystem::exists(started); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(std::filesystem::exists(started)) << "no process was started";
  std::ifstream arguments(started);
  const std::string written((std::istreambuf_iterator<char>(arguments)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "0\n");
}

TEST(MaporyAppLanguageQuestion, AProgramThatCannotStartLeavesTheRunGoing)
{
  AppEnvironment environment;
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  app.SetRestartProgram(QString::fromStdString(environment.Dir().File("no-such-program")));
  AnswerModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  app.MainFrame()->Action(ID_LANGUAGE_JAPANESE)->trigger();
  EXPECT_EQ(AppEnvironment::StoredLanguage().toInt(), 2) << "the language changes at the next start";
  EXPECT_TRUE(std::filesystem::exists(environment.WorkspaceFile()));
  EXPECT_TRUE(app.MainFrame()->isVisible());
}

// Qt's own dialogs speak the interface language too, also where the locale chose it.
TEST(MaporyAppQtTexts, FileDialogAndColourChooserSpeakTheInterfaceLanguage)
{
  AppEnvironment environment;
  struct Case {
    QVariant stored;
    const char* locale;
    const char* openButton;
    const char* colourTitle;
  };
  const Case cases[] = {{2, "en_US.UTF-8", "開く(&O)", "色を選択"},
                        {7, "zh_CN.UTF-8", "打开(&O)", "选择颜色"},
                        {1, "ja_JP.UTF-8", "&Open", "Select Color"}};
  for (const Case& entry : cases) {
    SCOPED_TRACE(entry.locale);
    AppEnvironment::SetLanguage(entry.stored);
    LocaleVariables locale(entry.locale);
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());

    QString open;
    AnswerModal<QFileDialog>([&open](QFileDialog* dialog) {
      if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
        if (QPushButton* button = buttons->button(QDialogButtonBox::Open))
          open = button->text();
      dialog->reject();
    });
    app.MainFrame()->Action(ID_ADD_LAYER)->trigger();
    EXPECT_EQ(open, QString::fromUtf8(entry.openButton));

    QString title;
    AnswerModal<QColorDialog>([&title](QColorDialog* chooser) {
      title = chooser->windowTitle();
      chooser->reject();
    });
    CStyleDialog style(CStyleDialog::kPolygonStyle, app.MainFrame());
    auto* fill = style.findChild<QPushButton*>(QStringLiteral("1019"));
    ASSERT_NE(fill, nullptr);
    fill->click();
    EXPECT_EQ(title, QString::fromUtf8(entry.colourTitle));
  }
}

TEST(MaporyAppAbout, ShowsTheNameVersionAndUsage)
{
  AppEnvironment environment;
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  QStringList lines;
  QString title;
  AnswerModal<QDialog>([&](QDialog* dialog) {
    title = dialog->windowTitle();
    for (QLabel* label : dialog->findChildren<QLabel*>())
      lines << label->text().trimmed();
    dialog->accept();
  });
  app.MainFrame()->Action(ID_APP_ABOUT)->trigger();
  EXPECT_EQ(title, QStringLiteral("About Mapory"));
  EXPECT_TRUE(lines.contains(QStringLiteral("Mapory Version 1.0.2.9")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Map operate:")));
  EXPECT_TRUE(lines.contains(QStringLiteral("MouseScroll:ZoomIn/ZoomOut map")));
  EXPECT_TRUE(lines.contains(QStringLiteral("LeftMouse DoubleDown:Goto the selected feature on map")));
}

TEST(MaporyAppWorkspace, OneRunWritesItAndTheNextReadsIt)
{
  AppEnvironment environment;
  {
    CMaporyApp first;
    ASSERT_TRUE(first.InitInstance());
    EXPECT_EQ(first.MainFrame()->View()->GetLayerCount(), 0);  // no workspace yet: an empty map
    ASSERT_EQ(first.MainFrame()->AddLayerFiles(zamra_test::AllSamples()), 3);
    first.MainFrame()->View()->GetLayerByIndex(1)->SetVisible(0);
    first.MainFrame()->close();
  }
  ASSERT_TRUE(std::filesystem::exists(environment.WorkspaceFile()));

  CMaporyApp second;
  ASSERT_TRUE(second.InitInstance());
  IZamraView* view = second.MainFrame()->View();
  ASSERT_EQ(view->GetLayerCount(), 3);
  char path[260] = {};
  view->GetLayerByIndex(0)->GetPath(path);
  EXPECT_EQ(QString::fromLocal8Bit(path), zamra_test::Sample("world_countries.shp"));
  EXPECT_EQ(view->GetLayerByIndex(1)->GetVisible(), 0);
  EXPECT_NE(view->GetLayerByIndex(2)->GetVisible(), 0);

  // Files named again (on the command line) are not added a second time.
  EXPECT_EQ(second.MainFrame()->AddLayerFiles({zamra_test::Sample("world_cities.shp")}), 0);
  EXPECT_EQ(view->GetLayerCount(), 3);
}
