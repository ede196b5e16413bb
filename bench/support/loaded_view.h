// The map view with the million-point sample layer, made once per benchmark program, for the
// benchmarks of the program's windows over it.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include <QWidget>

#include "support/sample_data.h"
#include "view/izamra_view.h"

namespace zamra_bench {

// Null when the sample cannot be made or loaded.
inline IZamraView* LoadedView()
{
  static QWidget* host = new QWidget;
  static IZamraView* view = [] {
    IZamraView* created = IZamraView::GetInstance();
    created->Create(nullptr, 0, 0, 0, 0, 600, 400, host, 2001);
    const std::string shp = EnsurePointSample(SampleFolder());
    if (shp.empty() || created->AddLayer(shp.c_str()) == nullptr)
      return static_cast<IZamraView*>(nullptr);
    return created;
  }();
  return view;
}

}  // namespace zamra_bench
