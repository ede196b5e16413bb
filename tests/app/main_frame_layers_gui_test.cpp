// The frame with the properties window and the layer dialogs: a right click identifies a
// feature, the table follows the layer selection, a double-clicked row moves the map, Goto,
// Layer Info and Layer Style, on real windows with the sample layers.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QColorDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "data_wnd.h"
#include "goto_dialog.h"
#include "info_dialog.h"
#include "layer_info_dialog.h"
#include "layer_table_model.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "style_dialog.h"
#include "platform/gdi.h"
#include "platform/window_message.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::AllSamples;
using zamra_test::AnswerModal;
using zamra_test::AppEnvironment;
using zamra_test::ProcessPostedMessages;

namespace {

constexpr int kJapanRecord = 155;  // in the bundled countries layer

class FrameWithLayers : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    FrameTest::SetUp();
    ASSERT_EQ(m_frame->AddLayerFiles(AllSamples()), 3);
  }
  // The view's own window inside the map window.
  QWidget* ViewWindow() const
  {
    for (QWidget* child : m_frame->ShapeWnd()->findChildren<QWidget*>())
      if (child->property("zamraWindowId").toUInt() == ID_VIEW_WINDOW)
        return child;
    return nullptr;
  }
  CDataWnd* Properties() const { return m_frame->DataWnd(); }
  int SelectedRow() const
  {
    const QModelIndexList rows = Properties()->Table()->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
  }
  COLORREF MapPixelAtCentre()
  {
    int width = 0, height = 0;
    View()->GetView(width, height);
    HDC picture = ZMBitmap::CreateMemDc(width, height);
    View()->Draw(picture, 0, 0, width, height);
    const COLORREF colour = GetPixel(picture, width / 2, height / 2 + 3);  // beside the centre cross
    DeleteDC(picture);
    return colour;
  }
};

}  // namespace

TEST_F(FrameWithLayers, RightClickOnJapanShowsItsValuesLastColumnFirstAndSelectsItsRow)
{
  Select(0);
  View()->SetScale(20000000);
  View()->SetCenter(138.5, 36.5);
  View()->Refresh();
  ProcessPostedMessages();
  QWidget* window = ViewWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(m_frame->InfoDialog(), nullptr) << "made on the first identification";
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(window->width() / 2, window->height() / 2));
  ProcessPostedMessages();

  CInfoDialog* info = m_frame->InfoDialog();
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->isVisible());
  QTableWidget* list = info->List();
  ASSERT_EQ(list->rowCount(), 4);
  EXPECT_EQ(list->item(0, 0)->text(), "iso_a3");
  EXPECT_EQ(list->item(0, 1)->text(), "JPN");
  EXPECT_EQ(list->item(1, 0)->text(), "name_ja");
  EXPECT_EQ(list->item(1, 1)->text(), QString::fromUtf8("日本"));
  EXPECT_EQ(list->item(3, 1)->text(), "Japan");
  EXPECT_EQ(Properties()->CurrentLayerIndex(), 0);
  EXPECT_EQ(SelectedRow(), kJapanRecord);

  // On the open sea nothing is identified: the dialog keeps what it showed.
  View()->SetCenter(-150, -30);
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(window->width() / 2, window->height() / 2));
  ProcessPostedMessages();
  EXPECT_EQ(list->item(0, 1)->text(), "JPN");
  EXPECT_EQ(m_frame->InfoDialog(), info) << "one dialog for the run";
}

TEST_F(FrameWithLayers, PropertiesFollowTheSelectionUnlessTheMapIsActive)
{
  m_frame->Action(ID_SHOW_MAP)->trigger();
  Select(1);
  EXPECT_EQ(Properties()->CurrentLayerIndex(), -1) << "the map window is active";
  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(Properties()->CurrentLayerIndex(), 1) << "activation shows the selected layer";
  Select(2);
  EXPECT_EQ(Properties()->CurrentLayerIndex(), 2);
  EXPECT_EQ(Properties()->windowTitle(), "world_cities.shp");

  // Moving the shown layer shows it at its new place; deleting it empties the table.
  m_frame->Action(ID_MOVE_UP)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(View()->GetSelectLayer(), 1);
  EXPECT_EQ(Properties()->CurrentLayerIndex(), 1) << "a double click then names the layer's new place";
  m_frame->Action(ID_DEL_LAYER)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(Properties()->CurrentLayerIndex(), -1);
  EXPECT_EQ(Properties()->Model()->columnCount(), 0);
  EXPECT_EQ(Properties()->windowTitle(), "world_cities.shp") << "the title stays";
}

