// The frame's additions through its real commands: the map exported as a PNG or JPEG picture
// with a world file and the layer's .prj, the recent layers in the System menu, and a layer's
// text encoding chosen with a live preview and applied to the table, labels and identify.
// SPDX-License-Identifier: MIT
#include "layer_load_bar.h"
#include "main_frame.h"

#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTextStream>

#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "data_wnd.h"
#include "encoding_dialog.h"
#include "image_export.h"
#include "info_dialog.h"
#include "layer_table_model.h"
#include "recent_layers.h"
#include "shape_wnd.h"
#include "resource_ids.h"
#include "platform/gdi.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AnswerModal;
using zamra_test::ProcessPostedMessages;
using zamra_test::Square;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

const char* const kPrj = "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
                         "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
const std::string kBeijingGbk = "\xB1\xB1\xBE\xA9";  // 北京 in GBK

class FrameExtras : public zamra_test::FrameTest {
protected:
  FrameExtras() : FrameTest(QSize(900, 700)) {}

  std::string Base(const char* name) const { return m_environment.Dir().File(name); }

  // A square of land from (100, 20) to (104, 24), with its .prj.
  QString WriteLand()
  {
    EXPECT_TRUE(WriteShapefile(Base("land"), SHPT_POLYGON, {TestShape{{Square(100, 20, 4)}}}));
    std::ofstream(Base("land") + ".prj") << kPrj;
    return QString::fromStdString(Base("land") + ".shp");
  }
  // Two towns named in GBK bytes, with no word on their code page.
  QString WriteTowns()
  {
    EXPECT_TRUE(WriteShapefile(Base("towns"), SHPT_POINT, {TestShape{{{{101, 21}}}}, TestShape{{{{103, 23}}}}},
                               {{"name", FTString, 20, 0}}, {{kBeijingGbk}, {"plain"}}));
    return QString::fromStdString(Base("towns") + ".shp");
  }
  // Runs a command that opens a file dialog and then a message box; answers the dialog with
  // `path` and answers the message. Gives the message's text.
  QString RunWithFile(int command, const QString& path)
  {
    QString message;
    zamra_test::AnswerFileDialog(path, [&message] {
      AnswerModal<QMessageBox>([&message](QMessageBox* box) {
        message = box->text();
        box->button(QMessageBox::Ok)->click();
      });
    });
    m_frame->Action(command)->trigger();
    ProcessPostedMessages();
    return message;
  }
  static QStringList Lines(const QString& path)
  {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
      return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }
};

}  // namespace

TEST(ImageExportNames, FormatsExtensionsAndWorldFiles)
{
  ImageFormat format = ImageFormat::Png;
  EXPECT_TRUE(ImageFormatOf("a/map.JPEG", &format));
  EXPECT_EQ(format, ImageFormat::Jpeg);
  EXPECT_TRUE(ImageFormatOf("map.Png", &format));
  EXPECT_EQ(format, ImageFormat::Png);
  EXPECT_FALSE(ImageFormatOf("map.bmp", &format));
  EXPECT_FALSE(ImageFormatOf("png", &format));
  EXPECT_EQ(ImageFileName("map", ImageFormat::Png), "map.png");
  EXPECT_EQ(ImageFileName("map.PNG", ImageFormat::Png), "map.PNG");
  EXPECT_EQ(ImageFileName("map.jpg", ImageFormat::Png), "map.jpg.png");
  EXPECT_EQ(ImageFileName("my.maps/map", ImageFormat::Jpeg), "my.maps/map.jpg");
  EXPECT_EQ(WorldFilePath("/tmp/x/map.png"), "/tmp/x/map.pgw");
  EXPECT_EQ(WorldFilePath("/tmp/x/map.v2.jpeg"), "/tmp/x/map.v2.jgw");
}

