// The label column and thematic style of a layer in the workspace file.
// SPDX-License-Identifier: MIT
#include "window/layer_workspace_extras.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>  // newlocale, strtod_l: numbers in files ignore the user's locale
#include <string>
#include <string_view>

#include "api/base/string.h"
#include "api/base/xml.h"
#include "platform/code_page.h"
#include "layers/shape_layer.h"

namespace zamra::view {

namespace {

constexpr const char16_t* kLabelColumn = u"labelcolumn";
constexpr const char16_t* kThematic = u"thematic";
constexpr const char16_t* kEntry = u"entry";
constexpr int kColumnNameSize = 40;  // a column name takes 40 bytes

// Column names are bytes of the process's code page, as paths are in this file; category values
// are the table's texts, already UTF-8.
std::u16string FromAnsi(const std::string& text) { return ToUtf16(text, CP_ACP); }
std::string ToAnsi(const char16_t* text) { return text ? FromUtf16(text, CP_ACP) : std::string(); }
std::u16string FromUtf8(const std::string& text) { return ToUtf16(text, CP_UTF8); }
std::string ToUtf8(const char16_t* text) { return text ? FromUtf16(text, CP_UTF8) : std::string(); }

std::u16string ColorText(COLORREF color)
{
  return FromAnsi(std::to_string(GetRValue(color)) + "," + std::to_string(GetGValue(color)) + "," +
                  std::to_string(GetBValue(color)));
}

COLORREF ReadColor(const char16_t* text) { return ZMString::TextToColor(ToAnsi(text).c_str()); }

// The shortest text that reads back as the same double, with a point whatever the locale.
std::u16string NumberText(double value)
{
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return FromAnsi(std::string(buffer, result.ptr));
}

bool ReadNumber(const char16_t* text, double& value)
{
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (text == nullptr)
    return false;
  const std::string narrow = ToAnsi(text);
  char* end = nullptr;
  value = strtod_l(narrow.c_str(), &end, c);
  return end != narrow.c_str();
}

int ReadInteger(const char16_t* text)
{
  return text ? static_cast<int>(std::strtol(ToAnsi(text).c_str(), nullptr, 10)) : 0;
}

const char16_t* AttributeOf(const ZMXmlNode& node, const char16_t* name)
{
  for (const ZMXmlAttribute* attribute = node.GetAttribute(); attribute != nullptr; attribute = attribute->GetNext())
    if (attribute->GetName() != nullptr && std::u16string_view(attribute->GetName()) == name)
      return attribute->GetValue();
  return nullptr;
}

std::string ColumnName(CShapeLayer& layer, int column)
{
  char type = 0, flag = 0;
  int length = 0;
  char name[kColumnNameSize] = "";
  layer.LayerDataView()->GetColumn(column, type, length, name, nullptr, flag);
  name[kColumnNameSize - 1] = '\0';
  return name;
}

// The first column of that name, or -1.
int ColumnNamed(CShapeLayer& layer, const std::string& name)
{
  if (layer.LayerDataView() == nullptr)
    return -1;
  for (int column = 0; column < layer.LayerDataView()->GetColumnCount(); ++column)
    if (ColumnName(layer, column) == name)
      return column;
  return -1;
}

const char16_t* ModeName(int mode) { return mode == ZMThematicStyle::kClasses ? u"classes" : u"categories"; }

}  // namespace

void SaveLayerExtras(ZMXmlNode& node, CShapeLayer& layer)
{
  if (layer.LayerDataView() == nullptr)
    return;
  if (const int column = layer.LabelColumn(); column != layer.DefaultLabelColumn())
    node.AddAttribute(kLabelColumn, column >= 0 ? FromAnsi(ColumnName(layer, column)).c_str() : u"");
  const ZMThematicStyle& style = layer.Thematic().Style();
  if (!layer.Thematic().IsActive())
    return;
  ZMXmlNode* thematic = node.AddChild(kThematic);
  if (thematic == nullptr)
    return;
  thematic->AddAttribute(u"mode", ModeName(style.mode));
  thematic->AddAttribute(u"column", FromAnsi(ColumnName(layer, style.column)).c_str());
  thematic->AddAttribute(u"method", FromAnsi(std::to_string(style.method)).c_str());
  thematic->AddAttribute(u"palette", FromAnsi(style.palette).c_str());
  if (style.hasOther)
    thematic->AddAttribute(u"other", ColorText(style.otherColor).c_str());
  if (style.hasNull)
    thematic->AddAttribute(u"null", ColorText(style.nullColor).c_str());
  for (const ZMThematicEntry& entry : style.entries) {
    ZMXmlNode* child = thematic->AddChild(kEntry);
    if (child == nullptr)
      return;
    if (style.mode == ZMThematicStyle::kCategories) {
      child->AddAttribute(u"value", FromUtf8(entry.value).c_str());
    } else {
      child->AddAttribute(u"lower", NumberText(entry.lower).c_str());
      child->AddAttribute(u"upper", NumberText(entry.upper).c_str());
    }
    child->AddAttribute(u"color", ColorText(entry.color).c_str());
  }
}

void LoadLayerExtras(const ZMXmlNode& node, CShapeLayer& layer)
{
  if (layer.LayerDataView() == nullptr)
    return;
  if (const char16_t* name = AttributeOf(node, kLabelColumn)) {
    if (*name == u'\0') {
      layer.SetLabelColumn(-1);
    } else if (const int column = ColumnNamed(layer, ToAnsi(name)); column >= 0) {
      layer.SetLabelColumn(column);
    }
  }
  const ZMXmlNode* thematic = nullptr;
  for (const ZMXmlNode* child = node.GetChild(); child != nullptr; child = child->GetNext())
    if (child->GetName() != nullptr && std::u16string_view(child->GetName()) == kThematic)
      thematic = child;
  if (thematic == nullptr)
    return;
  ZMThematicStyle style;
  const char16_t* mode = AttributeOf(*thematic, u"mode");
  if (mode == nullptr)
    return;
  const std::u16string_view modeName(mode);
  if (modeName == u"classes")
    style.mode = ZMThematicStyle::kClasses;
  else if (modeName == u"categories")
    style.mode = ZMThematicStyle::kCategories;
  else
    return;  // a kind this program does not know
  style.column = ColumnNamed(layer, ToAnsi(AttributeOf(*thematic, u"column")));
  style.method = ReadInteger(AttributeOf(*thematic, u"method"));
  style.palette = ToAnsi(AttributeOf(*thematic, u"palette"));
  if (const char16_t* other = AttributeOf(*thematic, u"other")) {
    style.hasOther = true;
    style.otherColor = ReadColor(other);
  }
  if (const char16_t* null = AttributeOf(*thematic, u"null")) {
    style.hasNull = true;
    style.nullColor = ReadColor(null);
  }
  for (const ZMXmlNode* child = thematic->GetChild(); child != nullptr; child = child->GetNext()) {
    if (child->GetName() == nullptr || std::u16string_view(child->GetName()) != kEntry)
      continue;  // not ours to read
    if (style.entries.size() >= static_cast<size_t>(ZMThematicStyle::kMaxCategories))
      return;  // more entries than a style holds: the file was not written by us
    ZMThematicEntry entry;
    entry.color = ReadColor(AttributeOf(*child, u"color"));
    if (style.mode == ZMThematicStyle::kCategories) {
      entry.value = ToUtf8(AttributeOf(*child, u"value"));
    } else if (!ReadNumber(AttributeOf(*child, u"lower"), entry.lower) ||
               !ReadNumber(AttributeOf(*child, u"upper"), entry.upper)) {
      return;  // a class without bounds: the style is not taken
    }
    style.entries.push_back(std::move(entry));
  }
  layer.Thematic().Apply(*layer.LayerDataView(), style);  // refused when the table cannot take it
}

}  // namespace zamra::view
