// The layer style dialogs with real widgets: what the lists select, what the user's choices
// change, the previews' pixels, the style's round trip through a layer, and screenshots.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>
#include <memory>

#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "style_dialog.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"

using mapory::CResourceTable;
using mapory::CStyleDialog;
using mapory::LayerStyle;

namespace {

class StyleDialog : public ::testing::Test {
protected:
  void SetUp() override
  {
    mapory::RegisterProgramBitmaps();
    ASSERT_TRUE(CResourceTable::SelectLanguage(mapory::kEnglish));
  }

  static QComboBox* Combo(CStyleDialog& dialog, const char* id) { return dialog.findChild<QComboBox*>(id); }
  static QPushButton* Button(CStyleDialog& dialog, const char* id) { return dialog.findChild<QPushButton*>(id); }

  // Answers the next modal dialog once it is up: `answer` gets it while it runs.
  static void AnswerModal(std::function<void(QWidget*)> answer)
  {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr)
        return;
      timer->stop();
      const std::function<void(QWidget*)> run = answer;  // the timer, and this closure, go
      timer->deleteLater();
      run(modal);
    });
    timer->start(10);
  }

  // Clicks a colour button and answers the colour chooser with `colour`, or cancels it when
  // `colour` is invalid. Gives the colour the chooser started from.
  static QColor ChooseColour(QPushButton* button, const QColor& colour)
  {
    QColor start;
    AnswerModal([&start, colour](QWidget* modal) {
      auto* chooser = qobject_cast<QColorDialog*>(modal);
      ASSERT_NE(chooser, nullptr);
      start = chooser->currentColor();
      if (colour.isValid()) {
        chooser->setCurrentColor(colour);
        chooser->accept();
      } else {
        chooser->reject();
      }
    });
    button->click();
    return start;
  }

  static QImage Shown(CStyleDialog& dialog)
  {
    dialog.show();
    return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

TEST_F(StyleDialog, FontSizeIsSelectedByPrefixFromTheSecondEntryWrappingToTheFirst)
{
  CStyleDialog dialog(CStyleDialog::kPolygonStyle);
  QComboBox* sizes = Combo(dialog, "1015");
  ASSERT_NE(sizes, nullptr);
  LayerStyle style;
  style.fontSize = 9;
  dialog.SetStyle(style);
  EXPECT_EQ(sizes->currentIndex(), -1);
  style.fontSize = 1;
  dialog.SetStyle(style);
  EXPECT_EQ(sizes->currentText(), "10");
  EXPECT_EQ(dialog.Style().fontSize, 1) << "showing a selection is not choosing it";
  style.fontSize = 8;
  dialog.SetStyle(style);
  EXPECT_EQ(sizes->currentIndex(), 0);

  QTest::keyClick(sizes, Qt::Key_Down);
  EXPECT_EQ(dialog.Style().fontSize, 10);
}

TEST_F(StyleDialog, AFaceThatAlsoBeginsALaterEntryFindsTheLaterOne)
{
  const QStringList families = {"Noto Sans", "Noto Serif", "Noto Sans Mono", "noto sans cjk"};
  EXPECT_EQ(CStyleDialog::FindByPrefix(families, "Noto Sans"), 2);
  EXPECT_EQ(CStyleDialog::FindByPrefix(families, "NOTO SANS C"), 3);
  EXPECT_EQ(CStyleDialog::FindByPrefix(families, "Noto Serif"), 1);
  EXPECT_EQ(CStyleDialog::FindByPrefix({"Only"}, "only"), 0);
  EXPECT_EQ(CStyleDialog::FindByPrefix(families, "Tahoma"), -1);
  EXPECT_EQ(CStyleDialog::FindByPrefix({}, "Tahoma"), -1);

  // The installed families, in the font database's order, searched the same way.
  CStyleDialog dialog(CStyleDialog::kPointStyle);
  QComboBox* faces = Combo(dialog, "1014");
  QStringList listed;
  for (int i = 0; i < faces->count(); ++i)
    listed << faces->itemText(i);
  ASSERT_EQ(listed, QFontDatabase::families());
  ASSERT_FALSE(listed.isEmpty());
  LayerStyle style;
  style.faceName = listed.first();
  dialog.SetStyle(style);
  EXPECT_EQ(faces->currentIndex(), CStyleDialog::FindByPrefix(listed, listed.first()));
}

TEST_F(StyleDialog, LineStyleIsSelectedByValueAndPickedAsValue)
{
  CStyleDialog dialog(CStyleDialog::kPolylineStyle);
  QComboBox* styles = Combo(dialog, "1019");
  ASSERT_NE(styles, nullptr);
  EXPECT_EQ(styles->count(), 4);
  LayerStyle style;
  style.lineStyle = 3;
  dialog.SetStyle(style);
  EXPECT_EQ(styles->currentText(), "PS_DASHDOT");
  style.lineStyle = 1;  // dashed: not offered
  dialog.SetStyle(style);
  EXPECT_EQ(styles->currentIndex(), -1);

  style.lineStyle = 0;
  dialog.SetStyle(style);
  QTest::keyClick(styles, Qt::Key_Down);
  EXPECT_EQ(styles->currentText(), "PS_DOT");
  EXPECT_EQ(dialog.Style().lineStyle, 2);

  QComboBox* widths = Combo(dialog, "1017");
  QTest::keyClick(widths, Qt::Key_End);
  EXPECT_EQ(dialog.Style().lineWidth, 5);
}

TEST_F(StyleDialog, SymbolPicksFollowTheGridAndStopAtItsEdges)
{
  CStyleDialog dialog(CStyleDialog::kPointStyle);
  LayerStyle style;
  style.pointSymbol = 5;
  dialog.SetStyle(style);
  dialog.show();
  auto pickAt = [&dialog](int x, int y) {
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(x, y));
    return dialog.Style().pointSymbol;
  };
  EXPECT_EQ(pickAt(175 + 11 * 14 + 13, 30 + 13), 11);  // the last cell of the first row
  EXPECT_EQ(pickAt(175 + 3 * 14, 30 + 14), 15);        // the last symbol
  EXPECT_EQ(pickAt(175 + 4 * 14, 30 + 14), 15);        // k = 16: nothing there
  EXPECT_EQ(pickAt(175 + 12 * 14 + 2, 35), 15);        // right of the first row's last symbol
  EXPECT_EQ(pickAt(174, 35), 15);                      // left of the area
  EXPECT_EQ(pickAt(175, 30), 0);
  QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(175 + 14, 30));
  EXPECT_EQ(dialog.Style().pointSymbol, 0);
}

