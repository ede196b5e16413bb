// ZMCode93: the module pattern of a Code 93 barcode for a text, and its drawing with a caption.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// Code 93 barcodes: the module pattern of a text and its drawing.
class ZAMRA_API ZMCode93 {
public:
  ZMCode93();
  virtual ~ZMCode93();
  ZMCode93(const ZMCode93& other);
  ZMCode93& operator=(const ZMCode93& other);

  // Builds the module string ('1' bar, '0' space) of start pattern, the text's characters
  // (upper-cased first), the check characters C and K, stop pattern and termination bar;
  // gives the module count, 9 x length + 37. A character outside the 43 encodable ones (or
  // a null text) gives -1; the modules written before it are kept and count as the barcode.
  int Encode(const char* text);

  // The value of a character (0 to 42 for '0'-'9', 'A'-'Z', '-', '.', ' ', '$', '/', '+',
  // '%'), or -1.
  int GetCharIndex(int ch);

  // The check values over `length` characters of `text`: C with weights 1 to 20 from the
  // last character backwards, K with C weighted 1 and the characters 2 to 15, both cycling,
  // modulo 47. -1 when a character is outside the table.
  int GetCheckCValue(char* text, int length);
  int GetCheckKValue(char* text, int length, int c);

  // Draws the last encoded barcode with its top-left at (x, y): each module a black or white
  // rectangle moduleWidth wide and height tall; when x > 0 also the caption "编号：" and the
  // text in the rectangle below it, height / 2 tall, in the context's font and text colour.
  // Leaves the context's background colour and mode as the drawing set them.
  void Draw(HDC dc, int x, int y, int moduleWidth, int height);

private:
  struct CodeEntry {
    char character;    // 0 for the four shift characters, which no text character matches
    char pattern[10];  // 9 modules and a terminator
  };

  void CopyFrom(const ZMCode93& other);

  CodeEntry m_table[47];
  char m_start[10];
  char m_stop[11];  // stop pattern and termination bar
  char* m_text;     // upper-cased text of the last Encode (owned)
  char* m_modules;  // module string of the last Encode (owned, zero-terminated)
  int m_moduleCount;
};
