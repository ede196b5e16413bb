// GdalLibrary: the GDAL/OGR functions the view calls to read vector formats other than the
// shapefile, from the library opened the first time such a file is added. Linking GDAL would load
// it, and the hundred-odd libraries it brings, at every start of every program, though most maps
// are shapefiles, which the view reads itself.
// SPDX-License-Identifier: MIT
#pragma once

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>
#include <cpl_error.h>
#include <cpl_vsi.h>

namespace zamra::view {

struct GdalLibrary {
  decltype(&GDALAllRegister) AllRegister = nullptr;
  decltype(&GDALOpenEx) OpenEx = nullptr;
  decltype(&GDALClose) Close = nullptr;
  decltype(&GDALGetDatasetDriver) GetDatasetDriver = nullptr;
  decltype(&GDALGetDriverLongName) GetDriverLongName = nullptr;
  decltype(&GDALGetDriverShortName) GetDriverShortName = nullptr;
  decltype(&GDALDatasetGetLayerCount) DatasetGetLayerCount = nullptr;
  decltype(&GDALDatasetGetLayer) DatasetGetLayer = nullptr;
  decltype(&OGR_L_GetName) L_GetName = nullptr;
  decltype(&OGR_L_GetGeomType) L_GetGeomType = nullptr;
  decltype(&OGR_L_ResetReading) L_ResetReading = nullptr;
  decltype(&OGR_L_GetNextFeature) L_GetNextFeature = nullptr;
  decltype(&OGR_L_GetLayerDefn) L_GetLayerDefn = nullptr;
  decltype(&OGR_L_GetSpatialRef) L_GetSpatialRef = nullptr;
  decltype(&OGR_L_SetIgnoredFields) L_SetIgnoredFields = nullptr;
  decltype(&OGR_L_TestCapability) L_TestCapability = nullptr;
  decltype(&OGR_FD_GetFieldCount) FD_GetFieldCount = nullptr;
  decltype(&OGR_FD_GetFieldDefn) FD_GetFieldDefn = nullptr;
  decltype(&OGR_Fld_GetNameRef) Fld_GetNameRef = nullptr;
  decltype(&OGR_Fld_GetType) Fld_GetType = nullptr;
  decltype(&OGR_Fld_GetPrecision) Fld_GetPrecision = nullptr;
  decltype(&OGR_F_Destroy) F_Destroy = nullptr;
  decltype(&OGR_F_GetGeometryRef) F_GetGeometryRef = nullptr;
  decltype(&OGR_F_IsFieldSetAndNotNull) F_IsFieldSetAndNotNull = nullptr;
  decltype(&OGR_F_GetFieldAsInteger64) F_GetFieldAsInteger64 = nullptr;
  decltype(&OGR_F_GetFieldAsDouble) F_GetFieldAsDouble = nullptr;
  decltype(&OGR_F_GetFieldAsString) F_GetFieldAsString = nullptr;
  decltype(&OGR_F_GetFieldAsDateTimeEx) F_GetFieldAsDateTimeEx = nullptr;
  decltype(&OGR_F_GetFieldAsIntegerList) F_GetFieldAsIntegerList = nullptr;
  decltype(&OGR_F_GetFieldAsInteger64List) F_GetFieldAsInteger64List = nullptr;
  decltype(&OGR_F_GetFieldAsDoubleList) F_GetFieldAsDoubleList = nullptr;
  decltype(&OGR_F_GetFieldAsStringList) F_GetFieldAsStringList = nullptr;
  decltype(&OGR_G_GetGeometryType) G_GetGeometryType = nullptr;
  decltype(&OGR_G_GetGeometryCount) G_GetGeometryCount = nullptr;
  decltype(&OGR_G_GetGeometryRef) G_GetGeometryRef = nullptr;
  decltype(&OGR_G_HasCurveGeometry) G_HasCurveGeometry = nullptr;
  decltype(&OGR_G_GetLinearGeometry) G_GetLinearGeometry = nullptr;
  decltype(&OGR_G_DestroyGeometry) G_DestroyGeometry = nullptr;
  decltype(&OGR_G_WkbSize) G_WkbSize = nullptr;
  decltype(&OGR_G_ExportToIsoWkb) G_ExportToIsoWkb = nullptr;
  decltype(&OSRExportToWktEx) SRS_ExportToWktEx = nullptr;
  decltype(&OSRGetName) SRS_GetName = nullptr;
  decltype(&VSIFree) Free = nullptr;
  decltype(&CPLPushErrorHandler) PushErrorHandler = nullptr;
  decltype(&CPLPopErrorHandler) PopErrorHandler = nullptr;
  decltype(&CPLQuietErrorHandler) QuietErrorHandler = nullptr;
  decltype(&CPLErrorReset) ErrorReset = nullptr;
  decltype(&CPLGetLastErrorType) GetLastErrorType = nullptr;
};

// The functions, all of them found and the drivers registered, or null when GDAL cannot be opened
// (then only shapefiles can be read). Opened once, by the first caller of any thread, and kept for
// the process's life. The environment variable ZAMRA_GDAL_LIBRARY names another library to open
// in place of the one built against (an empty value: none), for machines that keep GDAL elsewhere
// and for checking what a machine without it does.
const GdalLibrary* OpenGdalLibrary();

}  // namespace zamra::view
