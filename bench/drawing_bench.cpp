// The hot path of map rendering: 100,000 filled rings of 50 vertices and 100,000 polylines of
// 20 vertices into a 1920 x 1080 picture, through the drawing layer and, as the peer, through
// plain QPainter on a QImage of the same size.
// SPDX-License-Identifier: MIT
#include <cmath>
#include <random>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPoint>

#include <benchmark/benchmark.h>

#include "platform/gdi.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRings = 100000;
constexpr int kRingVertices = 50;
constexpr int kLines = 100000;
constexpr int kLineVertices = 20;

// Small irregular rings and wandering lines spread over the picture, as a map at full
// extent shows them. The same seed for both contenders.
struct Shapes {
  std::vector<POINT> rings;
  std::vector<POINT> lines;
};

const Shapes& TestShapes()
{
  static const Shapes shapes = [] {
    Shapes made;
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    made.rings.reserve(static_cast<std::size_t>(kRings) * kRingVertices);
    for (int r = 0; r < kRings; ++r) {
      const double cx = unit(random) * kWidth, cy = unit(random) * kHeight;
      const double radius = 2 + unit(random) * 20;
      for (int v = 0; v < kRingVertices; ++v) {
        const double angle = v * 2 * M_PI / kRingVertices;
        const double wobble = radius * (0.7 + 0.3 * unit(random));
        made.rings.push_back(
            POINT{static_cast<LONG>(cx + wobble * std::cos(angle)), static_cast<LONG>(cy + wobble * std::sin(angle))});
      }
    }
    made.lines.reserve(static_cast<std::size_t>(kLines) * kLineVertices);
    for (int l = 0; l < kLines; ++l) {
      double x = unit(random) * kWidth, y = unit(random) * kHeight;
      for (int v = 0; v < kLineVertices; ++v) {
        made.lines.push_back(POINT{static_cast<LONG>(x), static_cast<LONG>(y)});
        x += (unit(random) - 0.5) * 12;
        y += (unit(random) - 0.5) * 12;
      }
    }
    return made;
  }();
  return shapes;
}

HDC NewPicture()
{
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
  SelectObject(dc, bitmap);
  DeleteObject(bitmap);
  return dc;
}

void BM_DrawingLayerPolygons(benchmark::State& state)
{
  const Shapes& shapes = TestShapes();
  HDC dc = NewPicture();
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(60, 60, 60));
  HBRUSH brush = CreateSolidBrush(RGB(200, 200, 255));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  for (auto _ : state) {
    for (int r = 0; r < kRings; ++r)
      Polygon(dc, &shapes.rings[static_cast<std::size_t>(r) * kRingVertices], kRingVertices);
    benchmark::DoNotOptimize(GetPixel(dc, 0, 0));
  }
  state.counters["polygons/s"] = benchmark::Counter(static_cast<double>(kRings),
                                                    benchmark::Counter::kIsIterationInvariantRate);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteDC(dc);
}
BENCHMARK(BM_DrawingLayerPolygons)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QPainterPolygons(benchmark::State& state)
{
  const Shapes& shapes = TestShapes();
  QImage image(kWidth, kHeight, QImage::Format_BGR888);
  std::vector<QPoint> points(kRingVertices);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setPen(QPen(QColor(60, 60, 60), 0));
    painter.setBrush(QColor(200, 200, 255));
    for (int r = 0; r < kRings; ++r) {
      const POINT* ring = &shapes.rings[static_cast<std::size_t>(r) * kRingVertices];
      for (int v = 0; v < kRingVertices; ++v)
        points[static_cast<std::size_t>(v)] = QPoint(ring[v].x, ring[v].y);
      painter.drawPolygon(points.data(), kRingVertices, Qt::OddEvenFill);
    }
    painter.end();
    benchmark::DoNotOptimize(image.constBits()[0]);
  }
  state.counters["polygons/s"] = benchmark::Counter(static_cast<double>(kRings),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_QPainterPolygons)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawingLayerPolylines(benchmark::State& state)
{
  const Shapes& shapes = TestShapes();
  HDC dc = NewPicture();
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 200));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  for (auto _ : state) {
    for (int l = 0; l < kLines; ++l)
      Polyline(dc, &shapes.lines[static_cast<std::size_t>(l) * kLineVertices], kLineVertices);
    benchmark::DoNotOptimize(GetPixel(dc, 0, 0));
  }
  state.counters["polylines/s"] = benchmark::Counter(static_cast<double>(kLines),
                                                     benchmark::Counter::kIsIterationInvariantRate);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  DeleteDC(dc);
}
BENCHMARK(BM_DrawingLayerPolylines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QPainterPolylines(benchmark::State& state)
{
  const Shapes& shapes = TestShapes();
  QImage image(kWidth, kHeight, QImage::Format_BGR888);
  std::vector<QPoint> points(kLineVertices);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setPen(QPen(QColor(0, 0, 200), 0));
    for (int l = 0; l < kLines; ++l) {
      const POINT* line = &shapes.lines[static_cast<std::size_t>(l) * kLineVertices];
      for (int v = 0; v < kLineVertices; ++v)
        points[static_cast<std::size_t>(v)] = QPoint(line[v].x, line[v].y);
      painter.drawPolyline(points.data(), kLineVertices);
    }
    painter.end();
    benchmark::DoNotOptimize(image.constBits()[0]);
  }
  state.counters["polylines/s"] = benchmark::Counter(static_cast<double>(kLines),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_QPainterPolylines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
