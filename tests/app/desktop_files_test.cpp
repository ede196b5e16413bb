// The desktop's knowledge of the program: the shared-mime-info entry names shapefiles by their
// name and by their first bytes (as the desktop's own database sees it once installed), and
// the desktop entry and the thumbnailer offer the program for those types.
// SPDX-License-Identifier: MIT
#include <QMimeDatabase>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

const std::string kResources = std::string(ZAMRA_SAMPLES_DIR) + "/../app/resources/";

// The MIME types a desktop-entry style file lists under MimeType in `group`.
QStringList ListedTypes(const std::string& file, const std::string& group)
{
  std::ifstream in(file);
  std::string line;
  bool inGroup = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[')
      inGroup = line == "[" + group + "]";
    else if (inGroup && line.rfind("MimeType=", 0) == 0)
      return QString::fromStdString(line.substr(9)).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  }
  return {};
}

}  // namespace

TEST(DesktopFiles, TheMimeDatabaseKnowsShapefilesByNameAndByContent)
{
  zamra_test::TempDir data;
  const std::filesystem::path packages = data.File("mime/packages");
  std::filesystem::create_directories(packages);
  std::filesystem::copy_file(kResources + "mapory-mime.xml", packages / "mapory.xml");
  std::filesystem::copy_file("/usr/share/mime/packages/freedesktop.org.xml", packages / "freedesktop.org.xml");
  int status = -1;
  const std::string output = zamra_test::RunCommand("update-mime-database '" + data.File("mime") + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << output;
  // Only this database: set before the first look-up, which loads it for the process.
  qputenv("XDG_DATA_HOME", data.Path().c_str());
  qputenv("XDG_DATA_DIRS", data.Path().c_str());

  // A sample by its name; the same bytes under a name without a known ending by the file code.
  const std::string sample = std::string(ZAMRA_SAMPLES_DIR) + "/world_countries.shp";
  std::filesystem::copy_file(sample, data.File("countries.data"));
  zamra_test::WriteAll(data.File("roads.shp.zip"), {'P', 'K', 3, 4, 20, 0, 0, 0, 0, 0});
  zamra_test::WriteAll(data.File("other.data"), std::vector<unsigned char>(100, 7));

  const QMimeDatabase database;
  EXPECT_EQ(database.mimeTypeForFile(QString::fromStdString(sample)).name(), QStringLiteral("application/x-shapefile"));
  EXPECT_EQ(database.mimeTypeForFile(QString::fromStdString(data.File("countries.data"))).name(),
            QStringLiteral("application/x-shapefile"));
  EXPECT_NE(database.mimeTypeForFile(QString::fromStdString(data.File("other.data"))).name(),
            QStringLiteral("application/x-shapefile"));
  const QMimeType zipped = database.mimeTypeForFile(QString::fromStdString(data.File("roads.shp.zip")));
  EXPECT_EQ(zipped.name(), QStringLiteral("application/x-shapefile+zip"));
  EXPECT_TRUE(zipped.inherits(QStringLiteral("application/zip")));
  EXPECT_FALSE(database.mimeTypeForName(QStringLiteral("application/x-shapefile")).comment().isEmpty());
}

TEST(DesktopFiles, TheDesktopEntryAndTheThumbnailerOfferEveryShapefileType)
{
  const QStringList types = {QStringLiteral("application/x-shapefile"), QStringLiteral("application/x-shapefile+zip")};
  EXPECT_EQ(ListedTypes(kResources + "mapory.desktop", "Desktop Entry"), types);
  EXPECT_EQ(ListedTypes(kResources + "mapory.thumbnailer", "Thumbnailer Entry"), types);
}
