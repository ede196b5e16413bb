// Fuzzes the render path behind the file managers' previews (mapory-thumbnailer runs
// mapory-render): the input is a .shp (its first 100 bytes also serve as the .shx header),
// loaded by the map view's loader and, when it loads, drawn whole with its labels into a small
// picture.
// SPDX-License-Identifier: MIT
#include <unistd.h>  // getpid

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <string>

#include "api/base/bitmap.h"
#include "model/map_model.h"
#include "platform/gdi.h"
#include "view/ilayer.h"

using namespace zamra::view;

namespace {

constexpr int kPictureSide = 96;

void Write(const std::string& path, const uint8_t* data, size_t size)
{
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20))
    return 0;
  // Labels are text: drawing them needs a Qt application, made once for the run.
  static QGuiApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_view_render";
    static char* argv[] = {name, nullptr};
    return new QGuiApplication(argc, argv);
  }();
  (void)application;
  static const std::string base = "/tmp/zamra-fuzz-render-" + std::to_string(getpid());
  Write(base + ".shp", data, size);
  Write(base + ".shx", data, size < 100 ? size : 100);

  CMapModel model;
  model.OnSize(kPictureSide, kPictureSide);
  if (ILayer* layer = model.AddLayer((base + ".shp").c_str())) {
    layer->SetLabelVisible(1);
    const ST_RECT& extent = model.GetFullExtent();
    model.SetScaleValue(model.LargestScale());
    model.ClampCenter((extent.left + extent.right) / 2, (extent.top + extent.bottom) / 2);
    HDC picture = ZMBitmap::CreateMemDc(kPictureSide, kPictureSide);
    if (picture != nullptr) {
      model.Render(picture, 0, 0);
      DeleteDC(picture);
    }
  }
  std::remove((base + ".shp").c_str());
  std::remove((base + ".shx").c_str());
  return 0;
}
