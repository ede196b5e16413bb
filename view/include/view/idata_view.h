// IDataView: read access to a layer's attribute table; rows are records in shapefile order.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/data_view.h"
#include "view/zamra_view_export.h"

/// Read access to a layer's attribute table; rows are records in shapefile order.
class ZAMRA_VIEW_API IDataView {
public:
  IDataView() = default;
  IDataView(const IDataView&) = default;
  IDataView& operator=(const IDataView&) = default;
  virtual ~IDataView() = default;

  // The cell rendered as text with its column's format. `text` must hold the rendered value;
  // the view itself passes 256 bytes.
  virtual void GetItemValue(int row, int column, char* text) = 0;
  // A copy of the cell.
  virtual void GetItemValue(int row, int column, zm_variant& value) = 0;
  virtual int GetColumnCount() = 0;
  // The column's definition; `name` takes 40 bytes, `format` the stored format.
  virtual void GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) = 0;
  virtual int GetRowCount() = 0;
};
