// CDataWnd.
#include "data_wnd.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QTableView>
#include <QVBoxLayout>

#include "layer_table_model.h"
#include "view_text.h"
#include "platform/window_message.h"
#include "view/ilayer.h"

namespace mapory {

namespace {

constexpr UINT kFeatureGotoMessage = 0x405;  // to the frame: centre the map on a record
const QColor kTableBackground(255, 255, 220);

} // namespace

CDataWnd::CDataWnd(IZamraView* view, QWidget* frame, const QString& title, QWidget* parent)
    : QWidget(parent), m_view(view), m_frame(frame), m_model(new CLayerTableModel(this)), m_table(new QTableView(this))
{
  setWindowTitle(title);
  m_table->setObjectName(QStringLiteral("list%1").arg(kListId));
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setShowGrid(true);
  m_table->setWordWrap(false);
  m_table->verticalHeader()->hide();
  // Rows of one height: the view then never measures rows it does not show.
  m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
  m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_table->horizontalHeader()->setHighlightSections(false);
  m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The pale yellow ground, and the selection as visible without the focus as with it.
  QPalette palette = m_table->palette();
  palette.setColor(QPalette::Base, kTableBackground);
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  m_table->setPalette(palette);
  m_table->hide();  // shown once a first table is in it
  connect(m_table, &QTableView::doubleClicked, this, &CDataWnd::OnDoubleClicked);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_table);
}

CDataWnd::~CDataWnd() = default;

void CDataWnd::ShowLayer(int index, int row)
{
  ILayer* layer = m_view != nullptr ? m_view->GetLayerByIndex(index) : nullptr;
  if (layer == nullptr) {
    m_currentLayer = nullptr;
    m_currentIndex = -1;
    m_model->SetTable(nullptr);  // rows and columns go; the title and the visibility stay
    return;
  }
  if (layer == m_currentLayer) {
    // The layer may have moved in the list: a double click must name its new place.
    m_currentIndex = index;
    SelectRow(row);
    return;
  }
  m_currentLayer = layer;
  m_currentIndex = index;
  char name[MAX_PATH] = {};
  layer->GetName(name);
  setWindowTitle(FromFileName(name));
  m_model->SetTable(layer->GetDataView());
  for (int column = 0; column < m_model->columnCount(); ++column)
    m_table->setColumnWidth(column, kPixelsPerCharacter * m_model->FieldWidth(column));
  m_table->clearSelection();
  SelectRow(row);
  m_table->show();
}

void CDataWnd::SelectRow(int row)
{
  if (row < 0 || row >= m_model->rowCount())
    return;
  const QModelIndex cell = m_model->index(row, 0);
  m_table->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_table->scrollTo(cell);
}

void CDataWnd::OnActivationChanged()
{
  const int selected = m_view != nullptr ? m_view->GetSelectLayer() : -1;
  if (selected >= 0)
    ShowLayer(selected, -1);
}

void CDataWnd::FollowActivationOf(QMdiSubWindow* window)
{
  connect(window, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
    if ((before ^ now) & Qt::WindowActive)
      OnActivationChanged();
  });
}

void CDataWnd::OnDoubleClicked(const QModelIndex& index)
{
  // Qt reports double clicks on rows only; a click below the last row asks nothing.
  if (index.isValid() && index.row() >= 0 && m_frame != nullptr)
    PostMessage(m_frame, kFeatureGotoMessage, static_cast<WPARAM>(m_currentIndex), index.row());
}

void CDataWnd::closeEvent(QCloseEvent* event)
{
  // The window lives for the whole run: closing hides it.
  event->ignore();
  if (auto* holder = qobject_cast<QMdiSubWindow*>(parentWidget()))
    holder->hide();
  else
    hide();
}

} // namespace mapory
