// map_window: a Qt window that embeds the Zamra map view, shows shapefiles in it and saves a
// picture of the window, built as another project would build it, against the installed
// ZamraView only.
//
//   map_window OUT.png FILE.shp...
// Runs on any Qt platform; without a display, set QT_QPA_PLATFORM=offscreen.
// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "view/izamra_view.h"

namespace {

constexpr unsigned long kChildVisibleStyle = 0x40000000UL | 0x10000000UL;  // child + visible
constexpr unsigned kViewWindowId = 100;
constexpr int kSymbolSide = 16;

// A widget whose whole client area is the map view's window.
class MapHost final : public QWidget {
public:
  MapHost() : m_view(IZamraView::GetInstance())
  {
    // The view makes its own child window inside this widget (an HWND is a QWidget here).
    if (m_view)
      m_view->Create(nullptr, kChildVisibleStyle, 0, 0, 0, 640, 400, this, kViewWindowId);
  }
  IZamraView* View() const { return m_view.get(); }

protected:
  void resizeEvent(QResizeEvent* event) override
  {
    if (m_view)
      m_view->MoveWindow(0, 0, event->size().width(), event->size().height(), 1);
  }

private:
  std::unique_ptr<IZamraView> m_view;  // owns its window, layers and pictures
};

// The strip of point symbols the view draws point layers with: here one tile, a blue disc on
// pure red, the colour the view leaves transparent. The view owns the context it is given.
HDC MakeSymbolStrip()
{
  QImage tile(kSymbolSide, kSymbolSide, QImage::Format_RGB888);
  tile.fill(QColor(255, 0, 0));
  QPainter painter(&tile);
  painter.setPen(QPen(Qt::white, 1));
  painter.setBrush(QColor(0, 90, 200));
  painter.drawEllipse(QRectF(3, 3, kSymbolSide - 6, kSymbolSide - 6));
  painter.end();
  HDC strip = ZMBitmap::CreateMemDc(kSymbolSide, kSymbolSide);
  HBITMAP picture = CreateBitmapFromImage(tile);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(source, picture);
  BitBlt(strip, 0, 0, kSymbolSide, kSymbolSide, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteObject(picture);
  DeleteDC(source);
  return strip;
}

// Centres the map on all layers' boxes.
void CentreOnLayers(IZamraView* view)
{
  double left = 0, bottom = 0, right = 0, top = 0;
  for (int i = 0; i < view->GetLayerCount(); ++i) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    view->GetLayerByIndex(i)->GetRect(&x0, &y0, &x1, &y1);
    left = i == 0 ? x0 : std::min(left, x0);
    bottom = i == 0 ? y0 : std::min(bottom, y0);
    right = i == 0 ? x1 : std::max(right, x1);
    top = i == 0 ? y1 : std::max(top, y1);
  }
  view->SetCenter((left + right) / 2, (bottom + top) / 2);
}

}  // namespace

int main(int argc, char** argv)
{
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_window OUT.png FILE.shp...\n");
    return 2;
  }
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Zamra map view"));
  auto* host = new MapHost;  // the window owns it
  window.setCentralWidget(host);
  IZamraView* view = host->View();
  if (view == nullptr) {
    std::fprintf(stderr, "map_window: cannot create the map view\n");
    return 1;
  }
  view->SetPoiDC(MakeSymbolStrip(), 1, kSymbolSide, kSymbolSide);
  for (int i = 2; i < argc; ++i) {
    // Layers belong to the view.
    ILayer* layer = view->AddLayer(argv[i]);
    if (layer == nullptr)
      std::fprintf(stderr, "map_window: %s: cannot load\n", argv[i]);
    else if (layer->GetType() == 1)
      layer->SetPointIndex(0);  // points take the strip's only symbol
  }
  if (view->GetLayerCount() == 0)
    return 1;
  window.resize(640, 400);
  window.show();
  QApplication::processEvents();  // the view's window takes its size
  CentreOnLayers(view);
  view->SetScale(200000000);  // the whole world in 640 pixels
  view->Refresh();
  QApplication::processEvents();
  const QImage picture = window.grab().toImage();
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "map_window: %s: cannot save the picture\n", argv[1]);
    return 1;
  }
  std::printf("%s: %d x %d, %d layers, scale 1:%.0f\n", argv[1], picture.width(), picture.height(),
              view->GetLayerCount(), view->GetScale());
  return 0;
}
