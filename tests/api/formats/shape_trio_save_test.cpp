// Saving a shapefile replaces its three files as one: whichever system call of the save fails,
// shapelib and pyshp find on disk either the whole old trio or the whole new one, never a .shp
// of one with the .shx or .dbf of the other. The failures are planned through the platform's
// seam, at every call of each kind in turn.
// SPDX-License-Identifier: MIT
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/formats/polygon.h"
#include "api/formats/shape_file.h"
#include "platform/system_calls.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/table_values.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using zamra::sys::Call;
using zamra_test::TempDir;

constexpr int kLastSkip = 40;  // more calls of each kind than one save of a small trio makes

// The old trio: two squares, rows "old0" and "old1".
void WriteOldTrio(const std::string& folder)
{
  fs::create_directories(folder);
  ASSERT_TRUE(zamra_test::WriteShapefile(folder + "/layer", SHPT_POLYGON,
                                         {{{zamra_test::Square(0, 0, 1)}}, {{zamra_test::Square(5, 0, 1)}}},
                                         {{"NAME", FTString, 12, 0}}, {{"old0"}, {"old1"}}));
}

void SetText(ZMDataView* table, int row, const std::string& text)
{
  table->SetItemValue(row, 0, zamra_test::TextValue(text));
}

// The new trio: three squares elsewhere, rows "new0" to "new2".
std::unique_ptr<ZMShapePolygonFile> NewTrio()
{
  auto file = std::make_unique<ZMShapePolygonFile>();
  ZMDataView* table = file->GetDataView();
  table->SetColumn(0, ZM_VAR_STRING, 12, "NAME", nullptr, 1);
  for (int index = 0; index < 3; ++index) {
    std::unique_ptr<ST_MPOLYGON> polygon(ZMPolygon::NewMPolygon());
    ZMPolygon::AddPolygon(polygon.get());
    for (const ST_POINT& point : zamra_test::Square(100 + 10 * index, 50, 2))
      ZMPolygon::AddPoint(polygon.get(), &point, -1, -1);
    ZMPolygon::UpdateEnvelop(polygon.get());
    file->AddShape(polygon.get());
    SetText(table, table->AddRow(), "new" + std::to_string(index));
  }
  return file;
}

// What shapelib reads from folder/layer: every shape's first corner with the row beside it.
std::string ShapelibReading(const std::string& folder)
{
  SHPHandle shp = SHPOpen((folder + "/layer.shp").c_str(), "rb");
  DBFHandle dbf = DBFOpen((folder + "/layer.dbf").c_str(), "rb");
  std::ostringstream text;
  if (shp == nullptr || dbf == nullptr) {
    text << "unreadable";
  } else {
    int count = 0;
    SHPGetInfo(shp, &count, nullptr, nullptr, nullptr);
    text << count << " shapes, " << DBFGetRecordCount(dbf) << " rows:";
    for (int index = 0; index < count; ++index) {
      SHPObject* object = SHPReadObject(shp, index);
      if (object == nullptr || object->nVertices == 0)
        text << " broken";
      else
        text << " (" << object->padfX[0] << " " << object->padfY[0] << " "
             << (index < DBFGetRecordCount(dbf) ? DBFReadStringAttribute(dbf, index, 0) : "-") << ")";
      if (object != nullptr)
        SHPDestroyObject(object);
    }
  }
  if (shp != nullptr)
    SHPClose(shp);
  if (dbf != nullptr)
    DBFClose(dbf);
  return text.str();
}

// What pyshp reads from each folder's layer, one line "folder|reading" each.
std::map<std::string, std::string> PyshpReadings(const TempDir& dir, const std::vector<std::string>& folders)
{
  const std::string script = R"(
import shapefile, sys
for folder in sys.argv[1:]:
    try:
        r = shapefile.Reader(folder + '/layer')
        shapes = r.shapes()
        records = r.records()
        corners = ['%s %s %s' % (s.points[0][0], s.points[0][1], rec[0].strip()) for s, rec in zip(shapes, records)]
        print(folder + '|' + '%d shapes, %d rows: %s' % (len(shapes), len(records), ', '.join(corners)))
    except Exception as error:
        print(folder + '|error ' + str(error).replace('\n', ' '))
)";
  std::string arguments;
  for (const std::string& folder : folders)
    arguments += " '" + folder + "'";
  int status = -1;
  const std::string output = zamra_test::RunPython(dir, script, arguments, &status);
  EXPECT_EQ(status, 0) << output;
  std::map<std::string, std::string> readings;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const size_t bar = line.find('|');
    if (bar != std::string::npos)
      readings[line.substr(0, bar)] = line.substr(bar + 1);
  }
  return readings;
}

