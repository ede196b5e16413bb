// Private to the base library: joining and tidying paths the way the platform's shell path
// functions do, for narrow and UTF-16 text. "/" and "\" both separate; "/" is written.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace zamra_path {

template <typename Char>
bool IsSeparator(Char c)
{
  return c == Char('/') || c == Char('\\');
}

// Drops "." segments and resolves ".." against the segment before it (never above the root
// of an absolute path); keeps a leading and a trailing separator.
template <typename Char>
std::basic_string<Char> Canonical(const std::basic_string<Char>& path)
{
  using String = std::basic_string<Char>;
  const bool absolute = !path.empty() && IsSeparator(path.front());
  const bool trailing = path.size() > 1 && IsSeparator(path.back());
  std::vector<String> segments;
  String segment;
  auto flush = [&]() {
    if (segment.empty() || segment == String(1, Char('.'))) {
    } else if (segment == String(2, Char('.'))) {
      if (!segments.empty() && segments.back() != String(2, Char('.')))
        segments.pop_back();
      else if (!absolute)
        segments.push_back(segment);
    } else {
      segments.push_back(segment);
    }
    segment.clear();
  };
  for (Char c : path) {
    if (IsSeparator(c))
      flush();
    else
      segment.push_back(c);
  }
  flush();
  String result;
  if (absolute)
    result.push_back(Char('/'));
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i > 0)
      result.push_back(Char('/'));
    result += segments[i];
  }
  if (trailing && !segments.empty())
    result.push_back(Char('/'));
  return result;
}

template <typename Char>
size_t Length(const Char* text)
{
  size_t length = 0;
  while (text[length] != 0)
    ++length;
  return length;
}

// Copies `text` with its terminator into a MAX_PATH buffer; false (and an empty buffer) when
// it does not fit.
template <typename Char>
bool CopyToPathBuffer(const std::basic_string<Char>& text, Char* target)
{
  if (text.size() >= MAX_PATH) {
    target[0] = 0;
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i)
    target[i] = text[i];
  target[text.size()] = 0;
  return true;
}

// The platform's path joining: `file` alone when it is absolute or `directory` is empty,
// otherwise the two with one separator between them, then tidied. Null when both are null
// or the result does not fit in MAX_PATH characters.
template <typename Char>
Char* Combine(Char* target, const Char* directory, const Char* file)
{
  using String = std::basic_string<Char>;
  if (target == nullptr || (directory == nullptr && file == nullptr))
    return nullptr;
  const String dir = directory ? String(directory, Length(directory)) : String();
  const String name = file ? String(file, Length(file)) : String();
  String joined;
  if (dir.empty() || (!name.empty() && IsSeparator(name.front())))
    joined = name;
  else if (name.empty())
    joined = dir;
  else
    joined = dir + Char('/') + name;
  return CopyToPathBuffer(Canonical(joined), target) ? target : nullptr;
}

// The platform's path appending: `more` (its leading separators ignored) joined to `path` in
// place. Null when the result does not fit (the buffer is then left as it was).
template <typename Char>
Char* Append(Char* path, const Char* more)
{
  using String = std::basic_string<Char>;
  if (path == nullptr || more == nullptr)
    return nullptr;
  while (IsSeparator(*more))
    ++more;
  const String base(path, Length(path));
  const String joined = Canonical(base.empty() ? String(more, Length(more))
                                               : (*more ? base + Char('/') + String(more, Length(more)) : base));
  if (joined.size() >= MAX_PATH)
    return nullptr;
  CopyToPathBuffer(joined, path);
  return path;
}

}  // namespace zamra_path
