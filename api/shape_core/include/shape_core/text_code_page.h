// Private: the code page of a shapefile's attribute texts, and their conversion to UTF-8 where
// they leave for the screen or a terminal. The tables keep the file's own bytes; only readers
// that show text convert it. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zamra::shape {

// The code page a .cpg file's text names ("UTF-8", "utf8", "936", "CP936", "GBK", "GB18030",
// "Big5", "CP932", "Shift_JIS", "EUC-KR", "ISO-8859-1", "1252", "ANSI 1252", "Windows-1252",
// ...), or 0 when it names none that is known.
unsigned CodePageOfName(const std::string& name);

// The code page of a dBASE language-driver byte (offset 29 of a .dbf), or 0 for none.
unsigned CodePageOfLanguageDriver(unsigned char driver);

// Where a table's code page was found.
enum class CodePageSource { CpgFile, LanguageDriver, Process };

// The code page of the texts in `dbfPath`: its .cpg first, then its language-driver byte, and
// otherwise 0, the process's code page (with its override setting).
unsigned TableCodePage(const std::string& dbfPath, CodePageSource* source = nullptr);
// The same for a table held in memory: `cpgText` (empty for no .cpg) first, then the
// language-driver byte of the `dbfSize` bytes at `dbf`.
unsigned TableCodePageOf(const std::string& cpgText, const unsigned char* dbf, std::int64_t dbfSize);

// `length` bytes of text in `codePage` (0: the process's) as UTF-8; bytes that are not valid
// in the code page become U+FFFD.
std::string TextToUtf8(const char* text, std::size_t length, unsigned codePage);

// Copies UTF-8 text into a field of `size` bytes, cut at a character boundary so that the field
// holds at most size - 1 bytes and a terminator.
void CopyUtf8Cut(char* field, std::size_t size, const std::string& text);

// How many columns `text` (UTF-8) takes on screen: East Asian wide characters take two, others
// one, as their byte count in a double-byte code page would give.
int Utf8DisplayWidth(const char* text);

}  // namespace zamra::shape
