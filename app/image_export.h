// Export of the map as a PNG or JPEG picture with a world file (.pgw, .jgw: six numbers that
// place the picture on the ground) and a copy of a layer's .prj beside it, so that other GIS
// programs open the picture in place.
// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>

class IZamraView;

namespace mapory {

enum class ImageFormat { Png, Jpeg };

// The format a file name asks for by its extension (.png; .jpg or .jpeg, any letter case);
// false for any other name.
bool ImageFormatOf(const QString& path, ImageFormat* format);
// `path` with the extension of `format` appended unless it already has one of that format.
QString ImageFileName(const QString& path, ImageFormat format);
// The world file beside an image: "map.png" gives "map.pgw", "map.jpg" "map.jgw".
QString WorldFilePath(const QString& imagePath);
// The picture of a map window of width x height window pixels as the user sees it: that size
// times the view's pixel ratio (the screen's device pixels), rounded.
QSize MapPictureSize(IZamraView& view, int width, int height);
// The six lines of the world file for the picture of a width x height map window (window
// pixels) as the view is now: pixel size in x, two rotations (0), pixel size in y (negative:
// rows go south), then the x and y of the upper left pixel's centre, for the picture's own
// pixels (MapPictureSize). Numbers in the C locale.
QString WorldFileText(IZamraView& view, int width, int height);
// The .prj of the selected layer, else of the first layer that has one; empty when none has.
QString ProjectionSource(IZamraView& view);

// Draws the view of a width x height map window into its picture (MapPictureSize: at the
// screen's device pixels) and writes it, its world file and (when a layer has one) the .prj.
// With `withLegend`, the legend of the visible layers goes into the picture's lower right
// corner (when it fits). False when any file cannot be written.
bool ExportMapImage(IZamraView& view, int width, int height, const QString& path, ImageFormat format,
                    bool withLegend = false);

}  // namespace mapory