TEST_F(StyleDialog, AChosenColourShowsAsHexAndCancelKeepsTheOldOne)
{
  CStyleDialog dialog(CStyleDialog::kPolygonStyle);
  QPushButton* fill = Button(dialog, "1019");
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->text(), "14C8C8");  // RGB(20, 200, 200)

  EXPECT_EQ(ChooseColour(fill, QColor(10, 20, 255)), QColor(Qt::black));
  EXPECT_EQ(fill->text(), "0A14FF");
  EXPECT_EQ(dialog.Style().fillColor, RGB(10, 20, 255));

  EXPECT_EQ(ChooseColour(fill, QColor()), QColor(Qt::black));
  EXPECT_EQ(fill->text(), "0A14FF");
  EXPECT_EQ(dialog.Style().fillColor, RGB(10, 20, 255));
}

TEST_F(StyleDialog, ValuesChangedBeforeCancelStayInTheDialog)
{
  CStyleDialog dialog(CStyleDialog::kPointStyle);
  QPushButton* fontColour = Button(dialog, "1020");
  EXPECT_EQ(fontColour->text(), "") << "Point Style names no font colour until one is chosen";
  AnswerModal([&](QWidget*) {
    ChooseColour(fontColour, QColor(1, 2, 3));
    Button(dialog, "2")->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(fontColour->text(), "010203");
  EXPECT_EQ(dialog.Style().fontColor, RGB(1, 2, 3));
}

TEST_F(StyleDialog, ShapePreviewsAreDrawnInTheStyle)
{
  LayerStyle style;
  style.fillColor = RGB(200, 30, 40);
  style.lineColor = RGB(0, 0, 255);
  style.lineWidth = 3;
  CStyleDialog polygon(CStyleDialog::kPolygonStyle);
  polygon.SetStyle(style);
  QImage image = Shown(polygon);
  EXPECT_EQ(image.pixelColor(250, 100), QColor(200, 30, 40));
  EXPECT_EQ(image.pixelColor(260, 58), QColor(0, 0, 255)) << "on the first edge";
  EXPECT_EQ(image.pixelColor(340, 140), QColor(Qt::white)) << "outside the polygon";
  EXPECT_EQ(image.pixelColor(206, 186), QColor(Qt::white)) << "the sample's corner";

  CStyleDialog polyline(CStyleDialog::kPolylineStyle);
  polyline.SetStyle(style);
  image = Shown(polyline);
  EXPECT_EQ(image.pixelColor(250, 100), QColor(Qt::white)) << "not filled";
  EXPECT_EQ(image.pixelColor(260, 58), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(190, 88), QColor(Qt::white)) << "the closing edge is not drawn";
}

TEST_F(StyleDialog, SymbolGridAndPreviewShowTheStripWithRedTransparent)
{
  const QImage strip = mapory::ProgramBitmap(mapory::IDB_POINT_SYMBOLS).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(strip.pixelColor(0, 0), QColor(255, 0, 0));
  CStyleDialog dialog(CStyleDialog::kPointStyle);
  LayerStyle style;
  style.pointSymbol = 13;
  dialog.SetStyle(style);
  QImage image = Shown(dialog);
  // Symbol 13 sits in the second row, second column; its centre as in the strip.
  EXPECT_EQ(image.pixelColor(175 + 14 + 6, 30 + 14 + 6), strip.pixelColor(13 * 12 + 6, 6));
  EXPECT_EQ(image.pixelColor(175 + 14, 30 + 14), QColor(Qt::white)) << "red is transparent";
  EXPECT_EQ(image.pixelColor(175 + 5 * 14 + 6, 30 + 14 + 6), QColor(Qt::white)) << "beyond the last symbol";
  EXPECT_EQ(image.pixelColor(87 + 6, 90 + 6), strip.pixelColor(13 * 12 + 6, 6)) << "the preview";

  const QColor background = image.pixelColor(60, 60);
  style.pointSymbol = 0;
  dialog.SetStyle(style);
  image = Shown(dialog);
  EXPECT_EQ(image.pixelColor(87 + 6, 90 + 6), background) << "symbol 0 has no preview";
  style.pointSymbol = 99;  // beyond the strip, as a workspace file may say
  dialog.SetStyle(style);
  image = Shown(dialog);
  EXPECT_EQ(image.pixelColor(87 + 6, 90 + 6), background);
}

TEST_F(StyleDialog, SampleIsDrawnCentredInTheFontColour)
{
  CStyleDialog dialog(CStyleDialog::kPolylineStyle);
  LayerStyle style;
  style.fontColor = RGB(255, 0, 255);
  style.fontSize = 30;
  style.faceName = QFontDatabase::families().value(0);
  dialog.SetStyle(style);
  const QImage image = Shown(dialog);
  QRect ink;  // every pixel of the sample area that is not white
  bool fontColourSeen = false;
  for (int y = 185; y < 285; ++y)
    for (int x = 205; x < 350; ++x)
      if (image.pixelColor(x, y) != QColor(Qt::white)) {
        ink |= QRect(x, y, 1, 1);
        fontColourSeen = fontColourSeen || image.pixelColor(x, y) == QColor(255, 0, 255);
      }
  EXPECT_TRUE(fontColourSeen);
  EXPECT_NEAR(ink.left() - 205, 349 - ink.right(), 3) << "centred across";
  EXPECT_NEAR(ink.top() - 185, 284 - ink.bottom(), 12) << "centred down (the cell holds the descent)";
  EXPECT_GT(ink.height(), 14) << "a 30-pixel cell";
  EXPECT_LE(ink.height(), 30);
}

// A workspace file can carry any font size: the sample still paints, and only in its place.
TEST_F(StyleDialog, OutlandishFontSizesStillPaint)
{
  CStyleDialog dialog(CStyleDialog::kPolygonStyle);
  for (int size : {100000, -100000, 0, std::numeric_limits<int>::min()}) {
    LayerStyle style;
    style.fontSize = size;
    style.fillColor = RGB(200, 30, 40);
    dialog.SetStyle(style);
    const QImage image = Shown(dialog);
    EXPECT_EQ(image.pixelColor(250, 100), QColor(200, 30, 40)) << size;
    EXPECT_NE(image.pixelColor(204, 184), QColor(Qt::white)) << "nothing spills out of the sample: " << size;
  }
}

TEST_F(StyleDialog, FaceNamesFitTheLayerFieldWithoutSplittingACharacter)
{
  qputenv("ZAMRA_CODEPAGE", "UTF-8");
  // Eleven three-byte characters: ten fit in 31 bytes.
  const std::string cut = CStyleDialog::LayerFaceName(QString(11, QChar(0x6587)));
  EXPECT_EQ(QString::fromStdString(cut), QString(10, QChar(0x6587)));
  qunsetenv("ZAMRA_CODEPAGE");
  CStyleDialog dialog(CStyleDialog::kPolygonStyle);
  LayerStyle style;
  style.faceName = QString(40, 'b');
  dialog.SetStyle(style);
  EXPECT_EQ(dialog.Style().faceName, QString(31, 'b'));
}

TEST_F(StyleDialog, StyleRoundTripsThroughALayer)
{
  zamra_test::TempDir dir;
  QWidget host;
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  ASSERT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, &host, mapory::ID_VIEW_WINDOW), 1);
  ASSERT_TRUE(zamra_test::WriteShapefile(dir.File("points"), SHPT_POINT, {zamra_test::TestShape{{{{1, 2}}}}},
                                         {{"NAME", FTString, 10, 0}}, {{"a"}}));
  ILayer* layer = view->AddLayer(dir.File("points.shp").c_str());
  ASSERT_NE(layer, nullptr);
  CStyleDialog::Kind kind{};
  ASSERT_TRUE(CStyleDialog::KindForLayerType(layer->GetType(), &kind));
  EXPECT_EQ(kind, CStyleDialog::kPointStyle);
  EXPECT_FALSE(CStyleDialog::KindForLayerType(8, &kind));

  LayerStyle style{4, RGB(1, 2, 3), RGB(4, 5, 6), 2, 7, QString(35, 'x'), RGB(7, 8, 9), 18};
  mapory::WriteLayerStyle(*layer, style);
  style.faceName.truncate(31);
  EXPECT_TRUE(mapory::ReadLayerStyle(*layer) == style);
}

