// CDataWnd.
// SPDX-License-Identifier: MIT
#include "data_wnd.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "layer_table_model.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "row_order_job.h"
#include "view_text.h"
#include "platform/window_message.h"
#include "view/ilayer.h"

namespace mapory {

namespace {

constexpr UINT kFeatureGotoMessage = 0x405;  // to the frame: centre the map on a record
const QColor kTableBackground(255, 255, 220);
constexpr int kFilterDelayMs = 300;
constexpr int kPollMs = 30;
constexpr int kProgressAfterMs = 500;
constexpr int kRowsMeasured = 200;  // shorter work shows no progress at all

}  // namespace

CDataWnd::CDataWnd(IZamraView* view, QWidget* frame, const QString& title, QWidget* parent)
    : QWidget(parent), m_view(view), m_frame(frame), m_model(new CLayerTableModel(this)), m_table(new QTableView(this)),
      m_filterBox(new QLineEdit(this)), m_rowCountText(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_cancelButton(new QPushButton(this))
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
  m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  // Columns are fitted to the cells of the first rows only: a million rows are never measured.
  m_table->horizontalHeader()->setResizeContentsPrecision(kRowsMeasured);
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
  m_table->horizontalHeader()->setSectionsClickable(true);
  m_table->horizontalHeader()->setSortIndicatorShown(false);
  connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &CDataWnd::OnHeaderClicked);
  m_table->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_table, &QWidget::customContextMenuRequested, this, &CDataWnd::OnContextMenu);

  // The filter row above the table, with the progress of a long sort or filter.
  const CResourceTable& texts = CResourceTable::Current();
  auto* filterLabel = new QLabel(texts.Text(QStringLiteral("filter")), this);
  m_filterBox->setObjectName(QStringLiteral("filterBox"));
  m_filterBox->setPlaceholderText(texts.Text(QStringLiteral("filter_hint")));
  m_filterBox->setClearButtonEnabled(true);
  filterLabel->setBuddy(m_filterBox);
  m_progress->setRange(0, 1000);
  m_progress->setFormat(QString());
  m_progress->setMaximumWidth(200);
  m_progress->hide();
  m_cancelButton->setText(texts.Text(QStringLiteral("cancel")));
  m_cancelButton->hide();
  connect(m_cancelButton, &QPushButton::clicked, this, [this] {
    if (m_job)
      m_job->Cancel();
  });
  m_filterDelay.setSingleShot(true);
  m_filterDelay.setInterval(kFilterDelayMs);
  connect(&m_filterDelay, &QTimer::timeout, this, &CDataWnd::StartRowOrder);
  connect(m_filterBox, &QLineEdit::textEdited, this, [this] { m_filterDelay.start(); });
  connect(m_filterBox, &QLineEdit::returnPressed, this, [this] {
    m_filterDelay.stop();
    StartRowOrder();
  });
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, &CDataWnd::PollRowOrder);

  auto* filterRow = new QHBoxLayout;
  filterRow->setContentsMargins(4, 2, 4, 2);
  filterRow->addWidget(filterLabel);
  filterRow->addWidget(m_filterBox, 1);
  filterRow->addWidget(m_progress);
  filterRow->addWidget(m_cancelButton);
  filterRow->addWidget(m_rowCountText);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(filterRow);
  layout->addWidget(m_table);
}

CDataWnd::~CDataWnd() { CancelRowOrder(); }

