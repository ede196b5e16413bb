// The table of the program's embedded images.
// SPDX-License-Identifier: MIT
#include "platform/resources.h"

#include <map>
#include <mutex>

#include <QImage>

#include "platform/gdi.h"

namespace {

std::mutex g_resourceMutex;

std::map<UINT, QImage>& Resources()
{
  static auto* resources = new std::map<UINT, QImage>();
  return *resources;
}

}  // namespace

void RegisterBitmapResource(UINT id, const QImage& image)
{
  std::lock_guard<std::mutex> lock(g_resourceMutex);
  if (image.isNull())
    Resources().erase(id);
  else
    Resources()[id] = image;
}

HBITMAP LoadBitmapResource(HINSTANCE /*instance*/, UINT id)
{
  QImage image;
  {
    std::lock_guard<std::mutex> lock(g_resourceMutex);
    const auto found = Resources().find(id);
    if (found == Resources().end())
      return nullptr;
    image = found->second;
  }
  return CreateBitmapFromImage(image);
}
