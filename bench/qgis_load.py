#!/usr/bin/python3
# The QGIS peer of loading a vector file: a layer opened through QGIS's OGR provider and every
# feature read with its geometry and attributes (what a first drawing and an attribute table
# need; opening alone reads nothing). Prints the median of REPETITIONS loads in milliseconds,
# the QGIS start-up left out, and the feature count.
#
#   QT_QPA_PLATFORM=offscreen /usr/bin/python3 bench/qgis_load.py FILE [REPETITIONS]
#   (Debian: python3-qgis)
# SPDX-License-Identifier: MIT
import statistics
import sys
import time

from qgis.core import QgsApplication, QgsVectorLayer


def load(path):
    layer = QgsVectorLayer(path, "peer", "ogr")
    if not layer.isValid():
        raise SystemExit("QGIS cannot open " + path)
    features = 0
    for feature in layer.getFeatures():
        feature.geometry().constGet()
        feature.attributes()
        features += 1
    return features


def main():
    path = sys.argv[1]
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    application = QgsApplication([], False)
    application.initQgis()
    times = []
    features = 0
    for _ in range(repetitions):
        start = time.perf_counter()
        features = load(path)
        times.append((time.perf_counter() - start) * 1000.0)
    print("%.1f ms %d features" % (statistics.median(times), features))
    application.exitQgis()


main()
