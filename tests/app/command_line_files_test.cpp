// The program takes the files on its command line as paths or as file:// URLs, as file
// managers and launchers give them.
// SPDX-License-Identifier: MIT
#include "command_line_files.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// The paths one to a line, for a readable difference.
std::string Lines(const QStringList& paths) { return paths.join(QLatin1Char('\n')).toStdString(); }

std::string LocalFiles(const QStringList& arguments) { return Lines(mapory::LocalFilesFromArguments(arguments)); }

}  // namespace

TEST(CommandLineFiles, FileUrlsBecomeTheLocalPathsTheyName)
{
  EXPECT_EQ(LocalFiles({QStringLiteral("file:///data/world%20maps/roads.shp"),
                        QStringLiteral("FILE:///data/rivers.shp"), QStringLiteral("file://localhost/data/lakes.shp"),
                        QStringLiteral("file:///data/%E6%97%A5%E6%9C%AC/%E9%81%93%E8%B7%AF.shp"),
                        QStringLiteral("file:///data/world.zip/natural/cities.shp")}),
            Lines({QStringLiteral("/data/world maps/roads.shp"), QStringLiteral("/data/rivers.shp"),
                   QStringLiteral("/data/lakes.shp"), QStringLiteral("/data/日本/道路.shp"),
                   QStringLiteral("/data/world.zip/natural/cities.shp")}));
}

TEST(CommandLineFiles, PathsAndOtherUrlsStayAsGiven)
{
  const QStringList arguments = {QStringLiteral("/data/roads.shp"), QStringLiteral("relative/roads.shp"),
                                 QStringLiteral("with%20escape.shp"), QStringLiteral("https://example.org/a.shp"),
                                 QStringLiteral("profile:roads.shp")};
  EXPECT_EQ(LocalFiles(arguments), Lines(arguments));
  // Another machine's file is not taken for one of this machine's.
  EXPECT_EQ(LocalFiles({QStringLiteral("file://fileserver/data/roads.shp")}), "file://fileserver/data/roads.shp");
}
