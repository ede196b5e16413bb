// CUserPoiLayer: the host's own points of interest, drawn as symbols with their names.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "platform/win_types.h"
#include "view/iuser_layers.h"

namespace zamra::view {

class MapCanvas;

class CUserPoiLayer final : public IUserPOILayer {
public:
  static constexpr int kNameSize = 24;   // 23 characters and the terminator
  static constexpr int kFaceSize = 100;  // 99 characters and the terminator

  explicit CUserPoiLayer(MapCanvas* canvas);
  ~CUserPoiLayer() override = default;
  CUserPoiLayer(const CUserPoiLayer&) = delete;
  CUserPoiLayer& operator=(const CUserPoiLayer&) = delete;

  int AddPoi(int key, const char* name, int value, double x, double y, int symbolIndex) override;
  int ClearPois() override;
  int GetPoi(int key, char* name, int* value, double* x, double* y, int* symbolIndex) override;
  int RemovePoi(int key) override;
  void SetLabelVisible(int visible) override { labelVisible = visible; }
  void SetLabelFont(COLORREF color, const char* face, int size) override;
  // Removes every item whose value equals `value`; 1.
  virtual int RemovePoisByValue(int value);
  // The item inside the box (inclusive) nearest to its centre; the first of equally near
  // items wins. 1 with its key and value, or 0 with the outputs untouched.
  virtual int FindPoi(double minX, double minY, double maxX, double maxY, int* key, int* value);
  // Rewrites the first item with `key`; 1, or 0 when there is none.
  virtual int UpdatePoi(int key, const char* name, int value, double x, double y, int symbolIndex);
  // Stored only.
  virtual void SetSelectedPoi(int key) { selectedKey = key; }

  void DrawSymbols(HDC dc);
  void DrawLabels(HDC dc);
  int ItemCount() const { return static_cast<int>(m_items.size()); }

  int selectedKey = -1;
  int labelVisible = 1;
  int labelSize = 12;
  COLORREF labelColor = RGB(255, 0, 0);
  char labelFace[kFaceSize] = "simsun";

private:
  struct Item {
    int key = 0;
    int value = 0;
    int symbolIndex = 0;
    double x = 0.0;
    double y = 0.0;
    char name[kNameSize] = "";
  };
  static void Fill(Item& item, int key, const char* name, int value, double x, double y, int symbolIndex);

  MapCanvas* m_canvas;  // not owned
  std::vector<Item> m_items;
};

}  // namespace zamra::view
