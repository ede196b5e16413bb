// IDataView: read access to a layer's attribute table. Row i is the .dbf's record i (records
// marked deleted included), which belongs to shape record i; the two counts need not agree. A
// layer without a .dbf has no columns and one row per shape record.
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

  // The cell rendered as text with its column's format, converted to UTF-8 from the table's
  // code page and cut at a character boundary to fit ZMDataView::kTextSize (256) bytes, which
  // `text` must hold. "" for a row or column out of range.
  virtual void GetItemValue(int row, int column, char* text) = 0;
  // A copy of the cell as stored (texts in the table's code page); out of range, the variant is
  // left as it was.
  virtual void GetItemValue(int row, int column, zm_variant& value) = 0;
  virtual int GetColumnCount() = 0;
  // The column's definition, as ZMDataView::GetColumn gives it: `name` takes 40 bytes and holds
  // the file's bytes, not converted from the code page (UTF-8 for a layer read through GDAL);
  // `format` takes the stored format; either may be null. An index out of range gives a blank
  // column.
  virtual void GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) = 0;
  virtual int GetRowCount() = 0;
};
