// Fuzzes ZMXml::LoadXml over a memory buffer. Whatever loads must also save and load again
// with the same structure: a saved file is always well-formed.
// SPDX-License-Identifier: MIT
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "api/base/xml.h"

namespace {

bool SameStructure(const ZMXmlNode* a, const ZMXmlNode* b)
{
  if (a == nullptr || b == nullptr)
    return a == b;
  if (std::u16string(a->GetName()) != std::u16string(b->GetName()) || a->GetChildCount() != b->GetChildCount() ||
      a->GetAttributeCount() != b->GetAttributeCount())
    return false;
  for (const ZMXmlAttribute *x = a->GetAttribute(), *y = b->GetAttribute(); x != nullptr;
       x = x->GetNext(), y = y->GetNext())
    if (std::u16string(x->GetName()) != std::u16string(y->GetName()) ||
        std::u16string(x->GetValue()) != std::u16string(y->GetValue()))
      return false;
  for (const ZMXmlNode *x = a->GetChild(), *y = b->GetChild(); x != nullptr; x = x->GetNext(), y = y->GetNext())
    if (!SameStructure(x, y))
      return false;
  return true;
}

std::string SavePath()
{
  const char* directory = std::getenv("TMPDIR");
  return std::string(directory ? directory : "/tmp") + "/fuzz_xml_load." + std::to_string(::getpid()) + ".xml";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size > 1 << 20)
    return 0;
  ZMXml document;
  if (!document.LoadXml(reinterpret_cast<const char*>(data), static_cast<int>(size)))
    return 0;
  static const std::string path = SavePath();
  if (!document.SaveXml(path.c_str()))
    std::abort();  // a loaded tree always has valid names and characters
  ZMXml reloaded;
  if (!reloaded.LoadXml(path.c_str()) || !SameStructure(document.GetRootNode(), reloaded.GetRootNode()))
    std::abort();
  std::remove(path.c_str());
  return 0;
}