TEST_F(FrameExtras, TheWorldFilePlacesThePicturesPixelsOnTheGround)
{
  ASSERT_EQ(m_frame->AddLayerFiles({WriteLand()}), 1);
  View()->SetScale(20000000);
  View()->SetCenter(101.3, 22.7);
  ProcessPostedMessages();
  // The System menu: its own entries, then Export Image and the recent layers.
  QMenu* system = m_frame->MenuBarMenus().value(0);
  ASSERT_NE(system, nullptr);
  ASSERT_EQ(system->actions().size(), 4);
  EXPECT_EQ(system->actions()[2]->objectName(), QString::number(ID_EXPORT_IMAGE));
  EXPECT_EQ(system->actions()[3]->menu(), m_frame->RecentMenu());

  const QString image = QString::fromStdString(Base("map"));  // no extension: PNG, the first filter
  EXPECT_EQ(RunWithFile(ID_EXPORT_IMAGE, image), "The picture and its world file were saved.");
  const QImage picture(image + ".png");
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), m_frame->ShapeWnd()->size());
  const QStringList numbers = Lines(image + ".pgw");
  ASSERT_EQ(numbers.size(), 6);
  const double a = numbers[0].toDouble(), d = numbers[1].toDouble(), b = numbers[2].toDouble();
  const double e = numbers[3].toDouble(), c = numbers[4].toDouble(), f = numbers[5].toDouble();
  EXPECT_EQ(d, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_GT(a, 0.0);
  EXPECT_LT(e, 0.0);
  // Pixel (i, j) covers the ground around (c + i a, f + j e): the land's edges fall where its
  // coordinates say, within a pixel.
  const QRgb land = picture.pixel(std::lround((102 - c) / a), std::lround((22 - f) / e));
  EXPECT_NE(land, qRgb(255, 255, 255));
  const int row = static_cast<int>(std::lround((21 - f) / e));
  int left = -1, right = -1;
  for (int i = 0; i < picture.width(); ++i)
    if (picture.pixel(i, row) != qRgb(255, 255, 255)) {
      if (left < 0)
        left = i;
      right = i;
    }
  EXPECT_NEAR(c + left * a, 100.0, 1.01 * a);
  EXPECT_NEAR(c + right * a, 104.0, 1.01 * a);
  const int column = static_cast<int>(std::lround((101 - c) / a));
  int top = -1, bottom = -1;
  for (int j = 0; j < picture.height(); ++j)
    if (picture.pixel(column, j) != qRgb(255, 255, 255)) {
      if (top < 0)
        top = j;
      bottom = j;
    }
  EXPECT_NEAR(f + top * e, 24.0, 1.01 * -e);
  EXPECT_NEAR(f + bottom * e, 20.0, 1.01 * -e);
  // The layer's coordinate system beside it.
  QFile prj(image + ".prj");
  ASSERT_TRUE(prj.open(QIODevice::ReadOnly));
  EXPECT_EQ(prj.readAll(), QByteArray(kPrj));

  // JPEG when the name says so; its world file is a .jgw.
  const QString jpeg = QString::fromStdString(Base("map2.jpg"));
  EXPECT_EQ(RunWithFile(ID_EXPORT_IMAGE, jpeg), "The picture and its world file were saved.");
  int width = 0, height = 0;
  HDC decoded = ZMBitmap::LoadJpeg(jpeg.toLocal8Bit().constData(), width, height);
  ASSERT_NE(decoded, nullptr);
  DeleteDC(decoded);
  EXPECT_EQ(QSize(width, height), m_frame->ShapeWnd()->size());
  EXPECT_EQ(Lines(QString::fromStdString(Base("map2.jgw"))), numbers);

  // A folder that does not exist: the failure is said, nothing is claimed.
  EXPECT_EQ(RunWithFile(ID_EXPORT_IMAGE, QString::fromStdString(Base("missing/map.png"))),
            "The picture could not be saved.");
}

