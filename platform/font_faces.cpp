// Font faces through fontconfig.
// SPDX-License-Identifier: MIT
#include "platform/font_faces.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace zamra::platform {

namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

}  // namespace

std::string SansSerifFace(const char* language)
{
  Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
  if (!pattern)
    return std::string();
  if (language != nullptr && *language != '\0')
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>(language));
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* family = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch || family == nullptr)
    return std::string();
  return std::string(reinterpret_cast<const char*>(family));
}

bool IsFaceInstalled(const char* family)
{
  if (family == nullptr || *family == '\0')
    return false;
  Pattern pattern(FcPatternCreate());
  if (!pattern)
    return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern.get(), objects);
  const bool installed = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr)
    FcFontSetDestroy(fonts);
  if (objects != nullptr)
    FcObjectSetDestroy(objects);
  return installed;
}

}  // namespace zamra::platform