void CDataWnd::ShowLayer(int index, int row)
{
  ILayer* layer = m_view != nullptr ? m_view->GetLayerByIndex(index) : nullptr;
  if (layer == nullptr) {
    m_currentLayer = nullptr;
    m_currentIndex = -1;
    ResetRowOrder();
    m_model->SetTable(nullptr);  // rows and columns go; the title and the visibility stay
    UpdateRowCountText();
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
  ResetRowOrder();
  m_model->SetTable(layer->GetDataView());
  UpdateRowCountText();
  fitColumns();
  m_table->clearSelection();
  SelectRow(row);
  m_table->show();
}

void CDataWnd::fitColumns()
{
  QHeaderView* header = m_table->horizontalHeader();
  for (int column = 0; column < m_model->columnCount(); ++column) {
    const int widest = kPixelsPerCharacter * m_model->FieldWidth(column);
    // The cells of the rows in view (of the first rows while hidden), as Qt measures them.
    const int held = static_cast<QAbstractItemView*>(m_table)->sizeHintForColumn(column);
    const int title = header->sectionSizeHint(column);
    m_table->setColumnWidth(column, std::max(title, std::min(held, widest)));
  }
}

void CDataWnd::SelectRow(int record)
{
  const int row = m_model->RowOf(record);
  if (row < 0)
    return;  // no such record, or filtered out
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
  const int record = index.isValid() ? m_model->RecordOf(index.row()) : -1;
  if (record >= 0 && m_frame != nullptr)
    PostMessage(m_frame, kFeatureGotoMessage, static_cast<WPARAM>(m_currentIndex), record);
}

void CDataWnd::ZoomToRow(int row)
{
  const int record = m_model->RecordOf(row);
  if (record >= 0 && m_frame != nullptr)
    PostMessage(m_frame, WM_FEATURE_ZOOM, static_cast<WPARAM>(m_currentIndex), record);
}

void CDataWnd::OnContextMenu(const QPoint& at)
{
  const QModelIndex index = m_table->indexAt(at);
  if (!index.isValid())
    return;
  QMenu menu(this);
  QAction* zoom = menu.addAction(CResourceTable::Current().Text(QStringLiteral("zoom_to_feature")));
  if (menu.exec(m_table->viewport()->mapToGlobal(at)) == zoom)
    ZoomToRow(index.row());
}

// --- Sorting and filtering --------------------------------------------------------------------

void CDataWnd::OnHeaderClicked(int column)
{
  const bool ascending = column == m_sortColumn ? !m_sortAscending : true;
  SortByColumn(column, ascending);
}

void CDataWnd::SortByColumn(int column, bool ascending)
{
  m_requestedColumn = column;
  m_requestedAscending = ascending;
  StartRowOrder();
}

void CDataWnd::SetFilterText(const QString& text)
{
  m_filterBox->setText(text);
  m_filterDelay.stop();
  StartRowOrder();
}

void CDataWnd::StartRowOrder()
{
  CancelRowOrder();
  IDataView* table = m_model->Table();
  if (table == nullptr)
    return;
  RowOrderRequest request;
  request.sortColumn = m_requestedColumn;
  request.ascending = m_requestedAscending;
  request.filter = m_filterBox->text().toStdString();
  if (request.sortColumn < 0 && request.filter.empty()) {
    m_sortColumn = -1;
    m_model->AllRecords();
    m_table->horizontalHeader()->setSortIndicatorShown(false);
    UpdateRowCountText();
    return;
  }
  m_job = std::make_unique<CRowOrderJob>(table, std::move(request));
  m_jobClock.start();
  m_poll.start();
}

void CDataWnd::PollRowOrder()
{
  if (!m_job) {
    m_poll.stop();
    return;
  }
  if (!m_job->IsDone()) {
    if (m_jobClock.elapsed() >= kProgressAfterMs) {
      m_progress->setFormat(CResourceTable::Current().Text(
          m_job->Request().sortColumn >= 0 ? QStringLiteral("sorting") : QStringLiteral("filtering")));
      m_progress->show();
      m_cancelButton->show();
    }
    m_progress->setValue(m_job->Progress());
    return;
  }
  std::unique_ptr<CRowOrderJob> job = std::move(m_job);
  m_poll.stop();
  m_progress->hide();
  m_cancelButton->hide();
  if (job->WasCancelled()) {
    // What is shown stays; the next click on the same column asks the same again.
    m_requestedColumn = m_sortColumn;
    m_requestedAscending = m_sortAscending;
    return;
  }
  const int selected = m_model->RecordOf(m_table->currentIndex().row());
  m_sortColumn = job->Request().sortColumn;
  m_sortAscending = job->Request().ascending;
  m_model->SetRows(job->TakeRows());
  fitColumns();
  QHeaderView* header = m_table->horizontalHeader();
  header->setSortIndicatorShown(m_sortColumn >= 0);
  if (m_sortColumn >= 0)
    header->setSortIndicator(m_sortColumn, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
  SelectRow(selected);
  UpdateRowCountText();
}

void CDataWnd::CancelRowOrder()
{
  m_poll.stop();
  m_job.reset();  // cancels and waits; the thread stops within a few rows
  m_progress->hide();
  m_cancelButton->hide();
}

void CDataWnd::ResetRowOrder()
{
  CancelRowOrder();
  m_filterDelay.stop();
  m_filterBox->clear();
  m_sortColumn = m_requestedColumn = -1;
  m_sortAscending = m_requestedAscending = true;
  m_table->horizontalHeader()->setSortIndicatorShown(false);
}

void CDataWnd::ReloadTable()
{
  IDataView* table = m_model->Table();
  ResetRowOrder();
  m_model->SetTable(table);
  fitColumns();
  UpdateRowCountText();
}

void CDataWnd::UpdateRowCountText()
{
  if (m_model->Table() == nullptr || m_model->ShowsAllRecords()) {
    m_rowCountText->clear();
    return;
  }
  m_rowCountText->setText(CResourceTable::Current()
                              .Text(QStringLiteral("rows_shown"))
                              .arg(m_model->rowCount())
                              .arg(m_model->RecordCount()));
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

}  // namespace mapory
