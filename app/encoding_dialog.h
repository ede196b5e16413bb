// CEncodingDialog: "Text Encoding": the encodings a layer's texts may be read in, with the
// first rows of its table shown in the highlighted one as it changes. The frame applies the
// choice to the layer when the dialog is accepted.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include <QDialog>

class ILayer;
class QListWidget;
class QTableWidget;

namespace mapory {

class CEncodingDialog final : public QDialog {
  Q_OBJECT
public:
  // Rows of the table shown in the preview.
  static constexpr int kPreviewRows = 8;

  // `layer` belongs to the view; `current` is the code page chosen for it now (0: none, its
  // files decide) and `automatic` the one its files name (0: the process's).
  CEncodingDialog(ILayer* layer, unsigned current, unsigned automatic, QWidget* parent = nullptr);

  // The code page highlighted (0: automatic).
  unsigned CodePage() const;
  // Highlights a code page of the list; false when it is not in it.
  bool SelectCodePage(unsigned codePage);

  QListWidget* List() const { return m_list; }
  QTableWidget* Preview() const { return m_preview; }

  // The code pages offered after "automatic", in order.
  static const std::vector<unsigned>& CodePages();
  // A table cell's text with its bytes read in `codePage` (0: the process's code page).
  static QString CellText(ILayer& layer, int row, int column, unsigned codePage);

private:
  void FillPreview();

  ILayer* m_layer;
  unsigned m_automatic;
  QListWidget* m_list;
  QTableWidget* m_preview;
};

}  // namespace mapory
