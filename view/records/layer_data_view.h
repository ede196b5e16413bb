// CLayerDataView: a layer's attribute table behind IDataView. Owned by its layer. The table
// keeps the file's bytes; cell texts leave as UTF-8, converted from the table's code page.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/formats/data_view.h"
#include "view/idata_view.h"

namespace zamra::view {

class CLayerDataView final : public IDataView {
public:
  CLayerDataView() = default;
  ~CLayerDataView() override = default;
  CLayerDataView(const CLayerDataView&) = delete;
  CLayerDataView& operator=(const CLayerDataView&) = delete;

  // Replaces the table by the one loaded from the .dbf file, and finds its code page (.cpg,
  // language-driver byte, the process's); false when no table was obtained.
  bool Load(const char* dbfPath);
  // The same for a .dbf held in memory (`size` bytes at `dbf`, copied) with its .cpg's text
  // (empty for none).
  bool LoadBytes(const unsigned char* dbf, std::int64_t size, const std::string& cpgText);
  // Replaces the table by one of `rows` rows and no columns, for a layer without a .dbf (the
  // table then shows the record numbers only); false when memory runs out.
  bool MakeRecordNumbersOnly(int rows);
  // Gives the columns these names (UTF-8, cut to what a column holds), in column order; a column
  // keeps its type, width and values. False when the count differs from the table's columns.
  bool RenameColumns(const std::vector<std::string>& names);

  void GetItemValue(int row, int column, char* text) override;
  void GetItemValue(int row, int column, zm_variant& value) override;
  int GetColumnCount() override;
  void GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) override;
  int GetRowCount() override;

  // The cell as UTF-8 text cut to `size` bytes at a character boundary; "" for a row or column
  // that does not exist.
  void GetItemText(int row, int column, char* text, int size) const;
  const ZMDataView* Table() const { return m_table.get(); }
  // The code page of the table's texts; 0 stands for the process's.
  unsigned CodePage() const { return m_override != 0 ? m_override : m_codePage; }
  // A code page the user chose over the one found beside the files; 0 removes it.
  void SetCodePageOverride(unsigned codePage) { m_override = codePage; }
  unsigned CodePageOverride() const { return m_override; }
  // The code page found beside the files.
  unsigned FileCodePage() const { return m_codePage; }

private:
  std::unique_ptr<ZMDataView> m_table;
  unsigned m_codePage = 0;  // found by Load
  unsigned m_override = 0;
};

}  // namespace zamra::view
