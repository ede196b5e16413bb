// CMapView: the workspace file, the view's whole state (scale, centre, every layer's path and
// display settings) as an XML document.
// SPDX-License-Identifier: MIT
#include "window/map_view.h"

#include <charconv>
#include <cmath>  // isfinite
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>  // newlocale, strtod_l: numbers in files ignore the user's locale
#include <memory>
#include <string>

#include "api/base/string.h"
#include "api/base/xml.h"
#include "platform/code_page.h"
#include "window/layer_workspace_extras.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"
#include "sources/vector_reader.h"
#include "window/workspace_load.h"
#include "view/shapefile_archive.h"
#include "view/vector_source.h"

namespace zamra::view {

namespace {

constexpr double kSavedMaxScale = 300000000.0;  // written for readers of the file; not read back
constexpr double kSavedMinScale = 500.0;
constexpr double kDefaultLayerMinScale = 100.0;
constexpr double kDefaultLayerMaxScale = 3000000000.0;
constexpr int kRootValueSize = 100;  // root attributes are read into 100 characters
constexpr int kPathSize = MAX_PATH;

std::u16string Wide(const char* text)
{
  const int needed = ZMString::ToUnicode(text, nullptr, CP_ACP);
  if (needed <= 0)
    return std::u16string();
  std::u16string wide(static_cast<size_t>(needed), u'\0');
  ZMString::ToUnicode(text, wide.data(), CP_ACP);
  wide.resize(static_cast<size_t>(needed - 1));
  return wide;
}

std::string Narrow(const WCHAR* text)
{
  if (text == nullptr)
    return std::string();
  const int needed = ZMString::ToAnsi(text, nullptr, CP_ACP);
  if (needed <= 0)
    return std::string();
  std::string narrow(static_cast<size_t>(needed), '\0');
  ZMString::ToAnsi(text, narrow.data(), CP_ACP);
  narrow.resize(std::strlen(narrow.c_str()));
  return narrow;
}

// "%lf": six decimals, a point whatever the user's locale.
std::u16string Decimal(double value)
{
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return Wide(std::string(buffer, result.ptr).c_str());
}

std::u16string Integer(int value) { return Wide(std::to_string(value).c_str()); }

std::u16string ColorText(COLORREF color)
{
  return Wide((std::to_string(GetRValue(color)) + "," + std::to_string(GetGValue(color)) + "," +
               std::to_string(GetBValue(color)))
                  .c_str());
}

locale_t CLocale()
{
  static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// The C library's reading of numbers: leading white space and a sign accepted, stops at the
// first character that does not fit, 0 when there is no number.
double ReadDecimal(const WCHAR* text) { return text ? strtod_l(Narrow(text).c_str(), nullptr, CLocale()) : 0.0; }
// The same reading, false when the text holds no finite number: a centre coordinate that is
// missing or unreadable leaves the centre alone rather than moving it to 0.
bool ReadFiniteDecimal(const WCHAR* text, double& value)
{
  if (text == nullptr)
    return false;
  const std::string narrow = Narrow(text);
  char* end = nullptr;
  const double read = strtod_l(narrow.c_str(), &end, CLocale());
  if (end == narrow.c_str() || !std::isfinite(read))
    return false;
  value = read;
  return true;
}
int ReadInteger(const WCHAR* text)
{
  return text ? static_cast<int>(std::strtol(Narrow(text).c_str(), nullptr, 10)) : 0;
}

bool TextIs(const ZMXmlNode* node, const char16_t* expected)
{
  return node != nullptr && node->GetText() != nullptr && std::u16string_view(node->GetText()) == expected;
}

void AddTextChild(ZMXmlNode* parent, const char16_t* name, const std::u16string& text)
{
  if (ZMXmlNode* child = parent->AddChild(name))
    child->SetText(text.c_str());
}

// A child of `scope` found anywhere in its subtree, first in document order.
const ZMXmlNode* Find(const ZMXmlNode* scope, const char16_t* name)
{
  return scope ? scope->SearchNodeByTagName(name) : nullptr;
}

// The path of the layer a workspace's layer element names; empty when it names none.
std::string WorkspaceLayerPath(const ZMXmlNode& node)
{
  const ZMXmlAttribute* first = node.GetAttribute();
  if (first == nullptr || first->GetValue() == nullptr)
    return std::string();
  std::string layerPath = Narrow(std::u16string(first->GetValue()).substr(0, kPathSize).c_str());
  std::u16string archive, member, source, table, kind;
  for (const ZMXmlAttribute* attribute = first->GetNext(); attribute != nullptr; attribute = attribute->GetNext()) {
    if (attribute->GetName() == nullptr || attribute->GetValue() == nullptr)
      continue;
    const std::u16string_view name(attribute->GetName());
    const std::u16string value = std::u16string(attribute->GetValue()).substr(0, kPathSize);
    if (name == u"archive")
      archive = value;
    else if (name == u"member")
      member = value;
    else if (name == u"source")
      source = value;
    else if (name == u"table")
      table = value;
    else if (name == u"kind")
      kind = value;
  }
  if (!archive.empty() && !member.empty())
    layerPath = ZamraArchive::MemberPath(Narrow(archive.c_str()), Narrow(member.c_str()));
  int type = 0;
  for (int candidate : {1, 3, 5})
    if (Narrow(kind.c_str()) == VectorKindWord(candidate))
      type = candidate;
  if (!source.empty() && type != 0)
    layerPath = ZamraVectorSource::LayerPath(Narrow(source.c_str()), Narrow(table.c_str()), type);
  else if (!source.empty())
    layerPath = Narrow(source.c_str());  // a file of one layer stands for it
  return layerPath;
}

// Reads a workspace file's map element: its centre and scale, and the element of its layers.
// False when the file is no workspace, or names no layers element (nothing is applied then).
bool ReadWorkspace(ZMXml& document, const char* path, WorkspacePlace& place, const ZMXmlNode*& layers)
{
  if (!document.LoadXml(path))
    return false;
  const ZMXmlNode* map = document.GetRootNode();
  if (map == nullptr || map->GetName() == nullptr || std::u16string_view(map->GetName()) != u"map")
    return false;
  bool hasX = false, hasY = false;
  for (const ZMXmlAttribute* attribute = map->GetAttribute(); attribute != nullptr; attribute = attribute->GetNext()) {
    if (attribute->GetName() == nullptr || attribute->GetValue() == nullptr)
      continue;
    const std::u16string value = std::u16string(attribute->GetValue()).substr(0, kRootValueSize - 1);
    const std::u16string_view name(attribute->GetName());
    if (name == u"x")
      hasX = ReadFiniteDecimal(value.c_str(), place.x);
    else if (name == u"y")
      hasY = ReadFiniteDecimal(value.c_str(), place.y);
    else if (name == u"scale")
      place.scale = ReadDecimal(value.c_str());
  }
  // Any finite centre: sessions west of Greenwich, south of the equator or in metres come back.
  place.hasCentre = hasX && hasY;
  layers = map->SearchNodeByTagName(u"layers");
  return layers != nullptr;
}

// Calls `visit` with each layer element of a layers element and the path it names, in order;
// the walk ends at the first child of another name.
template <typename Visit>
void ForEachLayerElement(const ZMXmlNode& layers, Visit visit)
{
  for (const ZMXmlNode* node = layers.GetChild(); node != nullptr; node = node->GetNext()) {
    if (node->GetName() == nullptr || std::u16string_view(node->GetName()) != u"layer")
      break;
    const std::string layerPath = WorkspaceLayerPath(*node);
    if (!layerPath.empty())
      visit(*node, layerPath);
  }
}

}  // namespace

int CMapView::SaveXml(const char* path)
{
  if (!m_model || path == nullptr)
    return 0;
  ZMXml document(u"map");
  ZMXmlNode* map = document.GetRootNode();
  if (map == nullptr)
    return 0;
  map->AddAttribute(u"version", u"1.2.0.5");
  map->AddAttribute(u"scale", Decimal(m_model->Scale()).c_str());
  map->AddAttribute(u"x", Decimal(m_model->CenterX()).c_str());
  map->AddAttribute(u"y", Decimal(m_model->CenterY()).c_str());
  map->AddAttribute(u"maxscale", Decimal(kSavedMaxScale).c_str());
  map->AddAttribute(u"minscale", Decimal(kSavedMinScale).c_str());
  ZMXmlNode* layers = map->AddChild(u"layers");
  if (layers == nullptr)
    return 0;
  for (int index = 0; index < GetLayerCount(); ++index) {
    ILayer* layer = GetLayerByIndex(index);
    if (layer == nullptr)
      continue;
    ZMXmlNode* node = layers->AddChild(u"layer");
    if (node == nullptr)
      return 0;
    char layerPath[1024] = "";
    layer->GetPath(layerPath);
    node->AddAttribute(u"path", Wide(layerPath).c_str());
    // A shapefile inside a .zip archive: the archive and the member apart, after the path that
    // names both, so that readers that know only the path still find it.
    if (std::string archive, member; ZamraArchive::SplitMemberPath(layerPath, archive, member)) {
      node->AddAttribute(u"archive", Wide(archive.c_str()).c_str());
      node->AddAttribute(u"member", Wide(member.c_str()).c_str());
    }
    // A layer read through GDAL: its file and table apart, and its kind when the table has several.
    if (const auto* shapeLayer = dynamic_cast<CShapeLayer*>(layer); shapeLayer && shapeLayer->IsConverted()) {
      std::string source, table;
      int type = 0;
      const bool split = ZamraVectorSource::SplitLayerPath(layerPath, source, table, type);
      node->AddAttribute(u"source", Wide(split ? source.c_str() : layerPath).c_str());
      node->AddAttribute(u"table", Wide(shapeLayer->SourceTable().c_str()).c_str());
      if (split)
        node->AddAttribute(u"kind", Wide(VectorKindWord(type)).c_str());
    }
    // The code page the user chose for the layer's texts; readers that do not know it skip it,
    // and it comes after the path, which readers take from the first attribute.
    if (const unsigned codePage = GetLayerCodePage(layer); codePage != 0)
      node->AddAttribute(u"codepage", Integer(static_cast<int>(codePage)).c_str());
    AddTextChild(node, u"visible", layer->GetVisible() ? u"true" : u"false");
    AddTextChild(node, u"labelvisible", layer->GetLabelVisible() ? u"true" : u"false");
    if (ZMXmlNode* style = node->AddChild(u"layerstyle")) {
      AddTextChild(style, u"linecolor", ColorText(layer->GetLineColor()));
      AddTextChild(style, u"linewidth", Integer(layer->GetLineWidth()));
      AddTextChild(style, u"linestyle", Integer(layer->GetLineStyle()));
      AddTextChild(style, u"bkcolor", ColorText(layer->GetBkColor()));
      AddTextChild(style, u"pointindex", Integer(layer->GetPointIndex()));
    }
    if (ZMXmlNode* font = node->AddChild(u"labelfont")) {
      COLORREF color = 0;
      char face[CShapeLayer::kFaceSize] = "";
      int size = 0;
      layer->GetLabelFont(&color, face, &size);
      AddTextChild(font, u"name", Wide(face));
      AddTextChild(font, u"size", Integer(size));
      AddTextChild(font, u"color", ColorText(color));
    }
    if (ZMXmlNode* range = node->AddChild(u"scale")) {
      double minimum = 0, maximum = 0;
      layer->GetScaleRange(&minimum, &maximum);
      AddTextChild(range, u"min", Decimal(minimum));
      AddTextChild(range, u"max", Decimal(maximum));
    }
    if (CShapeLayer* held = HeldLayer(layer))
      SaveLayerExtras(*node, *held);
  }
  return document.SaveXml(path) ? 1 : 0;
}

int CMapView::LoadXml(const char* path)
{
  if (!m_model || path == nullptr)
    return 0;
  ZMXml document;
  WorkspacePlace place;
  const ZMXmlNode* layers = nullptr;
  if (!ReadWorkspace(document, path, place, layers))
    return 0;
  ForEachLayerElement(*layers, [this](const ZMXmlNode& node, const std::string& layerPath) {
    // Missing files or a path already loaded: its settings go too.
    if (ILayer* layer = AddLayer(layerPath.c_str()))
      ApplyLayerSettings(node, layer);
  });
  ApplyPlace(place);
  return 1;
}

int CMapView::BeginLoadXml(const char* path, int* firstTicket)
{
  if (firstTicket != nullptr)
    *firstTicket = 0;
  if (!m_model || path == nullptr || firstTicket == nullptr || m_workspaceLoad)
    return -1;
  try {
    auto load = std::make_unique<WorkspaceLoad>();
    load->document = std::make_unique<ZMXml>();
    const ZMXmlNode* layers = nullptr;
    if (!ReadWorkspace(*load->document, path, load->place, layers))
      return -1;
    bool begun = true;
    ForEachLayerElement(*layers, [&](const ZMXmlNode& node, const std::string& layerPath) {
      const int ticket = begun ? BeginAddLayer(layerPath.c_str()) : 0;
      begun = ticket > 0 && (load->layers.empty() || ticket == load->layers.rbegin()->first + 1);
      if (ticket > 0)
        load->layers.emplace(ticket, &node);
    });
    if (!begun) {
      // No thread, or tickets that do not follow on: the file is loaded here and now instead.
      for (const auto& [ticket, node] : load->layers)
        CancelAddLayer(ticket);
      return LoadXml(path) ? 0 : -1;
    }
    const int count = static_cast<int>(load->layers.size());
    if (count == 0) {
      ApplyPlace(load->place);
      return 0;
    }
    *firstTicket = load->layers.begin()->first;
    m_workspaceLoad = std::move(load);
    return count;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

void CMapView::ApplyPlace(const WorkspacePlace& place)
{
  if (place.hasCentre)
    SetCenter(place.x, place.y);
  if (place.scale > 0)
    SetScale(place.scale);
}

void CMapView::EndWorkspaceLayer(int ticket, ILayer* layer)
{
  if (!m_workspaceLoad)
    return;
  const auto found = m_workspaceLoad->layers.find(ticket);
  if (found == m_workspaceLoad->layers.end())
    return;
  if (layer != nullptr)
    ApplyLayerSettings(*found->second, layer);
  m_workspaceLoad->layers.erase(found);
  if (m_workspaceLoad->layers.empty()) {
    // The centre is kept within the layers' extent: it is applied once they are all in.
    const std::unique_ptr<WorkspaceLoad> done = std::move(m_workspaceLoad);
    ApplyPlace(done->place);
  }
}

void CMapView::ApplyLayerSettings(const ZMXmlNode& element, ILayer* layer)
{
  const ZMXmlNode* node = &element;
  const ZMXmlAttribute* first = node->GetAttribute();
  for (const ZMXmlAttribute* attribute = first->GetNext(); attribute != nullptr; attribute = attribute->GetNext())
    if (attribute->GetName() != nullptr && std::u16string_view(attribute->GetName()) == u"codepage") {
      const int codePage = ReadInteger(attribute->GetValue());
      if (codePage > 0)
        SetLayerCodePage(layer, static_cast<unsigned>(codePage));  // one the system lacks is ignored
    }
  layer->SetVisible(TextIs(Find(node, u"visible"), u"true") ? 1 : 0);
  layer->SetLabelVisible(TextIs(Find(node, u"labelvisible"), u"true") ? 1 : 0);
  if (const ZMXmlNode* style = Find(node, u"layerstyle")) {
    if (const ZMXmlNode* child = Find(style, u"linecolor"))
      layer->SetLineColor(ZMString::TextToColor(Narrow(child->GetText()).c_str()));
    if (const ZMXmlNode* child = Find(style, u"linewidth"))
      layer->SetLineWidth(ReadInteger(child->GetText()));
    if (const ZMXmlNode* child = Find(style, u"linestyle"))
      layer->SetLineStyle(ReadInteger(child->GetText()));
    if (const ZMXmlNode* child = Find(style, u"bkcolor"))
      layer->SetBkColor(ZMString::TextToColor(Narrow(child->GetText()).c_str()));
    if (const ZMXmlNode* child = Find(style, u"pointindex"))
      layer->SetPointIndex(ReadInteger(child->GetText()));
  }
  if (const ZMXmlNode* font = Find(node, u"labelfont")) {
    char face[CShapeLayer::kFaceSize] = "";  // a missing name keeps the layer's face
    layer->GetLabelFont(nullptr, face, nullptr);
    std::string faceName = face;
    int size = 12;
    COLORREF color = 0;
    if (const ZMXmlNode* child = Find(font, u"name"))
      faceName = Narrow(child->GetText());
    if (const ZMXmlNode* child = Find(font, u"size"))
      size = ReadInteger(child->GetText());
    if (const ZMXmlNode* child = Find(font, u"color"))
      color = ZMString::TextToColor(Narrow(child->GetText()).c_str());
    layer->SetLabelFont(color, faceName.c_str(), size);
  }
  if (const ZMXmlNode* range = Find(node, u"scale")) {
    double minimum = kDefaultLayerMinScale, maximum = kDefaultLayerMaxScale;
    if (const ZMXmlNode* child = Find(range, u"min"))
      minimum = ReadDecimal(child->GetText());
    if (const ZMXmlNode* child = Find(range, u"max"))
      maximum = ReadDecimal(child->GetText());
    layer->SetScaleRange(minimum, maximum);
  }
  if (CShapeLayer* held = HeldLayer(layer))
    LoadLayerExtras(*node, *held);
}

}  // namespace zamra::view
