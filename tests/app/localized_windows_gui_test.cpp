// The windows a user of each interface language sees, Qt's own dialogs included: the About box
// holds its whole text and says the same in every language, and pictures of the file dialog,
// the style dialog with the colour chooser, the layer bar with thirty layers, the properties
// table and the About box are written for a person to look at
// (build/screenshots/localized/WINDOW_LANGUAGE.png).
// SPDX-License-Identifier: MIT
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeView>

#include <gtest/gtest.h>

#include "data_wnd.h"
#include "main_frame.h"
#include "mapory_app.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "style_dialog.h"
#include "app/app_test_support.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::AnswerModal;
using zamra_test::AppEnvironment;

namespace {

struct ShownLanguage {
  int value;
  const char* name;
};
constexpr ShownLanguage kLanguages[] = {{kEnglish, "en"}, {kJapanese, "ja"}, {kChinese, "zh"}};

QString PictureFolder()
{
  const QString folder = QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots/localized");
  QDir().mkpath(folder);
  return folder;
}

bool SavePicture(const QImage& picture, const char* window, const ShownLanguage& language)
{
  return !picture.isNull() &&
         picture.save(PictureFolder() +
                      QStringLiteral("/%1_%2.png").arg(QLatin1String(window), QLatin1String(language.name)));
}

// Two pictures side by side on white.
QImage SideBySide(const QImage& left, const QImage& right)
{
  QImage both(left.width() + right.width() + 10, std::max(left.height(), right.height()), QImage::Format_RGB32);
  both.fill(Qt::white);
  QPainter painter(&both);
  painter.drawImage(0, 0, left);
  painter.drawImage(left.width() + 10, 0, right);
  return both;
}

// The About box's labels, and whether each shows its whole text inside the dialog.
struct AboutBox {
  QStringList lines;
  QStringList cut;
  QImage picture;
};

AboutBox ShowAbout(CMaporyApp& app)
{
  AboutBox about;
  AnswerModal<QDialog>([&about](QDialog* dialog) {
    const QRect inside = dialog->rect();
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->text().isEmpty())
        continue;  // the icon
      about.lines << label->text().trimmed();
      const QRect shown(label->mapTo(dialog, QPoint(0, 0)), label->size());
      if (label->width() < label->sizeHint().width() || !inside.contains(shown))
        about.cut << label->text();
    }
    about.picture = dialog->grab().toImage();
    // Nothing is drawn in the dialog's right margin.
    const int margin = dialog->layout()->contentsMargins().right();
    const QImage picture = about.picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
      for (int x = picture.width() - margin + 1; x < picture.width(); ++x)
        if (qGray(picture.pixel(x, y)) < 128)
          about.cut << QStringLiteral("ink in the right margin at %1, %2").arg(x).arg(y);
    dialog->accept();
  });
  app.MainFrame()->Action(ID_APP_ABOUT)->trigger();
  return about;
}

}  // namespace

TEST(LocalizedWindows, TheAboutBoxHoldsItsTextAndSaysTheSameInEveryLanguage)
{
  AppEnvironment environment;
  std::vector<int> lineCounts;
  for (const ShownLanguage& language : kLanguages) {
    SCOPED_TRACE(language.name);
    AppEnvironment::SetLanguage(language.value);
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    const AboutBox about = ShowAbout(app);
    EXPECT_TRUE(about.cut.isEmpty()) << about.cut.join(u'\n').toStdString();
    lineCounts.push_back(int(about.lines.size()));
    // The map is moved by dragging it, in every language.
    const QString drag = language.value == kEnglish ? QStringLiteral("LeftMouse Drag:Move map")
                         : language.value == kJapanese ? QStringLiteral("左ボタンを押したまま動かす:地図を移動")
                                                       : QStringLiteral("按住左键拖动:移动地图");
    EXPECT_TRUE(about.lines.contains(drag)) << about.lines.join(u'\n').toStdString();
    EXPECT_TRUE(SavePicture(about.picture, "about", language));
  }
  EXPECT_EQ(lineCounts[0], lineCounts[1]);
  EXPECT_EQ(lineCounts[0], lineCounts[2]);
}

// Pictures only: what each of these windows shows is tested with the window itself.
TEST(LocalizedWindows, PicturesOfTheWindowsInEachLanguage)
{
  AppEnvironment environment;
  zamra_test::TempDir data;
  QStringList layers;
  for (int i = 0; i < 30; ++i) {
    const std::string base = data.File("layer_" + std::to_string(100 + i).substr(1));
    const int type = i % 3 == 0 ? SHPT_POINT : i % 3 == 1 ? SHPT_ARC : SHPT_POLYGON;
    zamra_test::TestShape shape{{{{double(i), 0.0}}}};
    if (type == SHPT_ARC)
      shape = zamra_test::TestShape{{{{double(i), 0.0}, {i + 0.5, 1.0}}}};
    else if (type == SHPT_POLYGON)
      shape = zamra_test::TestShape{{zamra_test::Square(i, 0, 1)}};
    ASSERT_TRUE(zamra_test::WriteShapefile(base, type, {shape}));
    layers << QString::fromStdString(base + ".shp");
  }
  for (const ShownLanguage& language : kLanguages) {
    SCOPED_TRACE(language.name);
    AppEnvironment::SetLanguage(language.value);
    CMaporyApp app;
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();

    QImage fileDialog;
    AnswerModal<QFileDialog>([&fileDialog](QFileDialog* dialog) {
      dialog->setDirectory(QStringLiteral(ZAMRA_SAMPLES_DIR));
      // The folder is listed by a thread of the dialog: let the names arrive.
      auto* names = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
      QElapsedTimer clock;
      clock.start();
      while (names != nullptr && names->model()->rowCount(names->rootIndex()) < 3 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      fileDialog = dialog->grab().toImage();
      dialog->reject();
    });
    frame->Action(ID_ADD_LAYER)->trigger();
    EXPECT_TRUE(SavePicture(fileDialog, "file_dialog", language));

    CStyleDialog style(CStyleDialog::kPolygonStyle, frame);
    LayerStyle shown;
    shown.faceName = QStringLiteral("WenQuanYi Zen Hei");  // a face with the glyphs of all three
    shown.lineWidth = 2;
    style.SetStyle(shown);
    style.show();
    QImage chooser;
    AnswerModal<QColorDialog>([&chooser](QColorDialog* dialog) {
      chooser = dialog->grab().toImage();
      dialog->reject();
    });
    style.findChild<QPushButton*>(QStringLiteral("1019"))->click();
    EXPECT_TRUE(SavePicture(SideBySide(style.grab().toImage(), chooser), "style_colour", language));
    style.hide();

    ASSERT_EQ(frame->AddLayerFiles(zamra_test::AllSamples() + layers), 33);
    zamra_test::ProcessPostedMessages();
    EXPECT_TRUE(SavePicture(frame->grab().toImage(), "layer_bar", language));
    if (auto* scroller = frame->LayerDock()->findChild<QScrollArea*>()) {
      scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum());
      zamra_test::ProcessPostedMessages();
      EXPECT_TRUE(SavePicture(frame->LayerDock()->grab().toImage(), "layer_bar_end", language));
    }

    frame->View()->SetSelectLayer(0);
    frame->Action(ID_SHOW_PROPERTIES)->trigger();
    frame->DataWnd()->ShowLayer(0, -1);
    zamra_test::ProcessPostedMessages();
    EXPECT_TRUE(SavePicture(frame->grab().toImage(), "properties", language));
  }
}
