// CWorkspaceFile: the workspace kept in the user's state folder, private to the user, and the
// one-time reading of the file that earlier versions kept in the temporary folder.
// SPDX-License-Identifier: MIT
#include "workspace_file.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "mapory_app.h"
#include "main_frame.h"
#include "app/app_test_support.h"
#include "view/izamra_view.h"

using mapory::CMaporyApp;
using mapory::CWorkspaceFile;
using zamra_test::AppEnvironment;

namespace {

// Sets an environment variable (or removes it) for the life of the object.
class Variable final {
public:
  Variable(const char* name, const char* value) : m_name(name)
  {
    if (const char* old = std::getenv(name))
      m_old = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~Variable()
  {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }
  Variable(const Variable&) = delete;
  Variable& operator=(const Variable&) = delete;

private:
  const char* m_name;
  std::optional<std::string> m_old;
};

mode_t ModeOf(const std::string& path)
{
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

int LayerCountAfterStart()
{
  CMaporyApp app;
  if (!app.InitInstance())
    return -1;
  return app.MainFrame()->View()->GetLayerCount();
}

}  // namespace

TEST(WorkspaceFile, LivesInThePrivateStateFolder)
{
  AppEnvironment environment;
  const std::string state = environment.Dir().File("state");
  EXPECT_EQ(CWorkspaceFile::Path().toStdString(), state + "/Mapory/Mapory.exe.xml");
  EXPECT_EQ(ModeOf(state + "/Mapory"), 0700u);
  EXPECT_EQ(ModeOf(state), 0700u) << "missing folders above it are made private too";

  // A folder left open to others is closed; one that is not the user's own folder is refused.
  ASSERT_EQ(::chmod((state + "/Mapory").c_str(), 0755), 0);
  EXPECT_FALSE(CWorkspaceFile::Path().isEmpty());
  EXPECT_EQ(ModeOf(state + "/Mapory"), 0700u);
  const std::string elsewhere = environment.Dir().File("elsewhere");
  std::filesystem::create_directories(elsewhere + "/real");
  std::filesystem::create_directory_symlink(elsewhere + "/real", elsewhere + "/Mapory");
  {
    Variable linked("XDG_STATE_HOME", elsewhere.c_str());
    EXPECT_TRUE(CWorkspaceFile::Path().isEmpty()) << "a link planted in its place is not followed";
  }

  // Without a usable XDG_STATE_HOME: ~/.local/state.
  const std::string home = environment.Dir().File("home");
  std::filesystem::create_directories(home);
  Variable homeVariable("HOME", home.c_str());
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative/state"}) {
    Variable unset("XDG_STATE_HOME", value);
    EXPECT_EQ(CWorkspaceFile::Path().toStdString(), home + "/.local/state/Mapory/Mapory.exe.xml");
  }
}

TEST(WorkspaceFile, ARunWritesItThereAndTheNextReadsIt)
{
  AppEnvironment environment;
  {
    CMaporyApp first;
    ASSERT_TRUE(first.InitInstance());
    ASSERT_EQ(first.MainFrame()->AddLayerFiles(zamra_test::AllSamples()), 3);
    first.MainFrame()->close();
  }
  EXPECT_TRUE(std::filesystem::exists(environment.WorkspaceFile()));
  EXPECT_FALSE(std::filesystem::exists(environment.LegacyWorkspaceFile())) << "the temporary folder keeps nothing";

  EXPECT_EQ(LayerCountAfterStart(), 3);
}

TEST(WorkspaceFile, TheOldFileInTheTemporaryFolderIsReadOnce)
{
  AppEnvironment environment;
  // What an earlier version left: the workspace in the temporary folder.
  {
    CMaporyApp earlier;
    ASSERT_TRUE(earlier.InitInstance());
    ASSERT_EQ(earlier.MainFrame()->AddLayerFiles({zamra_test::Sample("world_cities.shp")}), 1);
    ASSERT_EQ(earlier.MainFrame()->View()->SaveXml(environment.LegacyWorkspaceFile().c_str()), 1);
  }
  ASSERT_FALSE(std::filesystem::exists(environment.WorkspaceFile()));
  EXPECT_EQ(CWorkspaceFile::PathToLoad().toStdString(), environment.LegacyWorkspaceFile());
  {
    CMaporyApp next;
    ASSERT_TRUE(next.InitInstance());
    IZamraView* view = next.MainFrame()->View();
    ASSERT_EQ(view->GetLayerCount(), 1) << "the old file's layers come back";
    ASSERT_EQ(next.MainFrame()->AddLayerFiles({zamra_test::Sample("world_borders.shp")}), 1);
    next.MainFrame()->close();
  }
  EXPECT_TRUE(std::filesystem::exists(environment.WorkspaceFile()));
  EXPECT_FALSE(std::filesystem::exists(environment.LegacyWorkspaceFile())) << "read once, then gone";
  EXPECT_EQ(CWorkspaceFile::PathToLoad().toStdString(), environment.WorkspaceFile());
  EXPECT_EQ(LayerCountAfterStart(), 2);

  // With files in both places, the state folder's counts.
  {
    CMaporyApp earlier;
    ASSERT_TRUE(earlier.InitInstance());
    earlier.MainFrame()->View()->DeleteLayer(0);
    ASSERT_EQ(earlier.MainFrame()->View()->SaveXml(environment.LegacyWorkspaceFile().c_str()), 1);
  }
  EXPECT_EQ(LayerCountAfterStart(), 2);
}

TEST(WorkspaceFile, WithoutAHomeFolderTheTemporaryFolderKeepsTheSession)
{
  AppEnvironment environment;
  Variable noState("XDG_STATE_HOME", nullptr);
  Variable noHome("HOME", nullptr);
  EXPECT_TRUE(CWorkspaceFile::Path().isEmpty());
  {
    CMaporyApp first;
    ASSERT_TRUE(first.InitInstance());
    ASSERT_EQ(first.MainFrame()->AddLayerFiles({zamra_test::Sample("world_cities.shp")}), 1);
    first.MainFrame()->close();
  }
  EXPECT_TRUE(std::filesystem::exists(environment.LegacyWorkspaceFile()));
  EXPECT_EQ(LayerCountAfterStart(), 1);
}
