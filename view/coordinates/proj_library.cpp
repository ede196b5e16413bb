// ProjLibrary: PROJ opened by name on first use.
// SPDX-License-Identifier: MIT
#include "coordinates/proj_library.h"

#include "platform/runtime_library.h"

namespace zamra::view {

namespace {

using zamra::platform::FindRuntimeFunction;

ProjLibrary Open()
{
  ProjLibrary proj;
  // The name is the library's soname at build time, so that the version built against is the
  // one opened.
  void* library = zamra::platform::OpenRuntimeLibrary(ZAMRA_PROJ_LIBRARY);
  if (library == nullptr)
    return proj;
  const bool all = FindRuntimeFunction(library, "proj_context_create", proj.context_create) &&
                   FindRuntimeFunction(library, "proj_context_destroy", proj.context_destroy) &&
                   FindRuntimeFunction(library, "proj_context_set_enable_network", proj.context_set_enable_network) &&
                   FindRuntimeFunction(library, "proj_log_level", proj.log_level) &&
                   FindRuntimeFunction(library, "proj_create", proj.create) &&
                   FindRuntimeFunction(library, "proj_destroy", proj.destroy) &&
                   FindRuntimeFunction(library, "proj_is_crs", proj.is_crs) &&
                   FindRuntimeFunction(library, "proj_get_name", proj.get_name) &&
                   FindRuntimeFunction(library, "proj_get_type", proj.get_type) &&
                   FindRuntimeFunction(library, "proj_crs_get_sub_crs", proj.crs_get_sub_crs) &&
                   FindRuntimeFunction(library, "proj_get_source_crs", proj.get_source_crs) &&
                   FindRuntimeFunction(library, "proj_as_proj_string", proj.as_proj_string) &&
                   FindRuntimeFunction(library, "proj_is_equivalent_to_with_ctx", proj.is_equivalent_to_with_ctx) &&
                   FindRuntimeFunction(library, "proj_create_crs_to_crs_from_pj", proj.create_crs_to_crs_from_pj) &&
                   FindRuntimeFunction(library, "proj_normalize_for_visualization", proj.normalize_for_visualization) &&
                   FindRuntimeFunction(library, "proj_trans_generic", proj.trans_generic) &&
                   FindRuntimeFunction(library, "geod_init", proj.geodesic_init) &&
                   FindRuntimeFunction(library, "geod_inverse", proj.geodesic_inverse) &&
                   FindRuntimeFunction(library, "geod_polygon_init", proj.polygon_init) &&
                   FindRuntimeFunction(library, "geod_polygon_addpoint", proj.polygon_add_point) &&
                   FindRuntimeFunction(library, "geod_polygon_compute", proj.polygon_compute);
  if (!all) {
    zamra::platform::CloseRuntimeLibrary(library);
    return ProjLibrary{};
  }
  return proj;  // the library stays open: its functions and contexts live as long as the process
}

}  // namespace

const ProjLibrary* OpenProjLibrary()
{
  static const ProjLibrary proj = Open();
  return proj.context_create != nullptr ? &proj : nullptr;
}

}  // namespace zamra::view
