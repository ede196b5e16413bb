// CFindBox.
// SPDX-License-Identifier: MIT
#include "find_box.h"

#include <QAction>
#include <QDockWidget>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "find_job.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "view_text.h"
#include "view/idata_view.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

namespace mapory {

namespace {

const CResourceTable& Texts() { return CResourceTable::Current(); }

constexpr int kTypingPauseMs = 200;
constexpr int kPollMs = 30;
constexpr int kRecordRole = Qt::UserRole;

}  // namespace

CFindBox::CFindBox(IZamraView* view, QWidget* frame) : QObject(frame), m_view(view)
{
  m_edit = new QLineEdit(frame);
  m_edit->setObjectName(QStringLiteral("findBox"));
  m_edit->setPlaceholderText(Texts().Text(QStringLiteral("find_placeholder")));
  m_edit->setToolTip(Texts().Text(QStringLiteral("find_tip")));
  m_edit->setClearButtonEnabled(true);
  m_edit->setMaximumWidth(m_edit->fontMetrics().averageCharWidth() * 28);
  m_edit->installEventFilter(this);

  m_action = new QAction(Texts().Text(QStringLiteral("find")), frame);
  m_action->setObjectName(QString::number(ID_FIND));
  m_action->setShortcut(QKeySequence::Find);
  m_action->setStatusTip(Texts().Text(QStringLiteral("find_tip")));
  connect(m_action, &QAction::triggered, this, [this] {
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
  });

  m_dock = new QDockWidget(Texts().Text(QStringLiteral("find_title")), frame);
  m_dock->setObjectName(QStringLiteral("findDock"));
  auto* panel = new QWidget(m_dock);
  m_status = new QLabel(panel);
  m_status->setObjectName(QStringLiteral("findStatus"));
  m_list = new QTreeWidget(panel);
  m_list->setObjectName(QStringLiteral("findMatches"));
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setHeaderLabels({Texts().Text(QStringLiteral("find_record")), Texts().Text(QStringLiteral("find_column")),
                           Texts().Text(QStringLiteral("find_value"))});
  m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_list->header()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_status);
  layout->addWidget(m_list, 1);
  m_dock->setWidget(panel);
  m_dock->hide();
  connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { chooseItem(item); });
  connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { chooseItem(item); });

  m_delay.setSingleShot(true);
  m_delay.setInterval(kTypingPauseMs);
  connect(&m_delay, &QTimer::timeout, this, &CFindBox::SearchNow);
  connect(m_edit, &QLineEdit::textChanged, this, [this] { m_delay.start(); });
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, &CFindBox::poll);
}

CFindBox::~CFindBox() { m_job.reset(); }

bool CFindBox::IsSearching() const { return m_delay.isActive() || m_job != nullptr; }

void CFindBox::Cancel()
{
  m_delay.stop();
  m_poll.stop();
  m_job.reset();  // cancels and waits; the thread stops within a few rows
  m_list->clear();
  m_searched = nullptr;
  m_shown = 0;
  m_reachedLimit = false;
  m_status->clear();
}

void CFindBox::SearchNow()
{
  Cancel();
  const QString text = m_edit->text().trimmed();
  if (text.isEmpty())
    return;
  m_dock->show();
  ILayer* layer = m_view->GetLayerByIndex(m_view->GetSelectLayer());
  IDataView* table = layer != nullptr ? layer->GetDataView() : nullptr;
  if (table == nullptr) {
    m_status->setText(Texts().Text(QStringLiteral("find_select_layer")));
    return;
  }
  m_searched = layer;
  m_job = std::make_unique<CFindJob>(table, text.toUtf8().toStdString());
  showStatus();
  m_poll.start();
}

void CFindBox::FollowSelectedLayer()
{
  if (m_edit->text().trimmed().isEmpty() || m_delay.isActive())
    return;
  if (m_view->GetLayerByIndex(m_view->GetSelectLayer()) != m_searched)
    SearchNow();
}

void CFindBox::poll()
{
  if (!m_job) {
    m_poll.stop();
    return;
  }
  // Whether done is read first: the matches taken after it are then all of them.
  const bool done = m_job->IsDone();
  IDataView* table = m_searched != nullptr ? m_searched->GetDataView() : nullptr;
  for (FindMatch& match : m_job->MatchesFrom(m_shown)) {
    ++m_shown;
    const QString column = table != nullptr ? ReadColumn(*table, match.column).name : QString::number(match.column);
    auto* item = new QTreeWidgetItem(
        m_list, {QString::number(match.record + 1), column, QString::fromUtf8(match.value.c_str())});
    item->setData(0, kRecordRole, match.record);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
  }
  if (done) {
    m_reachedLimit = m_job->ReachedLimit();
    m_poll.stop();
    m_job.reset();
  }
  showStatus();
}

void CFindBox::showStatus()
{
  const int count = m_list->topLevelItemCount();
  if (m_job)
    m_status->setText(Texts().Text(QStringLiteral("find_searching")).arg(count));
  else if (count == 0)
    m_status->setText(Texts().Text(QStringLiteral("find_none")));
  else if (m_reachedLimit)
    m_status->setText(Texts().Text(QStringLiteral("find_first")).arg(count));
  else
    m_status->setText(Texts().Text(QStringLiteral("find_count")).arg(count));
}

int CFindBox::searchedLayerIndex() const
{
  if (m_searched == nullptr)
    return -1;
  for (int i = 0; i < m_view->GetLayerCount(); ++i)
    if (m_view->GetLayerByIndex(i) == m_searched)
      return i;
  return -1;
}

void CFindBox::Choose(int row) { chooseItem(m_list->topLevelItem(row)); }

void CFindBox::chooseItem(QTreeWidgetItem* item)
{
  const int layer = searchedLayerIndex();
  if (item == nullptr || layer < 0)
    return;
  m_list->setCurrentItem(item);
  emit matchChosen(layer, item->data(0, kRecordRole).toInt());
}

bool CFindBox::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == m_edit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (m_delay.isActive())
        SearchNow();  // Enter does not wait for the pause
      if (m_list->topLevelItemCount() > 0)
        Choose(m_list->currentItem() != nullptr ? m_list->indexOfTopLevelItem(m_list->currentItem()) : 0);
      return true;
    }
    if (key == Qt::Key_Down && m_list->topLevelItemCount() > 0) {
      m_list->setFocus(Qt::OtherFocusReason);
      if (m_list->currentItem() == nullptr)
        m_list->setCurrentItem(m_list->topLevelItem(0));
      return true;
    }
    if (key == Qt::Key_Escape && !m_edit->text().isEmpty()) {
      m_edit->clear();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace mapory