std::set<std::string> Names(const std::string& folder)
{
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

struct Outcome {
  std::string folder;
  std::string failure;  // which call failed after how many
  bool saved = false;
};

}  // namespace

TEST(ShapeTrioSave, AFailureAtAnyStepLeavesTheWholeOldOrTheWholeNewTrio)
{
  TempDir dir;
  const std::string oldFolder = dir.File("old");
  const std::string newFolder = dir.File("new");
  WriteOldTrio(oldFolder);
  auto file = NewTrio();
  fs::create_directories(newFolder);
  ASSERT_TRUE(file->Save((newFolder + "/layer.shp").c_str()));
  const std::string oldReading = ShapelibReading(oldFolder);
  const std::string newReading = ShapelibReading(newFolder);
  ASSERT_NE(oldReading, newReading);
  ASSERT_EQ(oldReading.rfind("2 shapes, 2 rows:", 0), 0u) << oldReading;
  ASSERT_EQ(newReading.rfind("3 shapes, 3 rows:", 0), 0u) << newReading;
  const std::set<std::string> trio = {"layer.shp", "layer.shx", "layer.dbf"};

  // Each call with the error it fails with, and whether that failure must stop a save: a
  // descriptor that will not close after its sync, or an old copy that will not go once the
  // new trio is in place, leaves the new trio standing.
  struct Failure {
    Call call;
    int error;
    bool stops;
  };
  const Failure failures[] = {{Call::kOpen, EMFILE, true},  {Call::kLStat, EIO, true},    {Call::kStat, EIO, true},
                              {Call::kFlock, ENOLCK, true}, {Call::kWrite, ENOSPC, true}, {Call::kFSync, EIO, true},
                              {Call::kRename, EIO, true},   {Call::kClose, EIO, false},   {Call::kUnlink, EIO, false}};
  std::vector<Outcome> outcomes;
  for (const auto& [call, error, stops] : failures) {
    bool failedOnce = false;
    for (int skip = 0; skip <= kLastSkip; ++skip) {
      Outcome outcome;
      outcome.folder = dir.File("case" + std::to_string(outcomes.size()));
      outcome.failure = "call " + std::to_string(static_cast<int>(call)) + " after " + std::to_string(skip);
      WriteOldTrio(outcome.folder);
      {
        zamra::sys::ScopedCallFailure failure(call, error, skip);
        outcome.saved = file->Save((outcome.folder + "/layer.shp").c_str());
      }
      const std::string reading = ShapelibReading(outcome.folder);
      EXPECT_EQ(reading, outcome.saved ? newReading : oldReading) << outcome.failure;
      failedOnce = failedOnce || !outcome.saved;
      // A backup whose removal failed may stay after a save that succeeded; nothing else.
      if (!outcome.saved || call != Call::kUnlink) {
        EXPECT_EQ(Names(outcome.folder), trio) << outcome.failure;
      }
      outcomes.push_back(outcome);
    }
    EXPECT_EQ(failedOnce, stops) << "call " << static_cast<int>(call);
    EXPECT_TRUE(outcomes.back().saved) << "more calls than the cases try: " << outcomes.back().failure;
  }

  std::vector<std::string> folders = {oldFolder, newFolder};
  for (const Outcome& outcome : outcomes)
    folders.push_back(outcome.folder);
  auto readings = PyshpReadings(dir, folders);
  const std::string pyOld = readings[oldFolder];
  const std::string pyNew = readings[newFolder];
  ASSERT_EQ(pyOld.rfind("2 shapes, 2 rows:", 0), 0u) << pyOld;
  ASSERT_EQ(pyNew.rfind("3 shapes, 3 rows:", 0), 0u) << pyNew;
  for (const Outcome& outcome : outcomes)
    EXPECT_EQ(readings[outcome.folder], outcome.saved ? pyNew : pyOld) << outcome.failure;
}
