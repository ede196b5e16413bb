// The XML document model: Expat builds the tree; the writer escapes what XML needs escaped.
// SPDX-License-Identifier: MIT
#include "api/base/xml.h"

#include <algorithm>  // max
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>  // move

#include <expat.h>

#include "api/base/file.h"
#include "base/replacement_file.h"
#include "platform/file_io.h"

static_assert(sizeof(XML_Char) == sizeof(WCHAR), "Expat must be built for UTF-16 (XML_UNICODE)");

namespace {

size_t LengthOf(const WCHAR* text)
{
  size_t length = 0;
  while (text[length] != 0)
    ++length;
  return length;
}

// A zero-filled copy with its terminator, or null when memory runs out.
WCHAR* CopyString(const WCHAR* text, size_t length)
{
  auto* copy = new (std::nothrow) WCHAR[length + 1]();
  if (copy != nullptr && length > 0)
    std::memcpy(copy, text, length * sizeof(WCHAR));
  return copy;
}

// Replaces *slot by a copy of `text` (null unsets); keeps the old string when memory runs out.
bool ReplaceString(WCHAR*& slot, const WCHAR* text)
{
  WCHAR* copy = nullptr;
  if (text != nullptr) {
    copy = CopyString(text, LengthOf(text));
    if (copy == nullptr)
      return false;
  }
  delete[] slot;
  slot = copy;
  return true;
}

bool Equal(const WCHAR* a, const WCHAR* b)
{
  if (a == nullptr || b == nullptr)
    return false;
  while (*a != 0 && *a == *b)
    ++a, ++b;
  return *a == *b;
}

void CopyOut(WCHAR* target, const WCHAR* text)
{
  if (target == nullptr)
    return;
  const size_t length = text ? LengthOf(text) : 0;
  if (length > 0)
    std::memcpy(target, text, length * sizeof(WCHAR));
  target[length] = 0;
}

// ---- What a well-formed file may hold ----

// Decodes the code point at text[i], advancing i; 0xFFFFFFFF for a lone surrogate.
char32_t NextCodePoint(const WCHAR* text, size_t& i)
{
  const char32_t unit = text[i++];
  if (unit >= 0xD800 && unit <= 0xDBFF && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
  if (unit >= 0xD800 && unit <= 0xDFFF)
    return 0xFFFFFFFF;
  return unit;
}

bool IsAsciiNameStart(WCHAR c) { return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsAsciiNameChar(WCHAR c) { return IsAsciiNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9'); }

// Whether the parser that loads our files takes `name` as an element name. Outside ASCII its
// rules are not the current XML edition's (it takes U+00AA, refuses some newer letters), and a
// tree that loaded must save while a saved file must load: so the parser itself is asked.
bool ParserAcceptsName(std::u16string_view name)
{
  std::u16string document = u"\uFEFF<";
  document.append(name);
  document.append(u"/>");
  std::string bytes(document.size() * 2, '\0');
  for (size_t i = 0; i < document.size(); ++i) {
    bytes[2 * i] = static_cast<char>(document[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(document[i] >> 8);
  }
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr)
    return false;
  const bool accepted = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return accepted;
}

bool IsXmlChar(char32_t c)
{
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// ---- The writer ----

class DocumentWriter final {
public:
  bool Ok() const { return m_ok; }
  std::u16string& Text() { return m_text; }

  void Raw(const char* ascii)
  {
    while (*ascii != '\0')
      m_text.push_back(static_cast<char16_t>(*ascii++));
  }

  void Name(const WCHAR* name)
  {
    if (!IsValidName(name)) {
      m_ok = false;
      return;
    }
    m_text.append(name);
  }

  // ASCII names are decided here; others by the parser, once per distinct name. An ASCII
  // character inside such a name must still be a name character, so that no space, quote or
  // bracket can slip through the parser's test as markup of its own.
  bool IsValidName(const WCHAR* name)
  {
    if (name == nullptr || name[0] == 0)
      return false;
    const std::u16string_view view(name);
    bool ascii = true;
    for (size_t i = 0; i < view.size();) {
      const WCHAR unit = name[i];
      if (unit < 0x80) {
        if (!(i == 0 ? IsAsciiNameStart(unit) : IsAsciiNameChar(unit)))
          return false;
        ++i;
      } else {
        ascii = false;
        if (NextCodePoint(name, i) == 0xFFFFFFFF)
          return false;  // a lone surrogate
      }
    }
    if (ascii)
      return true;
    std::u16string key(view);
    if (m_acceptedNames.count(key) != 0)
      return true;
    if (!ParserAcceptsName(view))
      return false;
    m_acceptedNames.insert(std::move(key));
    return true;
  }

  // Text content keeps TAB and LF as they are; CR would come back as LF, so it is a reference.
  // In attribute values TAB, LF and CR would come back as spaces, so they are references too.
  void Escaped(const WCHAR* text, bool inAttribute)
  {
    size_t i = 0;
    while (text[i] != 0) {
      const size_t start = i;
      const char32_t c = NextCodePoint(text, i);
      if (!IsXmlChar(c)) {
        m_ok = false;
        return;
      }
      switch (c) {
      case '<':
        Raw("&lt;");
        break;
      case '>':
        Raw("&gt;");
        break;
      case '&':
        Raw("&amp;");
        break;
      case '"':
        inAttribute ? Raw("&quot;") : Raw("\"");
        break;
      case '\r':
        Raw("&#13;");
        break;
      case '\t':
        inAttribute ? Raw("&#9;") : Raw("\t");
        break;
      case '\n':
        inAttribute ? Raw("&#10;") : Raw("\n");
        break;
      default:
        m_text.append(text + start, i - start);
        break;
      }
    }
  }

  void Tabs(int depth) { m_text.append(static_cast<size_t>(depth > 0 ? depth : 0), u'\t'); }

  void Attributes(const ZMXmlAttribute* first)
  {
    int count = 0;
    for (const ZMXmlAttribute* a = first; a != nullptr; a = a->GetNext()) {
      Raw("  ");
      Name(a->GetName());
      Raw("=\"");
      if (a->GetValue() != nullptr)
        Escaped(a->GetValue(), true);
      Raw("\"");
      ++count;
    }
    if (m_ok && count > 1 && !NamesAreDistinct(first, count))
      m_ok = false;  // a repeated attribute name makes the file unreadable
  }

  // Start tag and text; answers whether the element stays open (needs an end tag).
  bool Enter(const ZMXmlNode* node, int depth)
  {
    Tabs(depth);
    Raw("<");
    Name(node->GetName());
    Attributes(node->GetAttribute());
    if (node->GetChild() == nullptr && node->GetText() == nullptr) {
      Raw(" />\r\n");
      return false;
    }
    Raw(">");
    if (node->GetText() != nullptr)
      Escaped(node->GetText(), false);
    if (node->GetChild() != nullptr)
      Raw("\r\n");
    return true;
  }

  void Leave(const ZMXmlNode* node, int depth)
  {
    if (node->GetChild() == nullptr && node->GetText() == nullptr)
      return;  // written self-closing
    if (node->GetChild() != nullptr)
      Tabs(depth);
    Raw("</");
    m_text.append(node->GetName() ? node->GetName() : u"");
    Raw(">\r\n");
  }

  // Pre-order walk without recursion, so that a deep tree cannot exhaust the stack.
  void Subtree(const ZMXmlNode* top, int depth)
  {
    const ZMXmlNode* node = top;
    for (;;) {
      Enter(node, depth);
      if (!m_ok)
        return;
      if (node->GetChild() != nullptr) {
        node = node->GetChild();
        ++depth;
        continue;
      }
      Leave(node, depth);
      for (;;) {
        if (node == top)
          return;
        if (node->GetNext() != nullptr) {
          node = node->GetNext();
          break;
        }
        node = node->GetParent();
        --depth;
        Leave(node, depth);
      }
    }
  }

private:
  static bool NamesAreDistinct(const ZMXmlAttribute* first, int count)
  {
    std::unordered_set<std::u16string_view> seen;
    seen.reserve(static_cast<size_t>(count));
    for (const ZMXmlAttribute* a = first; a != nullptr; a = a->GetNext())
      if (!seen.insert(std::u16string_view(a->GetName())).second)
        return false;
    return true;
  }

  std::u16string m_text;
  std::unordered_set<std::u16string> m_acceptedNames;
  bool m_ok = true;
};

std::string LittleEndianBytes(const std::u16string& text)
{
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

bool WriteAll(HANDLE file, const std::string& bytes)
{
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

class HandleCloser final {
public:
  explicit HandleCloser(HANDLE handle) : m_handle(handle) {}
  ~HandleCloser()
  {
    if (m_handle != INVALID_HANDLE_VALUE)
      CloseHandle(m_handle);
  }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;
  HANDLE Get() const { return m_handle; }

private:
  HANDLE m_handle;
};

}  // namespace

// ---- ZMXmlAttribute ----

ZMXmlAttribute::~ZMXmlAttribute()
{
  delete[] m_name;
  delete[] m_value;
}

void ZMXmlAttribute::GetValue(WCHAR* nameOut, WCHAR* valueOut) const
{
  CopyOut(nameOut, m_name);
  CopyOut(valueOut, m_value);
}

void ZMXmlAttribute::SetName(const WCHAR* name) { ReplaceString(m_name, name); }

void ZMXmlAttribute::SetValue(const WCHAR* value) { ReplaceString(m_value, value); }

void ZMXmlAttribute::SetValue(const WCHAR* name, const WCHAR* value)
{
  ReplaceString(m_name, name);
  ReplaceString(m_value, value);
}

// ---- ZMXmlNode ----

ZMXmlNode::~ZMXmlNode()
{
  delete[] m_text;
  delete[] m_name;
  // Descendants are freed from a list threaded through their own sibling links, so a deep
  // tree is freed without recursion and without allocating.
  ZMXmlNode* pending = m_child;
  while (pending != nullptr) {
    ZMXmlNode* node = pending;
    pending = node->m_next;
    if (node->m_child != nullptr) {
      ZMXmlNode* last = node->m_child;
      while (last->m_next != nullptr)
        last = last->m_next;
      last->m_next = pending;
      pending = node->m_child;
      node->m_child = nullptr;
    }
    delete node;
  }
  m_child = nullptr;
  m_childCount = 0;
  while (m_attribute != nullptr) {
    ZMXmlAttribute* next = m_attribute->GetNext();
    delete m_attribute;
    m_attribute = next;
  }
  m_attributeCount = 0;
}

void ZMXmlNode::SetName(const WCHAR* name) { ReplaceString(m_name, name); }

void ZMXmlNode::SetText(const WCHAR* text) { ReplaceString(m_text, text); }

ZMXmlNode* ZMXmlNode::AddChild(const WCHAR* name)
{
  auto* node = new (std::nothrow) ZMXmlNode;
  if (node == nullptr)
    return nullptr;
  if (name != nullptr && !ReplaceString(node->m_name, name)) {
    delete node;
    return nullptr;
  }
  node->m_parent = this;
  ++m_childCount;
  if (m_child == nullptr) {
    m_child = node;
  } else {
    ZMXmlNode* last = m_lastChild != nullptr ? m_lastChild : m_child;
    while (last->m_next != nullptr)
      last = last->m_next;
    last->m_next = node;
  }
  m_lastChild = node;
  return node;
}

ZMXmlAttribute* ZMXmlNode::AddAttribute(const WCHAR* name, const WCHAR* value)
{
  auto* attribute = new (std::nothrow) ZMXmlAttribute;
  if (attribute == nullptr)
    return nullptr;
  if ((name != nullptr && !ReplaceString(attribute->m_name, name)) ||
      (value != nullptr && !ReplaceString(attribute->m_value, value))) {
    delete attribute;
    return nullptr;
  }
  ++m_attributeCount;
  if (m_attribute == nullptr) {
    m_attribute = attribute;
  } else {
    ZMXmlAttribute* last = m_lastAttribute != nullptr ? m_lastAttribute : m_attribute;
    while (last->GetNext() != nullptr)
      last = last->GetNext();
    last->SetNext(attribute);
  }
  m_lastAttribute = attribute;
  return attribute;
}

ZMXmlNode* ZMXmlNode::SearchNodeByTagName(const WCHAR* name, WCHAR* textOut) const
{
  if (textOut != nullptr)
    textOut[0] = 0;
  // Pre-order walk through child, sibling and parent links, without recursion.
  const ZMXmlNode* node = this;
  for (;;) {
    if (Equal(node->m_name, name)) {
      CopyOut(textOut, node->m_text);
      return const_cast<ZMXmlNode*>(node);
    }
    if (node->m_child != nullptr) {
      node = node->m_child;
      continue;
    }
    while (node != this && node->m_next == nullptr)
      node = node->m_parent;
    if (node == this)
      return nullptr;
    node = node->m_next;
  }
}

ZMXmlAttribute* ZMXmlNode::SearchAttributeByName(const WCHAR* name, WCHAR* valueOut) const
{
  if (valueOut != nullptr)
    valueOut[0] = 0;
  for (ZMXmlAttribute* attribute = m_attribute; attribute != nullptr; attribute = attribute->GetNext()) {
    if (Equal(attribute->GetName(), name)) {
      CopyOut(valueOut, attribute->GetValue());
      return attribute;
    }
  }
  return nullptr;
}

bool ZMXmlNode::Save(void* fileHandle, int depth) const
{
  try {
    DocumentWriter writer;
    writer.Subtree(this, depth);
    return writer.Ok() && WriteAll(fileHandle, LittleEndianBytes(writer.Text()));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ZMXmlNode::SaveXml(const char* path) const
{
  try {
    DocumentWriter writer;
    writer.Raw("<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n");
    writer.Subtree(this, 0);
    if (!writer.Ok())
      return false;  // checked before the disk is touched
    const std::string bytes = "\xFF\xFE" + LittleEndianBytes(writer.Text());
    return zamra::base::ReplaceFileContents(path, bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// ---- ZMXml ----

// Expat's callbacks, with the parser at hand to stop it when a node cannot be built.
struct ZMXmlParseHandlers {
  ZMXml* document;
  XML_Parser parser;

  static void Start(void* userData, const XML_Char* name, const XML_Char** attributes)
  {
    auto* self = static_cast<ZMXmlParseHandlers*>(userData);
    const auto* wideName = reinterpret_cast<const WCHAR*>(name);
    const auto** wideAttributes = reinterpret_cast<const WCHAR**>(attributes);
    bool whole = HasWholePairs(wideName, LengthOf(wideName));
    for (int i = 0; whole && wideAttributes[i] != nullptr; ++i)
      whole = HasWholePairs(wideAttributes[i], LengthOf(wideAttributes[i]));
    if (!whole)
      return self->Stop();
    self->document->OnStartElement(wideName, wideAttributes);
    self->StopWhenRefused();
  }
  static void End(void* userData, const XML_Char* name)
  {
    static_cast<ZMXmlParseHandlers*>(userData)->document->OnEndElement(reinterpret_cast<const WCHAR*>(name));
  }
  static void Characters(void* userData, const XML_Char* characters, int count)
  {
    auto* self = static_cast<ZMXmlParseHandlers*>(userData);
    const auto* text = reinterpret_cast<const WCHAR*>(characters);
    if (count > 0 && !HasWholePairs(text, static_cast<size_t>(count)))
      return self->Stop();
    self->document->OnParseCharacterData(text, count);
    self->StopWhenRefused();
  }

  // Expat takes a high surrogate and whatever unit follows as one character.
  static bool HasWholePairs(const WCHAR* text, size_t length)
  {
    for (size_t i = 0; i < length; ++i) {
      if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        ++i;
      else if (text[i] >= 0xD800 && text[i] <= 0xDFFF)
        return false;
    }
    return true;
  }
  void Stop()
  {
    document->m_stopped = true;
    XML_StopParser(parser, XML_FALSE);
  }
  void StopWhenRefused()
  {
    if (document->m_stopped)
      XML_StopParser(parser, XML_FALSE);
  }
};

ZMXml::ZMXml(const WCHAR* rootName)
{
  m_root = new (std::nothrow) ZMXmlNode;
  if (m_root != nullptr)
    m_root->SetName(rootName);
  m_current = m_root;
}

ZMXml::~ZMXml() { delete m_root; }

bool ZMXml::LoadXml(const char* path)
{
  HandleCloser file(ZMFile::OpenForRead(path));
  if (file.Get() == INVALID_HANDLE_VALUE)
    return false;
  std::int64_t size = 0;
  if (!GetFileSizeEx(file.Get(), &size) || size > INT_MAX)
    return false;
  auto* buffer = new (std::nothrow) char[static_cast<size_t>(size) + 1];
  if (buffer == nullptr)
    return false;
  DWORD read = 0;
  ReadFile(file.Get(), buffer, static_cast<DWORD>(size), &read, nullptr);  // a short read parses what came
  const bool parsed = LoadXml(buffer, static_cast<int>(read));
  delete[] buffer;
  return parsed;
}

bool ZMXml::LoadXml(const char* buffer, int length)
{
  if (length < 0 || (buffer == nullptr && length > 0))
    return false;
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr)
    return false;
  ZMXmlParseHandlers handlers{this, parser};
  XML_SetUserData(parser, &handlers);
  XML_SetElementHandler(parser, &ZMXmlParseHandlers::Start, &ZMXmlParseHandlers::End);
  XML_SetCharacterDataHandler(parser, &ZMXmlParseHandlers::Characters);
  m_stopped = false;
  m_textRunOpen = false;
  const bool parsed = XML_Parse(parser, buffer, length, XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return parsed && !m_stopped;
}

void ZMXml::OnStartElement(const WCHAR* name, const WCHAR** attributes)
{
  ZMXmlNode* node = nullptr;
  if (m_current == nullptr) {
    // A new top element after a completed load replaces the earlier tree rather than leak it.
    delete m_root;
    m_root = nullptr;
    node = new (std::nothrow) ZMXmlNode;
    if (node != nullptr && name != nullptr && !ReplaceString(node->m_name, name)) {
      delete node;
      node = nullptr;
    }
    m_root = node;
  } else {
    node = m_current->AddChild(name);
  }
  if (node == nullptr) {
    m_stopped = true;
    return;
  }
  m_current = node;
  m_textRunOpen = false;
  for (int i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2) {
    if (node->AddAttribute(attributes[i], attributes[i + 1]) == nullptr) {
      m_stopped = true;
      return;
    }
  }
}

void ZMXml::OnEndElement(const WCHAR* /*name*/)
{
  m_textRunOpen = false;
  if (m_current != nullptr)
    m_current = m_current->GetParent();
}

void ZMXml::OnParseCharacterData(const WCHAR* characters, int count)
{
  if (m_current == nullptr || characters == nullptr || count < 0)
    return;
  // The parser hands one run of text over in pieces (at every reference and line break):
  // the pieces of a run are joined, and a new run replaces the earlier one. The block grows
  // by doubling, so that a run of many references costs linear time.
  const size_t kept = m_textRunOpen && m_current->m_text != nullptr ? m_runLength : 0;
  const size_t needed = kept + static_cast<size_t>(count) + 1;
  WCHAR* text = m_current->m_text;
  if (kept == 0 || needed > m_runCapacity) {
    const size_t capacity = kept == 0 ? needed : std::max(needed, 2 * m_runCapacity);
    text = new (std::nothrow) WCHAR[capacity];
    if (text == nullptr) {
      m_stopped = true;
      return;
    }
    if (kept > 0)
      std::memcpy(text, m_current->m_text, kept * sizeof(WCHAR));
    delete[] m_current->m_text;
    m_current->m_text = text;
    m_runCapacity = capacity;
  }
  if (count > 0)
    std::memcpy(text + kept, characters, static_cast<size_t>(count) * sizeof(WCHAR));
  text[kept + static_cast<size_t>(count)] = 0;
  m_runLength = kept + static_cast<size_t>(count);
  m_textRunOpen = true;
}

ZMXmlNode* ZMXml::SearchNodeByTagName(const WCHAR* name) const
{
  return m_root != nullptr ? m_root->SearchNodeByTagName(name, nullptr) : nullptr;
}

bool ZMXml::SaveXml(const char* path) const { return m_root != nullptr && m_root->SaveXml(path); }
