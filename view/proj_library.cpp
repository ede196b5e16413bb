// ProjLibrary: PROJ opened by name on first use.
#include "proj_library.h"

#include <dlfcn.h>

namespace {

template <typename Function>
bool Find(void* library, const char* name, Function& function)
{
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

ProjLibrary Open()
{
  ProjLibrary proj;
  // The name is the library's soname at build time, so that the version built against is the
  // one opened.
  void* library = dlopen(ZAMRA_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    return proj;
  const bool all = Find(library, "proj_context_create", proj.context_create) &&
                   Find(library, "proj_context_destroy", proj.context_destroy) &&
                   Find(library, "proj_context_set_enable_network", proj.context_set_enable_network) &&
                   Find(library, "proj_log_level", proj.log_level) && Find(library, "proj_create", proj.create) &&
                   Find(library, "proj_destroy", proj.destroy) && Find(library, "proj_is_crs", proj.is_crs) &&
                   Find(library, "proj_get_name", proj.get_name) && Find(library, "proj_get_type", proj.get_type) &&
                   Find(library, "proj_crs_get_sub_crs", proj.crs_get_sub_crs) &&
                   Find(library, "proj_get_source_crs", proj.get_source_crs) &&
                   Find(library, "proj_is_equivalent_to_with_ctx", proj.is_equivalent_to_with_ctx) &&
                   Find(library, "proj_create_crs_to_crs_from_pj", proj.create_crs_to_crs_from_pj) &&
                   Find(library, "proj_normalize_for_visualization", proj.normalize_for_visualization) &&
                   Find(library, "proj_trans_generic", proj.trans_generic);
  if (!all) {
    dlclose(library);
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
