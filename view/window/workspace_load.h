// A workspace file whose layers load in the background: the document stays open until the last
// of them is in, so that each takes its settings from its element when it arrives.
// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>

#include "api/base/xml.h"

namespace zamra::view {

// The map's place a workspace file keeps.
struct WorkspacePlace {
  bool hasCentre = false;  // both coordinates present and finite
  double x = 0.0;
  double y = 0.0;
  double scale = 0.0;  // 0: none given
};

struct WorkspaceLoad {
  std::unique_ptr<ZMXml> document;
  std::map<int, const ZMXmlNode*> layers;  // by load ticket, the elements of the loads not yet ended
  WorkspacePlace place;
};

}  // namespace zamra::view
