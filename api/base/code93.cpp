// ZMCode93: Code 93 module patterns and drawing.
// SPDX-License-Identifier: MIT
#include "api/base/code93.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/code_page.h"
#include "platform/gdi.h"

namespace {

// The published Code 93 table in value order; the last four are the shift characters.
const struct {
  char character;
  const char* pattern;
} kCode93Table[47] = {
    {'0', "100010100"}, {'1', "101001000"}, {'2', "101000100"}, {'3', "101000010"}, {'4', "100101000"},
    {'5', "100100100"}, {'6', "100100010"}, {'7', "101010000"}, {'8', "100010010"}, {'9', "100001010"},
    {'A', "110101000"}, {'B', "110100100"}, {'C', "110100010"}, {'D', "110010100"}, {'E', "110010010"},
    {'F', "110001010"}, {'G', "101101000"}, {'H', "101100100"}, {'I', "101100010"}, {'J', "100110100"},
    {'K', "100011010"}, {'L', "101011000"}, {'M', "101001100"}, {'N', "101000110"}, {'O', "100101100"},
    {'P', "100010110"}, {'Q', "110110100"}, {'R', "110110010"}, {'S', "110101100"}, {'T', "110100110"},
    {'U', "110010110"}, {'V', "110011010"}, {'W', "101101100"}, {'X', "101100110"}, {'Y', "100110110"},
    {'Z', "100111010"}, {'-', "100101110"}, {'.', "111010100"}, {' ', "111010010"}, {'$', "111001010"},
    {'/', "101101110"}, {'+', "101110110"}, {'%', "110101110"}, {0, "100100110"},   {0, "111011010"},
    {0, "111010110"},   {0, "100110010"},
};

constexpr int kModulesPerCharacter = 9;

// "编号：" in code page 936 (GBK): the caption's label.
const char kCaptionLabel[] = "\xB1\xE0\xBA\xC5\xA3\xBA";

char* CopyString(const char* text)
{
  if (text == nullptr)
    return nullptr;
  const std::size_t length = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy != nullptr)
    std::memcpy(copy, text, length + 1);
  return copy;
}

}  // namespace

ZMCode93::ZMCode93() : m_text(nullptr), m_modules(nullptr), m_moduleCount(0)
{
  for (int i = 0; i < 47; ++i) {
    m_table[i].character = kCode93Table[i].character;
    std::memcpy(m_table[i].pattern, kCode93Table[i].pattern, sizeof m_table[i].pattern);
  }
  std::memcpy(m_start, "101011110", sizeof m_start);
  std::memcpy(m_stop, "1010111101", sizeof m_stop);
}

ZMCode93::~ZMCode93()
{
  std::free(m_text);
  std::free(m_modules);
}

ZMCode93::ZMCode93(const ZMCode93& other) : m_text(nullptr), m_modules(nullptr), m_moduleCount(0) { CopyFrom(other); }

ZMCode93& ZMCode93::operator=(const ZMCode93& other)
{
  if (this != &other)
    CopyFrom(other);
  return *this;
}

void ZMCode93::CopyFrom(const ZMCode93& other)
{
  std::memcpy(m_table, other.m_table, sizeof m_table);
  std::memcpy(m_start, other.m_start, sizeof m_start);
  std::memcpy(m_stop, other.m_stop, sizeof m_stop);
  std::free(m_text);
  std::free(m_modules);
  m_text = CopyString(other.m_text);
  m_modules = CopyString(other.m_modules);
  m_moduleCount = m_modules != nullptr ? other.m_moduleCount : 0;
}

int ZMCode93::Encode(const char* text)
{
  if (text == nullptr)
    return -1;
  const std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>((std::numeric_limits<int>::max() - 38) / kModulesPerCharacter))
    return -1;
  char* upper = CopyString(text);
  char* modules = static_cast<char*>(std::calloc(kModulesPerCharacter * length + 38, 1));
  if (upper == nullptr || modules == nullptr) {
    std::free(upper);
    std::free(modules);
    return -1;
  }
  for (std::size_t i = 0; i < length; ++i)
    if (upper[i] >= 'a' && upper[i] <= 'z')
      upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
  std::free(m_text);
  std::free(m_modules);
  m_text = upper;
  m_modules = modules;

  std::memcpy(modules, m_start, kModulesPerCharacter);
  char* next = modules + kModulesPerCharacter;
  for (std::size_t i = 0; i < length; ++i, next += kModulesPerCharacter) {
    const int value = GetCharIndex(static_cast<unsigned char>(upper[i]));
    if (value < 0) {
      // Only what was written counts, so Draw never reads past this string.
      m_moduleCount = static_cast<int>(next - modules);
      return -1;
    }
    std::memcpy(next, m_table[value].pattern, kModulesPerCharacter);
  }
  const int count = static_cast<int>(length);
  const int c = GetCheckCValue(upper, count);
  const int k = GetCheckKValue(upper, count, c);
  std::memcpy(next, m_table[c].pattern, kModulesPerCharacter);
  next += kModulesPerCharacter;
  std::memcpy(next, m_table[k].pattern, kModulesPerCharacter);
  next += kModulesPerCharacter;
  std::memcpy(next, m_stop, sizeof m_stop - 1);
  m_moduleCount = kModulesPerCharacter * count + 37;
  return m_moduleCount;
}

int ZMCode93::GetCharIndex(int ch)
{
  // The shift characters are held as 0 and match no text character; nor does anything that
  // is not a single byte.
  if (ch <= 0 || ch > 0xFF)
    return -1;
  for (int i = 0; i < 47; ++i)
    if (m_table[i].character == static_cast<char>(ch))
      return i;
  return -1;
}

int ZMCode93::GetCheckCValue(char* text, int length)
{
  if (text == nullptr || length < 0)
    return -1;
  long long sum = 0;
  for (int i = length - 1, weight = 1; i >= 0; --i) {
    const int value = GetCharIndex(static_cast<unsigned char>(text[i]));
    if (value < 0)
      return -1;
    sum += static_cast<long long>(value) * weight;
    weight = weight == 20 ? 1 : weight + 1;
  }
  return static_cast<int>(sum % 47);
}

int ZMCode93::GetCheckKValue(char* text, int length, int c)
{
  if (text == nullptr || length < 0)
    return -1;
  long long sum = c;  // C carries weight 1
  for (int i = length - 1, weight = 2; i >= 0; --i) {
    const int value = GetCharIndex(static_cast<unsigned char>(text[i]));
    if (value < 0)
      return -1;
    sum += static_cast<long long>(value) * weight;
    weight = weight == 15 ? 1 : weight + 1;
  }
  return static_cast<int>(sum % 47);
}

void ZMCode93::Draw(HDC dc, int x, int y, int moduleWidth, int height)
{
  if (m_modules == nullptr || m_text == nullptr)
    return;
  for (int i = 0; i < m_moduleCount; ++i) {
    const RECT module{x + i * moduleWidth, y, x + (i + 1) * moduleWidth, y + height};
    SetBkColor(dc, m_modules[i] == '1' ? RGB(0, 0, 0) : RGB(255, 255, 255));
    ExtTextOutA(dc, module.left, module.top, ETO_OPAQUE, &module, "", 0, nullptr);
  }
  if (x <= 0)
    return;
  SetBkMode(dc, TRANSPARENT);
  // The caption is Chinese text in code page 936 whatever the process's code page.
  const std::u16string caption = ToUtf16(std::string(kCaptionLabel) + m_text, 936);
  RECT box{x, y + height, x + moduleWidth * m_moduleCount, y + height + height / 2};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}