TEST_F(FrameWithLayers, DoubleClickedRowCentresTheMapOnTheRecord)
{
  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  Select(0);
  View()->SetScale(20000000);
  const double scale = View()->GetScale();
  QTableView* table = Properties()->Table();
  table->scrollTo(Properties()->Model()->index(kJapanRecord, 0));
  const QPoint at = table->visualRect(Properties()->Model()->index(kJapanRecord, 1)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  ProcessPostedMessages();
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  View()->GetLayerByIndex(0)->GetShapeRect(kJapanRecord, &minX, &minY, &maxX, &maxY);
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_DOUBLE_EQ(x, (minX + maxX) * 0.5);
  EXPECT_DOUBLE_EQ(y, (minY + maxY) * 0.5);
  EXPECT_EQ(View()->GetScale(), scale) << "the scale is kept";
}

TEST_F(FrameWithLayers, GotoCentresOnTheTypedPlace)
{
  AnswerModal<CGotoDialog>([](CGotoDialog* dialog) {
    dialog->findChild<QLineEdit*>("1019")->setText("-58.4 Buenos Aires");
    dialog->findChild<QLineEdit*>("1020")->setText("-34.6");
    dialog->accept();
  });
  m_frame->Action(ID_GOTO)->trigger();
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_DOUBLE_EQ(x, -58.4);
  EXPECT_DOUBLE_EQ(y, -34.6);
}

TEST_F(FrameWithLayers, LayerInfoShowsTheSelectedLayer)
{
  QString file, type;
  AnswerModal<CLayerInfoDialog>([&file, &type](CLayerInfoDialog* dialog) {
    file = dialog->Field(1001)->text();
    type = dialog->Field(1002)->text();
    dialog->accept();
  });
  Select(2);
  m_frame->Action(ID_LAYER_INFO)->trigger();
  EXPECT_EQ(file, "world_cities.shp");
  EXPECT_EQ(type, "POINT");
}

// The style is written back whichever button closed the dialog: a fill colour chosen and then
// cancelled still paints the map.
TEST_F(FrameWithLayers, LayerStyleCancelledStillAppliesTheChosenColour)
{
  Select(0);
  View()->SetScale(20000000);
  View()->SetCenter(138.5, 36.5);                  // inside Japan
  View()->GetLayerByIndex(0)->SetLabelVisible(0);  // Japan's label sits about there
  const COLORREF chosen = RGB(10, 120, 230);       // a constant: the lambdas read it uncaptured
  AnswerModal<CStyleDialog>([](CStyleDialog* dialog) {
    AnswerModal<QColorDialog>([](QColorDialog* chooser) {
      chooser->setCurrentColor(QColor(GetRValue(chosen), GetGValue(chosen), GetBValue(chosen)));
      chooser->accept();
    });
    dialog->findChild<QPushButton*>("1019")->click();  // the fill colour
    dialog->reject();
  });
  m_frame->Action(ID_LAYER_STYLE)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetBkColor(), chosen);
  EXPECT_EQ(MapPixelAtCentre(), chosen);
}

// Pictures of the properties window and the dialogs in Japanese, for a person to look at:
// Japan identified, its row selected in the table, its values (日本) in the Info dialog.
TEST(FrameScreenshots, PropertiesAndDialogsInJapanese)
{
  AppEnvironment environment;
  ASSERT_TRUE(CResourceTable::SelectLanguage(kJapanese));
  RegisterProgramBitmaps();
  const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
  const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                              : QString::fromLocal8Bit(configured);
  ASSERT_TRUE(QDir().mkpath(folder));
  auto save = [&folder](QWidget* widget, const char* file) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(file));
    EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
  };
  {
    CMainFrame frame;
    frame.resize(1200, 800);
    frame.show();
    ProcessPostedMessages();
    ASSERT_EQ(frame.AddLayerFiles(AllSamples()), 3);
    PostMessage(&frame, WM_LAYER_SELECT, 0, 1);
    ProcessPostedMessages();
    PostMessage(&frame, WM_FEATURE_INFO, 0, kJapanRecord);
    ProcessPostedMessages();
    ASSERT_NE(frame.InfoDialog(), nullptr);
    EXPECT_EQ(frame.InfoDialog()->List()->item(1, 1)->text(), QString::fromUtf8("日本"));
    frame.Action(ID_SHOW_PROPERTIES)->trigger();
    ProcessPostedMessages();
    save(&frame, "properties_window_ja.png");
    save(frame.InfoDialog(), "info_dialog_ja.png");
    CLayerInfoDialog layerInfo(frame.View()->GetLayerByIndex(0));
    layerInfo.show();
    save(&layerInfo, "layer_info_dialog_ja.png");
    CGotoDialog go;
    go.show();
    save(&go, "goto_dialog_ja.png");
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}
