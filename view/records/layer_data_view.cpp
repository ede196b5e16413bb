// CLayerDataView: forwarding to the layer's table.
// SPDX-License-Identifier: MIT
#include "records/layer_data_view.h"

#include <cstring>

#include "api/formats/dbf_file.h"
#include "shape_core/text_code_page.h"

namespace zamra::view {

namespace {

// Room for a cell's bytes before conversion: the widest dBASE field and more.
constexpr int kRawTextSize = 1024;

}  // namespace

bool CLayerDataView::Load(const char* dbfPath)
{
  m_table.reset(ZMDbfFile::LoadFile(dbfPath));
  m_codePage = m_table ? zamra::shape::TableCodePage(dbfPath) : 0;
  return m_table != nullptr;
}

bool CLayerDataView::LoadBytes(const unsigned char* dbf, std::int64_t size, const std::string& cpgText)
{
  constexpr std::int64_t kHeaderSize = 32;  // a dBASE header's fixed part
  m_table.reset(dbf != nullptr && size >= kHeaderSize ? ZMDbfFile::Decode(dbf, size) : nullptr);
  m_codePage = m_table ? zamra::shape::TableCodePageOf(cpgText, dbf, size) : 0;
  return m_table != nullptr;
}

bool CLayerDataView::MakeRecordNumbersOnly(int rows)
{
  m_codePage = 0;
  m_table = std::make_unique<ZMDataView>(0);
  for (int row = 0; row < rows; ++row)
    if (m_table->AddRow() < 0)
      return false;
  return true;
}

bool CLayerDataView::RenameColumns(const std::vector<std::string>& names)
{
  if (!m_table || static_cast<int>(names.size()) != m_table->GetColumnCount())
    return false;
  for (int column = 0; column < m_table->GetColumnCount(); ++column) {
    char type = 0, flag = 0, name[40] = "";
    int length = 0;
    m_table->GetColumn(column, type, length, name, nullptr, flag);
    char whole[40];
    zamra::shape::CopyUtf8Cut(whole, sizeof whole, names[static_cast<size_t>(column)]);
    if (std::strcmp(whole, name) != 0)  // a new definition forgets the file's, so only when needed
      m_table->SetColumn(column, type, length, whole, nullptr, flag);
  }
  return true;
}

void CLayerDataView::GetItemValue(int row, int column, char* text)
{
  // Callers of this slot pass buffers sized for the rendered cell; cut at the size the view's
  // own callers use rather than trust every cell.
  GetItemText(row, column, text, ZMDataView::kTextSize);
}

void CLayerDataView::GetItemValue(int row, int column, zm_variant& value)
{
  if (m_table && row >= 0 && row < m_table->GetRowCount() && column >= 0 && column < m_table->GetColumnCount())
    m_table->GetItemValue(row, column, value);
}

int CLayerDataView::GetColumnCount() { return m_table ? m_table->GetColumnCount() : 0; }

void CLayerDataView::GetColumn(int index, char& type, int& length, char* name, char* format, char& flag)
{
  if (m_table)
    m_table->GetColumn(index, type, length, name, format, flag);
}

int CLayerDataView::GetRowCount() { return m_table ? m_table->GetRowCount() : 0; }

void CLayerDataView::GetItemText(int row, int column, char* text, int size) const
{
  if (size <= 0)
    return;
  text[0] = '\0';
  if (!m_table || row < 0 || row >= m_table->GetRowCount() || column < 0 || column >= m_table->GetColumnCount())
    return;
  char raw[kRawTextSize];
  raw[0] = '\0';
  m_table->GetItemValue(row, column, raw, sizeof raw);
  zamra::shape::CopyUtf8Cut(text, static_cast<size_t>(size),
                            zamra::shape::TextToUtf8(raw, std::strlen(raw), CodePage()));
}

}  // namespace zamra::view
