// What a workspace keeps of a layer beside its known settings: the column its labels come from
// (an attribute after the path and code page, which readers that do not know it skip) and its
// thematic style (a child after the known ones).
// SPDX-License-Identifier: MIT
#pragma once

class ZMXmlNode;

namespace zamra::view {

class CShapeLayer;

// Writes `layer`'s label column (only when it is not the first text column) and thematic style
// (only when it has one) into its workspace node. Columns are named, not numbered, so that a
// table whose columns moved still finds them.
void SaveLayerExtras(ZMXmlNode& node, CShapeLayer& layer);
// Reads them back into `layer`; a column the table no longer has, or a style the table cannot
// take, leaves the layer's own setting.
void LoadLayerExtras(const ZMXmlNode& node, CShapeLayer& layer);

}  // namespace zamra::view
