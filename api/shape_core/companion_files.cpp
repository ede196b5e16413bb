// Companion file names.
// SPDX-License-Identifier: MIT
#include "shape_core/companion_files.h"

#include <cctype>

#include "platform/system_calls.h"

namespace zamra::shape {

namespace {

std::string InCase(const char* extension, bool upper)
{
  std::string text = extension;
  for (char& c : text)
    c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                : std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool BaseOfPath(const std::string& path, std::string& base)
{
  const size_t dot = path.rfind('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return false;
  base = path.substr(0, dot);
  return true;
}

std::string CompanionPath(const std::string& shpPath, const char* extension)
{
  std::string base;
  if (!BaseOfPath(shpPath, base))
    return std::string();
  const size_t dot = base.size();
  const bool upper = dot + 1 < shpPath.size() && std::isupper(static_cast<unsigned char>(shpPath[dot + 1]));
  const std::string preferred = base + InCase(extension, upper);
  if (zamra::sys::Access(preferred.c_str(), F_OK) == 0)
    return preferred;
  const std::string other = base + InCase(extension, !upper);
  return zamra::sys::Access(other.c_str(), F_OK) == 0 ? other : preferred;
}

std::string ShapefileOfPath(const std::string& path)
{
  std::string base;
  if (!BaseOfPath(path, base))
    return path;
  const std::string extension = InCase(path.c_str() + base.size(), false);
  if (extension != ".shx" && extension != ".dbf")
    return path;
  const std::string shp = CompanionPath(path, ".shp");
  return zamra::sys::Access(shp.c_str(), F_OK) == 0 ? shp : path;
}

}  // namespace zamra::shape
