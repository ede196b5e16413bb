// mapory-render: draws shapefiles and files of the other vector formats GDAL reads, or the layers
// of a workspace file, into a BMP or PNG picture, with the layers' styles, labels and a built-in
// strip of point symbols. Batch map export without the desktop program.
//
//   mapory-render [-o OUT.png|OUT.bmp] [-W WIDTH] [-H HEIGHT] [-r RATIO] [-s SCALE] [-c LON,LAT]
//                 [-a] [-x WORKSPACE.xml] [FILE.shp|FILE.zip|FILE.gpkg|... ...]
//
// Without -s and -c the picture shows the full extent of all layers. -r draws the map as a
// screen of that pixel ratio shows it: a picture of WIDTH x HEIGHT times RATIO pixels. -a draws
// smooth (antialiased) lines and areas; without it the picture is pixel-exact.
// SPDX-License-Identifier: MIT
#include <QApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "archive_files.h"
#include "layer_coordinates_note.h"
#include "load_failure.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "view/point_symbols.h"

namespace {

constexpr int kSymbolSize = 16;
constexpr int kSymbolCount = 16;

int Usage()
{
  std::fprintf(stderr,
               "usage: mapory-render [-o OUT.png|OUT.bmp] [-W WIDTH] [-H HEIGHT] [-r RATIO] [-s SCALE]\n"
               "                     [-c LON,LAT] [-a] [-x WORKSPACE.xml] [FILE.shp|FILE.zip|FILE.gpkg|... ...]\n");
  return 2;
}

bool EndsWith(const std::string& text, const char* suffix)
{
  const size_t length = std::strlen(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

// The scale at which the whole extent of all layers fits the picture, with a small margin round
// the map; at least the smallest scale.
double FullExtentScale(IZamraViewExtras* extras)
{
  double left = 0, bottom = 0, right = 0, top = 0;
  extras->GetLayersExtent(&left, &bottom, &right, &top);
  const double fit = extras->GetScaleToFit(left, bottom, right, top);
  return fit < 0.0 ? ZM_SCALE_LARGEST : std::max(std::ceil(fit * 1.02), ZM_SCALE_SMALLEST);
}

}  // namespace

int main(int argc, char** argv)
{
  std::string output = "map.png";
  std::string workspace;
  int width = 1024, height = 768;
  double scale = 0.0;
  double ratio = 1.0;
  double centreX = 0.0, centreY = 0.0;
  bool centreGiven = false;
  bool smooth = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "-o" && hasValue)
      output = argv[++i];
    else if (option == "-W" && hasValue)
      width = std::atoi(argv[++i]);
    else if (option == "-H" && hasValue)
      height = std::atoi(argv[++i]);
    else if (option == "-r" && hasValue)
      ratio = std::strtod(argv[++i], nullptr);
    else if (option == "-s" && hasValue)
      scale = std::strtod(argv[++i], nullptr);
    else if (option == "-c" && hasValue) {
      centreGiven = std::sscanf(argv[++i], "%lf,%lf", &centreX, &centreY) == 2;
      if (!centreGiven)
        return Usage();
    } else if (option == "-x" && hasValue)
      workspace = argv[++i];
    else if (option == "-a")
      smooth = true;
    else if (!option.empty() && option[0] == '-')
      return Usage();
    else
      files.push_back(option);
  }
  if ((files.empty() && workspace.empty()) || width <= 0 || height <= 0 || width > 20000 || height > 20000)
    return Usage();
  if (!EndsWith(output, ".png") && !EndsWith(output, ".bmp")) {
    std::fprintf(stderr, "mapory-render: the output must end in .png or .bmp\n");
    return 2;
  }

  // The view lives in a window; without a display it works just as well offscreen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  if (!view || !view->Create(nullptr, 0, 0, 0, 0, width, height, nullptr, 2001)) {
    std::fprintf(stderr, "mapory-render: cannot create the map view\n");
    return 1;
  }
  // Whatever the screen's ratio, the picture's is the one asked for.
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  if (extras == nullptr || !extras->SetDevicePixelRatio(ratio))
    return Usage();
  extras->SetSmoothDrawing(smooth ? 1 : 0);
  const int symbolSide = ZamraPointSymbolSide(kSymbolSize, ratio);
  view->SetPoiDC(ZamraSymbolStripContext(ZamraPointSymbolStrip(kSymbolSize, 3, ratio)), kSymbolCount, symbolSide,
                 symbolSide);
  int status = 0;
  if (!workspace.empty() && !view->LoadXml(workspace.c_str())) {
    std::fprintf(stderr, "mapory-render: %s: not a workspace file\n", workspace.c_str());
    status = 1;
  }
  int failures = 0;
  for (const std::string& file : ExpandArchives(files, "mapory-render", &failures)) {
    const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
    if (view->AddLayer(file.c_str()) == nullptr) {
      std::fprintf(stderr, "mapory-render: %s: %s\n", file.c_str(), LoadFailureReason(memoryShort));
      status = 1;
    }
  }
  if (failures > 0)
    status = 1;
  if (view->GetLayerCount() == 0) {
    std::fprintf(stderr, "mapory-render: no layer to draw\n");
    return 1;
  }
  for (int i = 0; i < view->GetLayerCount(); ++i)
    PrintCoordinatesNote("mapory-render", view.get(), view->GetLayerByIndex(i));
  if (scale <= 0.0 && !centreGiven) {
    // The view's largest scale grows with layers whose numbers are not degrees; world data that
    // would need more than it fits the picture nearly at it.
    const double fit = FullExtentScale(extras);
    view->SetScale(fit);
    scale = view->GetScale() >= std::floor(fit) ? 0.0 : std::min(fit, ZM_SCALE_LARGEST);
  }
  if (scale > 0.0)
    view->SetScale(scale);
  if (centreGiven)
    view->SetCenter(centreX, centreY);

  const int pictureWidth = static_cast<int>(std::lround(width * ratio));
  const int pictureHeight = static_cast<int>(std::lround(height * ratio));
  unsigned char* bits = nullptr;
  HDC picture = ZMBitmap::CreateMemDc(pictureWidth, pictureHeight, &bits);
  if (picture == nullptr) {
    std::fprintf(stderr, "mapory-render: cannot make a %d x %d picture\n", pictureWidth, pictureHeight);
    return 1;
  }
  view->Draw(picture, 0, 0, pictureWidth, pictureHeight);
  const int written = EndsWith(output, ".png") ? ZMBitmap::SavePng(bits, pictureWidth, pictureHeight, output.c_str())
                                               : ZMBitmap::SaveBmp(bits, pictureWidth, pictureHeight, output.c_str());
  DeleteDC(picture);
  if (!written) {
    std::fprintf(stderr, "mapory-render: %s: cannot write the picture\n", output.c_str());
    return 1;
  }
  std::printf("%s: %d x %d, scale 1:%.0f, %d layers\n", output.c_str(), pictureWidth, pictureHeight, view->GetScale(),
              view->GetLayerCount());
  return status;
}