// A new layer's label face is one the machine has, so the dialog's font box shows it.
TEST_F(StyleDialog, ANewLayersFaceShowsInTheFontBox)
{
  zamra_test::TempDir dir;
  QWidget host;
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  ASSERT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, &host, mapory::ID_VIEW_WINDOW), 1);
  ASSERT_TRUE(zamra_test::WriteShapefile(dir.File("points"), SHPT_POINT, {zamra_test::TestShape{{{{1, 2}}}}},
                                         {{"NAME", FTString, 10, 0}}, {{"a"}}));
  ILayer* layer = view->AddLayer(dir.File("points.shp").c_str());
  ASSERT_NE(layer, nullptr);
  CStyleDialog dialog(CStyleDialog::kPointStyle);
  dialog.SetStyle(mapory::ReadLayerStyle(*layer));
  QComboBox* faces = Combo(dialog, "1014");
  ASSERT_GE(faces->currentIndex(), 0) << "the font box is not empty";
  EXPECT_EQ(faces->currentText(), mapory::ReadLayerStyle(*layer).faceName);
}

// Pictures of the three dialogs in Japanese for a person to look at.
TEST_F(StyleDialog, JapaneseScreenshots)
{
  ASSERT_TRUE(CResourceTable::SelectLanguage(mapory::kJapanese));
  const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
  // By default beside the build's bin folder, wherever the test runs from.
  const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                              : QString::fromLocal8Bit(configured);
  ASSERT_TRUE(QDir().mkpath(folder));
  const struct {
    CStyleDialog::Kind kind;
    const char* file;
    const char* title;
  } dialogs[] = {{CStyleDialog::kPolygonStyle, "style_dialog_polygon_ja.png", "ポリゴンのスタイル"},
                 {CStyleDialog::kPolylineStyle, "style_dialog_polyline_ja.png", "ラインのスタイル"},
                 {CStyleDialog::kPointStyle, "style_dialog_point_ja.png", "ポイントのスタイル"}};
  for (const auto& entry : dialogs) {
    CStyleDialog dialog(entry.kind);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(entry.title));
    LayerStyle style;
    style.pointSymbol = 6;
    style.fontColor = RGB(0, 0, 160);
    style.lineStyle = 3;
    style.lineWidth = 2;
    style.faceName = QFontDatabase::families().value(0);
    dialog.SetStyle(style);
    const QString path = QDir(folder).filePath(QString::fromLatin1(entry.file));
    EXPECT_TRUE(Shown(dialog).save(path)) << path.toStdString();
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(mapory::kEnglish));
}

}  // namespace
