#!/usr/bin/python3
# The peer of mapory-render -a: mapnik draws a shapefile antialiased into a PNG, styled as
# mapory's defaults are (areas filled with a 1-pixel outline, 1-pixel lines, round point symbols
# of 8 pixels), at the file's extent.
#
#   /usr/bin/python3 bench/mapnik_render.py FILE.shp OUT.png WIDTH HEIGHT   (Debian: python3-mapnik)
# SPDX-License-Identifier: MIT
import sys

import mapnik


def main():
    path, out, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    source = mapnik.Shapefile(file=path)
    kind = source.geometry_type()
    rule = mapnik.Rule()
    if kind == mapnik.DataGeometryType.Polygon:
        fill = mapnik.PolygonSymbolizer()
        fill.fill = mapnik.Color("#fbf5c3")
        rule.symbols.append(fill)
    if kind in (mapnik.DataGeometryType.Polygon, mapnik.DataGeometryType.LineString):
        line = mapnik.LineSymbolizer()
        line.stroke = mapnik.Color("#d7cf96" if kind == mapnik.DataGeometryType.Polygon else "#2050c0")
        line.stroke_width = 1.0
        rule.symbols.append(line)
    else:
        marker = mapnik.MarkersSymbolizer()
        marker.fill = mapnik.Color("#1050c8")
        marker.width = mapnik.Expression("8")
        marker.height = mapnik.Expression("8")
        marker.allow_overlap = True
        marker.ignore_placement = True
        rule.symbols.append(marker)
    style = mapnik.Style()
    style.rules.append(rule)
    picture = mapnik.Map(width, height, "+proj=longlat +datum=WGS84 +no_defs")
    picture.background = mapnik.Color("white")
    picture.append_style("layer", style)
    layer = mapnik.Layer("layer", "+proj=longlat +datum=WGS84 +no_defs")
    layer.datasource = source
    layer.styles.append("layer")
    picture.layers.append(layer)
    picture.zoom_to_box(source.envelope())
    mapnik.render_to_file(picture, out, "png")


if __name__ == "__main__":
    main()
