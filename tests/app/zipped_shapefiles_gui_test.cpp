// Zipped shapefiles through the real frame: a dropped archive with several shapefiles lists them
// with check boxes and adds the checked ones; one with a single shapefile adds it from the
// command line; Recent Layers reopens a member; damaged and unsafe archives say why.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include "archive_dialog.h"
#include "recent_layers.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::Square;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

class ZippedShapefilesFrame : public zamra_test::FrameTest {
protected:
  std::string File(const std::string& name) const { return m_environment.Dir().File(name); }
  QString Path(const std::string& name) const { return QString::fromStdString(File(name)); }
  QString LayerPath(int index) const
  {
    char path[260] = {};
    View()->GetLayerByIndex(index)->GetPath(path);
    return QString::fromUtf8(path);
  }
  // Zips the trios of `bases` under the names given (without extension).
  void Zip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& bases)
  {
    std::string arguments = "'" + File(archive) + "'";
    for (const auto& [base, name] : bases)
      for (const char* extension : {".shp", ".shx", ".dbf"})
        arguments += " '" + File(base + extension) + "' '" + name + extension + "'";
    int status = -1;
    const std::string output = zamra_test::RunPython(m_environment.Dir(), R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for path, name in zip(sys.argv[2::2], sys.argv[3::2]):
        z.writestr(zipfile.ZipInfo(name), open(path, 'rb').read(), zipfile.ZIP_DEFLATED)
)",
                                                     arguments, &status);
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
  // The text of the message box the next command shows (answered with OK).
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

TEST_F(ZippedShapefilesFrame, SeveralShapefilesAreListedAndTheCheckedOnesAdded)
{
  ASSERT_TRUE(WriteShapefile(File("land"), SHPT_POLYGON, {TestShape{{Square(100, 20, 4)}}}));
  ASSERT_TRUE(WriteShapefile(File("sea"), SHPT_POLYGON, {TestShape{{Square(110, 20, 4)}}}));
  ASSERT_TRUE(WriteShapefile(File("lake"), SHPT_POLYGON, {TestShape{{Square(120, 20, 4)}}}));
  Zip("three.zip", {{"land", "2024/land"}, {"sea", "2024/sea"}, {"lake", "lake"}});

  QStringList listed;
  zamra_test::AnswerModal<CArchiveDialog>([&listed](CArchiveDialog* dialog) {
    for (int row = 0; row < dialog->List()->count(); ++row) {
      QListWidgetItem* item = dialog->List()->item(row);
      listed << item->text() + (item->checkState() == Qt::Checked ? "+" : "-");
    }
    dialog->List()->item(1)->setCheckState(Qt::Unchecked);
    dialog->accept();
  });
  Drop(Path("three.zip"));
  EXPECT_EQ(listed, QStringList({"2024/land.shp+", "2024/sea.shp+", "lake.shp+"})) << "all checked at first";
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerPath(0), Path("three.zip") + "/2024/land.shp");
  EXPECT_EQ(LayerPath(1), Path("three.zip") + "/lake.shp");
  EXPECT_EQ(View()->GetLayerByIndex(1)->HitTest(121, 21), 0);
  EXPECT_EQ(RecentLayers().value(0), Path("three.zip") + "/lake.shp");
  EXPECT_EQ(RecentLayers().value(1), Path("three.zip") + "/2024/land.shp");

  // Recent Layers reopens a member that was removed.
  ASSERT_EQ(View()->DeleteLayer(1), 1);
  EXPECT_EQ(m_frame->AddLayerFiles({RecentLayers().value(0)}), 1);
  EXPECT_EQ(View()->GetLayerCount(), 2);

  // Cancelled, nothing comes; chosen again, only what is not shown yet.
  zamra_test::AnswerModal<CArchiveDialog>([](CArchiveDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(m_frame->AddLayerFiles({Path("three.zip")}), 0);
  zamra_test::AnswerModal<CArchiveDialog>([](CArchiveDialog* dialog) { dialog->accept(); });
  EXPECT_EQ(m_frame->AddLayerFiles({Path("three.zip")}), 1);
  EXPECT_EQ(View()->GetLayerCount(), 3);
}

TEST_F(ZippedShapefilesFrame, OneShapefileIsAddedAtOnceAndBadArchivesSayWhy)
{
  ASSERT_TRUE(WriteShapefile(File("land"), SHPT_POLYGON, {TestShape{{Square(100, 20, 4)}}}));
  Zip("one.zip", {{"land", "data/land"}});
  EXPECT_EQ(m_frame->AddLayerFiles({Path("one.zip")}), 1);  // as from the command line
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerPath(0), Path("one.zip") + "/data/land.shp");
  // Through Add Layer's file dialog.
  ASSERT_TRUE(WriteShapefile(File("sea"), SHPT_POLYGON, {TestShape{{Square(110, 20, 4)}}}));
  Zip("sea.zip", {{"sea", "sea"}});
  zamra_test::AnswerFileDialog(Path("sea.zip"));
  m_frame->Action(ID_ADD_LAYER)->trigger();
  ProcessPostedMessages();
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerPath(1), Path("sea.zip") + "/sea.shp");
  ASSERT_EQ(View()->DeleteLayer(1), 1);

  Zip("unsafe.zip", {{"land", "../land"}});
  EXPECT_EQ(MessageOf([this] { m_frame->AddLayerFiles({Path("unsafe.zip")}); }), Text("archive_unsafe"));
  zamra_test::WriteAll(File("broken.zip"), std::vector<unsigned char>(64, 'z'));
  EXPECT_EQ(MessageOf([this] { Drop(Path("broken.zip")); }), Text("archive_cannot_open"));

  // A member whose bytes fail their check.
  std::vector<unsigned char> bytes = zamra_test::ReadAll(File("one.zip"));
  bytes[30 + 13 + 40] ^= 0x55;  // inside the compressed "data/land.shp"
  zamra_test::WriteAll(File("crc.zip"), bytes);
  EXPECT_EQ(MessageOf([this] { m_frame->AddLayerFiles({Path("crc.zip")}); }), Text("archive_damaged"));
  EXPECT_EQ(View()->GetLayerCount(), 1);
  EXPECT_FALSE(Text("archive_damaged").isEmpty());
}
