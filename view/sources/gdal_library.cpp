// GdalLibrary: GDAL opened by name on first use.
// SPDX-License-Identifier: MIT
#include "sources/gdal_library.h"

#include <cstdlib>

#include "platform/runtime_library.h"

namespace zamra::view {

namespace {

using zamra::platform::FindRuntimeFunction;

GdalLibrary Open()
{
  GdalLibrary gdal;
  const char* name = ZAMRA_GDAL_LIBRARY;  // the soname at build time: the version built against
  if (const char* chosen = std::getenv("ZAMRA_GDAL_LIBRARY"))
    name = chosen;
  void* library = name[0] != '\0' ? zamra::platform::OpenRuntimeLibrary(name) : nullptr;
  if (library == nullptr)
    return gdal;
  const bool all = FindRuntimeFunction(library, "GDALAllRegister", gdal.AllRegister) &&
                   FindRuntimeFunction(library, "GDALOpenEx", gdal.OpenEx) &&
                   FindRuntimeFunction(library, "GDALClose", gdal.Close) &&
                   FindRuntimeFunction(library, "GDALGetDatasetDriver", gdal.GetDatasetDriver) &&
                   FindRuntimeFunction(library, "GDALGetDriverLongName", gdal.GetDriverLongName) &&
                   FindRuntimeFunction(library, "GDALGetDriverShortName", gdal.GetDriverShortName) &&
                   FindRuntimeFunction(library, "GDALDatasetGetLayerCount", gdal.DatasetGetLayerCount) &&
                   FindRuntimeFunction(library, "GDALDatasetGetLayer", gdal.DatasetGetLayer) &&
                   FindRuntimeFunction(library, "OGR_L_GetName", gdal.L_GetName) &&
                   FindRuntimeFunction(library, "OGR_L_GetGeomType", gdal.L_GetGeomType) &&
                   FindRuntimeFunction(library, "OGR_L_ResetReading", gdal.L_ResetReading) &&
                   FindRuntimeFunction(library, "OGR_L_GetNextFeature", gdal.L_GetNextFeature) &&
                   FindRuntimeFunction(library, "OGR_L_GetLayerDefn", gdal.L_GetLayerDefn) &&
                   FindRuntimeFunction(library, "OGR_L_GetSpatialRef", gdal.L_GetSpatialRef) &&
                   FindRuntimeFunction(library, "OGR_L_SetIgnoredFields", gdal.L_SetIgnoredFields) &&
                   FindRuntimeFunction(library, "OGR_L_TestCapability", gdal.L_TestCapability) &&
                   FindRuntimeFunction(library, "OGR_FD_GetFieldCount", gdal.FD_GetFieldCount) &&
                   FindRuntimeFunction(library, "OGR_FD_GetFieldDefn", gdal.FD_GetFieldDefn) &&
                   FindRuntimeFunction(library, "OGR_Fld_GetNameRef", gdal.Fld_GetNameRef) &&
                   FindRuntimeFunction(library, "OGR_Fld_GetType", gdal.Fld_GetType) &&
                   FindRuntimeFunction(library, "OGR_Fld_GetPrecision", gdal.Fld_GetPrecision) &&
                   FindRuntimeFunction(library, "OGR_F_Destroy", gdal.F_Destroy) &&
                   FindRuntimeFunction(library, "OGR_F_GetGeometryRef", gdal.F_GetGeometryRef) &&
                   FindRuntimeFunction(library, "OGR_F_IsFieldSetAndNotNull", gdal.F_IsFieldSetAndNotNull) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsInteger64", gdal.F_GetFieldAsInteger64) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsDouble", gdal.F_GetFieldAsDouble) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsString", gdal.F_GetFieldAsString) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsDateTimeEx", gdal.F_GetFieldAsDateTimeEx) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsIntegerList", gdal.F_GetFieldAsIntegerList) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsInteger64List", gdal.F_GetFieldAsInteger64List) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsDoubleList", gdal.F_GetFieldAsDoubleList) &&
                   FindRuntimeFunction(library, "OGR_F_GetFieldAsStringList", gdal.F_GetFieldAsStringList) &&
                   FindRuntimeFunction(library, "OGR_G_GetGeometryType", gdal.G_GetGeometryType) &&
                   FindRuntimeFunction(library, "OGR_G_GetGeometryCount", gdal.G_GetGeometryCount) &&
                   FindRuntimeFunction(library, "OGR_G_GetGeometryRef", gdal.G_GetGeometryRef) &&
                   FindRuntimeFunction(library, "OGR_G_HasCurveGeometry", gdal.G_HasCurveGeometry) &&
                   FindRuntimeFunction(library, "OGR_G_GetLinearGeometry", gdal.G_GetLinearGeometry) &&
                   FindRuntimeFunction(library, "OGR_G_DestroyGeometry", gdal.G_DestroyGeometry) &&
                   FindRuntimeFunction(library, "OGR_G_WkbSize", gdal.G_WkbSize) &&
                   FindRuntimeFunction(library, "OGR_G_ExportToIsoWkb", gdal.G_ExportToIsoWkb) &&
                   FindRuntimeFunction(library, "OSRExportToWktEx", gdal.SRS_ExportToWktEx) &&
                   FindRuntimeFunction(library, "OSRGetName", gdal.SRS_GetName) &&
                   FindRuntimeFunction(library, "VSIFree", gdal.Free) &&
                   FindRuntimeFunction(library, "CPLPushErrorHandler", gdal.PushErrorHandler) &&
                   FindRuntimeFunction(library, "CPLPopErrorHandler", gdal.PopErrorHandler) &&
                   FindRuntimeFunction(library, "CPLQuietErrorHandler", gdal.QuietErrorHandler) &&
                   FindRuntimeFunction(library, "CPLErrorReset", gdal.ErrorReset) &&
                   FindRuntimeFunction(library, "CPLGetLastErrorType", gdal.GetLastErrorType);
  if (!all) {
    zamra::platform::CloseRuntimeLibrary(library);
    return GdalLibrary{};
  }
  gdal.AllRegister();
  return gdal;  // the library stays open: its drivers and datasets live as long as the process
}

}  // namespace

const GdalLibrary* OpenGdalLibrary()
{
  static const GdalLibrary gdal = Open();
  return gdal.OpenEx != nullptr ? &gdal : nullptr;
}

}  // namespace zamra::view
