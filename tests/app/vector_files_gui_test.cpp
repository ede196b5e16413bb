// Files of other vector formats through the real frame: Add Layer offers "All vector files"
// first; a GeoPackage of two tables lists them with check boxes and adds the checked ones; a
// dropped GeoJSON of one layer is added at once; Layer Info shows the format and the coordinate
// system; a damaged file says why.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "archive_dialog.h"
#include "layer_info_dialog.h"
#include "recent_layers.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "support/python_script.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;

namespace {

class VectorFilesFrame : public zamra_test::FrameTest {
protected:
  std::string File(const std::string& name) const { return m_environment.Dir().File(name); }
  QString Path(const std::string& name) const { return QString::fromStdString(File(name)); }
  QString LayerPath(int index) const
  {
    char path[260] = {};
    View()->GetLayerByIndex(index)->GetPath(path);
    return QString::fromUtf8(path);
  }
  void Ogr2ogr(const std::string& arguments)
  {
    int status = -1;
    const std::string output = zamra_test::RunCommand("ogr2ogr " + arguments + " 2>&1", &status);
    ASSERT_EQ(status, 0) << output;
  }
  void Drop(const QString& path)
  {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at(50, 50);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame->ShapeWnd(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame->ShapeWnd(), &drop);
    ProcessPostedMessages();
  }
  QString MessageOf(const std::function<void()>& command)
  {
    QString message;
    zamra_test::AnswerModal<QMessageBox>([&message](QMessageBox* box) {
      message = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    command();
    ProcessPostedMessages();
    return message;
  }
  static QString Text(const char* key) { return CResourceTable::Current().Text(QString::fromLatin1(key)); }
};

}  // namespace

TEST_F(VectorFilesFrame, AGeoPackageOfTwoTablesListsThemAndAddsTheCheckedOnes)
{
  const std::string package = File("world.gpkg");
  Ogr2ogr("-f GPKG '" + package + "' '" ZAMRA_SAMPLES_DIR "/world_countries.shp' -nln countries -nlt PROMOTE_TO_MULTI");
  Ogr2ogr("-update -f GPKG '" + package + "' '" ZAMRA_SAMPLES_DIR "/world_cities.shp' -nln cities");

  QStringList listed;
  zamra_test::AnswerModal<CArchiveDialog>([&listed](CArchiveDialog* dialog) {
    listed << dialog->windowTitle();
    for (int row = 0; row < dialog->List()->count(); ++row)
      listed << dialog->List()->item(row)->text();
    dialog->List()->item(0)->setCheckState(Qt::Unchecked);
    dialog->accept();
  });
  Drop(Path("world.gpkg"));
  EXPECT_EQ(listed, QStringList({Text("vector_layers_title"), "countries (polygons)", "cities (points)"}));
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerPath(0), Path("world.gpkg") + "|cities|points");
  EXPECT_EQ(RecentLayers().value(0), Path("world.gpkg") + "|cities|points");

  CLayerInfoDialog info(View()->GetLayerByIndex(0));
  EXPECT_EQ(info.findChild<QLineEdit*>("layer_format")->text(), "GeoPackage");
  EXPECT_EQ(info.findChild<QLineEdit*>("layer_coordinate_system")->text(), "WGS 84");
  EXPECT_EQ(info.Field(1001)->text(), "cities");
  EXPECT_EQ(info.Field(1003)->text(), "243");

  // Recent Layers reopens the table; chosen again, only what is not shown yet is added.
  ASSERT_EQ(View()->DeleteLayer(0), 1);
  EXPECT_EQ(m_frame->AddLayerFiles({RecentLayers().value(0)}), 1);
  zamra_test::AnswerModal<CArchiveDialog>([](CArchiveDialog* dialog) { dialog->accept(); });
  EXPECT_EQ(m_frame->AddLayerFiles({Path("world.gpkg")}), 1);
  EXPECT_EQ(View()->GetLayerCount(), 2);
}

TEST_F(VectorFilesFrame, AddLayerOffersEveryFamilyAndAFileOfOneLayerIsAddedAtOnce)
{
  Ogr2ogr("-f GeoJSON '" + File("borders.geojson") + "' '" ZAMRA_SAMPLES_DIR "/world_borders.shp'");
  QStringList filters;
  zamra_test::AnswerModal<QFileDialog>([&filters](QFileDialog* dialog) { filters = dialog->nameFilters(); });
  zamra_test::AnswerFileDialog(Path("borders.geojson"));
  m_frame->Action(ID_ADD_LAYER)->trigger();
  ProcessPostedMessages();
  ASSERT_GE(filters.size(), 3);
  EXPECT_TRUE(filters[0].startsWith(Text("vector_filter_all") + " (")) << filters[0].toStdString();
  for (const char* pattern : {"*.shp", "*.zip", "*.gpkg", "*.geojson", "*.fgb", "*.kml", "*.gpx", "*.tab", "*.csv"})
    EXPECT_TRUE(filters[0].contains(pattern)) << pattern;
  EXPECT_TRUE(filters[1].startsWith(Text("vector_filter_shapefile")));
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerPath(0), Path("borders.geojson"));
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetType(), 3);

  // Shapefiles tell their format too.
  ASSERT_EQ(m_frame->AddLayerFiles({ZAMRA_SAMPLES_DIR "/world_cities.shp"}), 1);
  CLayerInfoDialog info(View()->GetLayerByIndex(1));
  EXPECT_EQ(info.findChild<QLineEdit*>("layer_format")->text(), "ESRI Shapefile");
  EXPECT_EQ(info.findChild<QLineEdit*>("layer_coordinate_system")->text(), "WGS 84");

  // Damaged and empty files say why, and add nothing.
  std::ofstream(File("broken.gpkg")) << "SQLite format 3 but not really";
  EXPECT_EQ(MessageOf([this] { Drop(Path("broken.gpkg")); }), Text("vector_cannot_open"));
  std::ofstream(File("empty.geojson")) << R"({"type":"FeatureCollection","features":[]})";
  EXPECT_EQ(MessageOf([this] { m_frame->AddLayerFiles({Path("empty.geojson")}); }), Text("vector_no_geometry"));
  EXPECT_EQ(View()->GetLayerCount(), 2);
  EXPECT_FALSE(Text("vector_no_gdal").isEmpty());
}
