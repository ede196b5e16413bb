// ZMStringSplit: cuts a narrow string at a separator character into tokens.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "api/zamra_api_export.h"

/// Cuts a narrow string at a separator character into tokens.
class ZAMRA_API ZMStringSplit {
public:
  ZMStringSplit() = default;
  virtual ~ZMStringSplit();
  // Refused: the tokens point into the owned copy of the text.
  ZMStringSplit(const ZMStringSplit&) = delete;
  ZMStringSplit& operator=(const ZMStringSplit&) = delete;

  // Replaces the earlier tokens by those of `text`: n separators always give n + 1 tokens,
  // empty ones included; no quoting, escaping or trimming. A zero separator gives the whole
  // text as one token, and a null text gives no tokens. False only when memory runs out (then
  // there are no tokens).
  bool Split(const char* text, char separator);

  // The number of tokens (0 before the first split).
  int GetCount() const;

  // The token at `index` (0-based, below GetCount()), zero-terminated. It is owned by the
  // splitter and lives until the next Split or its destruction. Null for an index out of range.
  char* GetAt(int index) const;

private:
  void Clear();

  char* m_text = nullptr;       // owned copy, separators overwritten by zero bytes
  std::vector<char*> m_tokens;  // starts of the tokens inside m_text
};
