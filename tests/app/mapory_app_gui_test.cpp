// CMaporyApp: the language chosen at start-up, the language question and the workspace kept
// from one run to the next.
#include "mapory_app.h"

#include <filesystem>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "main_frame.h"
#include "resource_ids.h"
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

TEST(MaporyAppLanguageQuestion, YesEndsTheRunWithoutWritingTheWorkspace)
{
  AppEnvironment environment;
  CMaporyApp app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_EQ(app.MainFrame()->AddLayerFiles({zamra_test::Sample("world_cities.shp")}), 1);
  AnswerModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  QTimer::singleShot(0, [&app] { app.MainFrame()->Action(ID_LANGUAGE_CHINESE)->trigger(); });
  const int exitCode = QApplication::exec();  // returns once the answer has ended the run
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(AppEnvironment::StoredLanguage().toInt(), 0);
  EXPECT_FALSE(std::filesystem::exists(environment.WorkspaceFile()));
  EXPECT_TRUE(app.MainFrame()->isVisible());  // the close handling did not run
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
