// ZamraVectorSource: the view's side of GDAL's formats.
// SPDX-License-Identifier: MIT
#include "view/vector_source.h"

#include <new>
#include <string>

#include "view/shapefile_archive.h"
#include "sources/gdal_library.h"
#include "sources/vector_reader.h"

using namespace zamra::view;

namespace {

int KindOfWord(const std::string& word)
{
  for (int type : {1, 3, 5})
    if (word == VectorKindWord(type))
      return type;
  return 0;
}

bool EndsWithNoCase(const std::string& text, const char* ending)
{
  const size_t length = std::char_traits<char>::length(ending);
  if (text.size() < length)
    return false;
  for (size_t i = 0; i < length; ++i) {
    char c = text[text.size() - length + i];
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (c != ending[i])
      return false;
  }
  return true;
}

}  // namespace

bool ZamraVectorSource::IsVectorSource(const std::string& path)
{
  std::string source, table;
  int type = 0;
  if (SplitLayerPath(path, source, table, type))
    return true;
  if (path.empty() || EndsWithNoCase(path, ".shp") || EndsWithNoCase(path, ".shx") || EndsWithNoCase(path, ".dbf") ||
      ZamraArchive::IsArchive(path))
    return false;
  std::string archive, member;
  return !ZamraArchive::SplitMemberPath(path, archive, member);
}

bool ZamraVectorSource::IsAvailable() { return OpenGdalLibrary() != nullptr; }

ZamraVectorStatus ZamraVectorSource::ListLayers(const std::string& source, std::vector<ZamraVectorLayer>& layers)
{
  return ListVectorLayers(source, layers);
}

std::string ZamraVectorSource::LayerPath(const std::string& source, const std::string& table, int type)
{
  return source + "|" + table + "|" + VectorKindWord(type);
}

bool ZamraVectorSource::SplitLayerPath(const std::string& path, std::string& source, std::string& table, int& type)
{
  source.clear();
  table.clear();
  type = 0;
  // The source ends at the first bar and the kind starts after the last: table names may hold bars.
  const size_t first = path.find('|');
  const size_t last = path.rfind('|');
  if (first == std::string::npos || first == last || first == 0)
    return false;
  const int kind = KindOfWord(path.substr(last + 1));
  if (kind == 0)
    return false;
  source = path.substr(0, first);
  table = path.substr(first + 1, last - first - 1);
  type = kind;
  return true;
}

ZamraVectorStatus ZamraVectorSource::CheckLayer(const std::string& path)
{
  VectorLayerFiles layer;
  return ReadVectorLayer(path, layer);
}
