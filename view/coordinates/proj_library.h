// ProjLibrary: the PROJ functions the view calls, from the library opened the first time a layer
// needs one. Linking PROJ would load it, and the thirty-odd libraries it brings, at every start of
// every program, though most maps have no .prj that needs it.
// SPDX-License-Identifier: MIT
#pragma once

#include <geodesic.h>  // the geodesic functions' types (the same library exports them)
#include <proj.h>

namespace zamra::view {

struct ProjLibrary {
  decltype(&proj_context_create) context_create = nullptr;
  decltype(&proj_context_destroy) context_destroy = nullptr;
  decltype(&proj_context_set_enable_network) context_set_enable_network = nullptr;
  decltype(&proj_log_level) log_level = nullptr;
  decltype(&proj_create) create = nullptr;
  decltype(&proj_destroy) destroy = nullptr;
  decltype(&proj_is_crs) is_crs = nullptr;
  decltype(&proj_get_name) get_name = nullptr;
  decltype(&proj_get_type) get_type = nullptr;
  decltype(&proj_crs_get_sub_crs) crs_get_sub_crs = nullptr;
  decltype(&proj_get_source_crs) get_source_crs = nullptr;
  decltype(&proj_as_proj_string) as_proj_string = nullptr;
  decltype(&proj_is_equivalent_to_with_ctx) is_equivalent_to_with_ctx = nullptr;
  decltype(&proj_create_crs_to_crs_from_pj) create_crs_to_crs_from_pj = nullptr;
  decltype(&proj_normalize_for_visualization) normalize_for_visualization = nullptr;
  decltype(&proj_trans_generic) trans_generic = nullptr;
  // Lengths and areas on an ellipsoid (the measure tool).
  decltype(&geod_init) geodesic_init = nullptr;
  decltype(&geod_inverse) geodesic_inverse = nullptr;
  decltype(&geod_polygon_init) polygon_init = nullptr;
  decltype(&geod_polygon_addpoint) polygon_add_point = nullptr;
  decltype(&geod_polygon_compute) polygon_compute = nullptr;
};

// The functions, all of them found, or null when PROJ cannot be opened (then no .prj can be
// read). Opened once, by the first caller of any thread, and kept for the process's life.
const ProjLibrary* OpenProjLibrary();

}  // namespace zamra::view