TEST_F(FrameExtras, TheLastFourAddedLayersAreInTheSystemMenu)
{
  QMenu* recent = m_frame->RecentMenu();
  ASSERT_NE(recent, nullptr);
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_FALSE(recent->actions()[0]->isEnabled()) << "an empty list says so";

  QStringList files;
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    EXPECT_TRUE(WriteShapefile(Base(name), SHPT_POINT, {TestShape{{{{100, 20}}}}}));
    files << QString::fromStdString(Base(name) + ".shp");
  }
  ASSERT_EQ(m_frame->AddLayerFiles(files), 5);
  const QStringList expected{files[4], files[3], files[2], files[1]};
  EXPECT_EQ(RecentLayers(), expected);
  ASSERT_EQ(recent->actions().size(), 4);
  EXPECT_TRUE(recent->actions()[0]->text().endsWith(files[4]));
  EXPECT_TRUE(recent->actions()[3]->text().endsWith(files[1]));
  // Adding one again moves it to the top.
  AddRecentLayer(files[2]);
  EXPECT_EQ(RecentLayers(), (QStringList{files[2], files[4], files[3], files[1]}));

  // Opening one adds it as a layer; one already shown is not added twice.
  ASSERT_EQ(View()->DeleteLayer(4), 1);
  m_frame->updateMenus();
  QMenu* system = m_frame->MenuBarMenus().value(0);
  ASSERT_NE(system, nullptr);
  emit system->aboutToShow();
  recent->actions()[0]->trigger();  // e, the newest
  ProcessPostedMessages();
  ASSERT_EQ(View()->GetLayerCount(), 5);
  char name[260] = {};
  View()->GetLayerByIndex(4)->GetName(name);
  EXPECT_STREQ(name, "e.shp");
  recent->actions()[1]->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(View()->GetLayerCount(), 5);
}

TEST_F(FrameExtras, AChosenEncodingShowsInThePreviewAndAppliesToTableIdentifyAndWorkspace)
{
  ASSERT_EQ(m_frame->AddLayerFiles({WriteTowns()}), 1);
  Select(0);
  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  ProcessPostedMessages();
  Post(WM_FEATURE_INFO, 0, 0);
  ASSERT_NE(m_frame->InfoDialog(), nullptr);
  const QString beijing = QString::fromUtf8("北京");
  CLayerTableModel* table = m_frame->DataWnd()->Model();
  EXPECT_NE(table->data(table->index(0, 0)).toString().trimmed(), beijing);

  bool previewed = false;
  AnswerModal<CEncodingDialog>([&](CEncodingDialog* dialog) {
    EXPECT_EQ(dialog->CodePage(), 0u) << "automatic at first";
    EXPECT_NE(dialog->Preview()->item(0, 0)->text(), beijing);
    EXPECT_EQ(dialog->Preview()->item(1, 0)->text(), "plain");
    ASSERT_TRUE(dialog->SelectCodePage(936));
    previewed = dialog->Preview()->item(0, 0)->text() == beijing;
    dialog->accept();
  });
  m_frame->Action(ID_TEXT_ENCODING)->trigger();
  ProcessPostedMessages();
  EXPECT_TRUE(previewed);
  EXPECT_EQ(IZamraViewExtras::Of(View())->GetLayerCodePage(View()->GetLayerByIndex(0)), 936u);
  EXPECT_EQ(table->data(table->index(0, 0)).toString().trimmed(), beijing);
  EXPECT_EQ(m_frame->InfoDialog()->List()->item(0, 1)->text(), beijing);

  // Cancel changes nothing; the dialog opens on the chosen one.
  AnswerModal<CEncodingDialog>([](CEncodingDialog* dialog) {
    EXPECT_EQ(dialog->CodePage(), 936u);
    dialog->SelectCodePage(65001);
    dialog->reject();
  });
  m_frame->Action(ID_TEXT_ENCODING)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(IZamraViewExtras::Of(View())->GetLayerCodePage(View()->GetLayerByIndex(0)), 936u);

  // Closing the frame keeps the choice in the workspace; the next run reads the layer so.
  m_frame->close();
  m_frame.reset();
  CMainFrame next;
  next.RestoreSession();
  next.LoadBar()->FinishAll();
  ASSERT_EQ(next.View()->GetLayerCount(), 1);
  char text[260] = {};
  next.View()->GetLayerByIndex(0)->GetDataView()->GetItemValue(0, 0, text);
  EXPECT_EQ(QString::fromUtf8(text), beijing);
}
