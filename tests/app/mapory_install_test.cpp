// `cmake --install` puts the program, its libraries, the tools, the desktop entry and the icon
// under the prefix, with the README as HTML in the documentation folder, and the installed program finds its libraries
// there. The libraries come with their public headers, CMake package and pkg-config files; the
// desktop gets the file types, the thumbnailer and the AppStream metadata.
// SPDX-License-Identifier: MIT
#include <filesystem>

#include <QImage>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

TEST(MaporyInstall, PutsProgramLibrariesToolsDesktopEntryAndIcon)
{
  zamra_test::TempDir prefix;
  const std::string build = std::string(ZAMRA_TOOLS_DIR) + "/..";
  int status = -1;
  const std::string output = zamra_test::RunCommand(
      "cmake --install '" + build + "' --prefix '" + prefix.Path() + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << output;
  for (const char* file :
       {"bin/Mapory", "bin/mapory-render", "bin/shpinfo", "lib/libZamraView.so", "lib/libZamraApi.so",
        "lib/libZamraPlatform.so", "share/applications/mapory.desktop", "share/doc/mapory/README.html"})
    EXPECT_TRUE(std::filesystem::exists(prefix.File(file))) << file;
  // The libraries as others build on them, and what the desktop reads about the program.
  for (const char* file :
       {"lib/libZamraApi.so.0", "lib/libZamraView.so.0", "lib/libZamraPlatform.so.0",
        "include/zamra/api/formats/shape_file.h", "include/zamra/platform/win_types.h",
        "include/zamra/view/izamra_view.h", "lib/cmake/Zamra/ZamraConfig.cmake",
        "lib/cmake/Zamra/ZamraConfigVersion.cmake", "lib/cmake/Zamra/ZamraTargets.cmake", "lib/pkgconfig/zamra-api.pc",
        "lib/pkgconfig/zamra-view.pc", "bin/mapory-thumbnailer", "share/mime/packages/mapory.xml",
        "share/thumbnailers/mapory.thumbnailer", "share/metainfo/org.example.mapory.Mapory.metainfo.xml"})
    EXPECT_TRUE(std::filesystem::exists(prefix.File(file))) << file;
  // Internal libraries and the headers only the libraries share stay in the build.
  for (const char* file : {"lib/libZamraShapeCore.a", "include/zamra/platform/system_calls.h",
                           "include/zamra/platform/handle_object.h", "include/zamra/formats/large_buffer.h"})
    EXPECT_FALSE(std::filesystem::exists(prefix.File(file))) << file;
  const QImage icon(QString::fromStdString(prefix.File("share/icons/hicolor/128x128/apps/mapory.png")));
  EXPECT_EQ(icon.size(), QSize(128, 128));

  const std::string libraries = zamra_test::RunCommand("ldd '" + prefix.File("bin/Mapory") + "'", &status);
  EXPECT_NE(libraries.find(prefix.Path() + "/bin/../lib/libZamraView.so"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("not found"), std::string::npos) << libraries;
}
