// CLayerDataView: a layer's attribute table behind IDataView. Owned by its layer.
#pragma once

#include <memory>

#include "api/formats/data_view.h"
#include "view/include/idata_view.h"

class CLayerDataView final : public IDataView {
public:
  CLayerDataView() = default;
  ~CLayerDataView() override = default;
  CLayerDataView(const CLayerDataView&) = delete;
  CLayerDataView& operator=(const CLayerDataView&) = delete;

  // Replaces the table by the one loaded from the .dbf file; false when none was obtained.
  bool Load(const char* dbfPath);

  void GetItemValue(int row, int column, char* text) override;
  void GetItemValue(int row, int column, zm_variant& value) override;
  int GetColumnCount() override;
  void GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) override;
  int GetRowCount() override;

  // The cell as text cut to `size` bytes; "" for a row or column that does not exist.
  void GetItemText(int row, int column, char* text, int size) const;
  const ZMDataView* Table() const { return m_table.get(); }

private:
  std::unique_ptr<ZMDataView> m_table;
};
