// mapory-thumbnailer, the file managers' preview of shapefiles: a small picture of each sample,
// from a path or a file:// URL, and a clean refusal (status 1, no picture, no crash of the
// renderer under it) for everything else: hostile bytes from the fuzz corpora given as a
// shapefile and as a zipped one, files too large for a preview, folders and other URLs.
// SPDX-License-Identifier: MIT
#include <QColor>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

const std::string kSamples = ZAMRA_SAMPLES_DIR;
const std::string kCorpora = kSamples + "/../tests/fuzz/corpus/";

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Runs the thumbnailer; its error output, and its exit status in *status.
std::string Thumbnail(const std::string& arguments, int* status)
{
  return RunCommand(std::string(ZAMRA_TOOLS_DIR) + "/mapory-thumbnailer " + arguments + " 2>&1 >/dev/null", status);
}

// The number of distinct colours in a picture: a drawn map has more than its background.
size_t ColourCount(const QImage& picture)
{
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      colours.insert(picture.pixel(x, y));
  return colours.size();
}

// A clean refusal: status 1, a reason on the error output, no picture and no scratch file left.
::testing::AssertionResult GaveUpCleanly(const std::string& output, int status, const TempDir& dir,
                                         const std::string& picture)
{
  if (status != 1)
    return ::testing::AssertionFailure() << "status " << status << ": " << output;
  if (output.find("mapory-thumbnailer: ") == std::string::npos)
    return ::testing::AssertionFailure() << "no reason given: " << output;
  if (output.find("signal") != std::string::npos)
    return ::testing::AssertionFailure() << "the renderer crashed: " << output;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().filename().string().rfind(picture, 0) == 0)
      return ::testing::AssertionFailure() << "left " << entry.path() << " behind: " << output;
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(MaporyThumbnailer, DrawsEachSampleFromAPathOrAUrl)
{
  TempDir dir;
  // A folder with a space, given as a URL with its escape.
  const std::filesystem::path folder = dir.File("my maps");
  std::filesystem::create_directories(folder);
  for (const char* extension : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    std::filesystem::copy_file(kSamples + "/world_cities" + extension,
                               folder / ("world_cities" + std::string(extension)));

  struct Case {
    std::string input;
    int size;
  };
  const std::vector<Case> cases = {{kSamples + "/world_countries.shp", 128},
                                   {kSamples + "/world_borders.shp", 256},
                                   {"file://" + dir.Path() + "/my%20maps/world_cities.shp", 64}};
  for (const Case& sample : cases) {
    const std::string picture = dir.File("thumbnail.png");
    int status = -1;
    const std::string output = Thumbnail(
        "-s " + std::to_string(sample.size) + " " + Quote(sample.input) + " " + Quote(picture), &status);
    ASSERT_EQ(status, 0) << sample.input << ": " << output;
    const QImage image(QString::fromStdString(picture));
    EXPECT_EQ(image.size(), QSize(sample.size, sample.size)) << sample.input;
    EXPECT_GT(ColourCount(image), 1u) << sample.input << ": nothing drawn";
    std::filesystem::remove(picture);
  }
}

TEST(MaporyThumbnailer, GivesUpCleanlyOnTheHostileFilesOfTheFuzzCorpora)
{
  // Every corpus, each seed as a shapefile (its first 100 bytes also the index's header, as
  // the shapefile fuzzer gives them) and as a zipped shapefile.
  const char* const corpora[] = {"bmp_load",      "dbf_file",    "gdi_shapes",        "jpeg_load",
                                 "multipart",     "parse_url",   "rect_clip_polygon", "shape_file",
                                 "shape_records", "view_render", "view_zip_archive",  "xml_load"};
  int seeds = 0, drawn = 0;
  for (const char* corpus : corpora) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpora + corpus))
      files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << corpus;
    for (const std::filesystem::path& seed : files) {
      ++seeds;
      const std::vector<unsigned char> bytes = zamra_test::ReadAll(seed.string());
      TempDir dir;
      zamra_test::WriteAll(dir.File("seed.shp"), bytes);
      zamra_test::WriteAll(
          dir.File("seed.shx"),
          std::vector<unsigned char>(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 100)));
      zamra_test::WriteAll(dir.File("seed.shp.zip"), bytes);
      for (const char* input : {"seed.shp", "seed.shp.zip"}) {
        int status = -1;
        const std::string output = Thumbnail("-s 96 " + Quote(dir.File(input)) + " " + Quote(dir.File("out.png")),
                                             &status);
        const std::string what = seed.string() + " as " + input;
        if (status == 0) {
          ++drawn;
          EXPECT_EQ(QImage(QString::fromStdString(dir.File("out.png"))).size(), QSize(96, 96)) << what;
          std::filesystem::remove(dir.File("out.png"));
        } else {
          EXPECT_TRUE(GaveUpCleanly(output, status, dir, "out.png")) << what;
        }
      }
    }
  }
  EXPECT_GT(seeds, 40);
  RecordProperty("drawn", drawn);
}

TEST(MaporyThumbnailer, GivesUpAtOnceOnWhatIsNoSmallLocalFile)
{
  TempDir dir;
  // A shapefile header in front of 300 MB (sparse: it costs no disk).
  std::filesystem::copy_file(kSamples + "/world_cities.shp", dir.File("huge.shp"));
  std::filesystem::resize_file(dir.File("huge.shp"), 300u << 20);
  std::filesystem::create_directories(dir.File("folder.shp"));
  int status = -1;
  for (const std::string& input :
       {dir.File("huge.shp"), dir.File("folder.shp"), dir.File("missing.shp"),
        std::string("https://example.org/roads.shp"), std::string("file://elsewhere/data/roads.shp")}) {
    const std::string output = Thumbnail("-s 128 " + Quote(input) + " " + Quote(dir.File("out.png")), &status);
    EXPECT_TRUE(GaveUpCleanly(output, status, dir, "out.png")) << input;
  }
  EXPECT_NE(
      Thumbnail("-s 128 " + Quote(dir.File("huge.shp")) + " " + Quote(dir.File("out.png")), &status).find("too large"),
      std::string::npos);

  // Sizes outside 16 to 1024 and missing operands are usage errors.
  for (const char* arguments : {"-s 0 a.shp b.png", "-s 5000 a.shp b.png", "-s 128 a.shp", "a.shp b.png"}) {
    Thumbnail(std::string(arguments), &status);
    EXPECT_EQ(status, 2) << arguments;
  }
}
