// CLayerLoadBar: background loads of layers, shown in the status bar.
// SPDX-License-Identifier: MIT
#include "layer_load_bar.h"

#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "platform/memory_room.h"
#include "resource_table.h"

namespace mapory {

namespace {

constexpr int kPollMilliseconds = 50;

// The name the user knows a layer path by: the file's, or an archive member's.
QString ShownName(const QString& path)
{
  const QString name = QFileInfo(path).fileName();
  return name.contains(QLatin1Char('|')) ? name.section(QLatin1Char('|'), 1, 1) : name;
}

}  // namespace

CLayerLoadBar::CLayerLoadBar(IZamraView* view, QWidget* parent)
    : QWidget(parent), m_view(view), m_extras(IZamraViewExtras::Of(view)), m_text(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_cancel(new QToolButton(this))
{
  setObjectName(QStringLiteral("layerLoadBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_text);
  // Busy, not a percentage: how long decoding takes is not known from the file's size alone.
  m_bar->setRange(0, 0);
  m_bar->setMaximumWidth(120);
  m_bar->setMaximumHeight(m_text->sizeHint().height());
  layout->addWidget(m_bar);
  m_cancel->setText(CResourceTable::Current().Text(QStringLiteral("cancel")));
  m_cancel->setAutoRaise(true);
  layout->addWidget(m_cancel);
  connect(m_cancel, &QToolButton::clicked, this, &CLayerLoadBar::CancelAll);
  m_timer.setInterval(kPollMilliseconds);
  connect(&m_timer, &QTimer::timeout, this, &CLayerLoadBar::poll);
  hide();
}

CLayerLoadBar::~CLayerLoadBar()
{
  // Nothing is handed over any more: the view may already be going.
  for (const Pending& load : m_pending)
    if (m_extras != nullptr)
      m_extras->CancelAddLayer(load.ticket);
}

bool CLayerLoadBar::Load(const QString& path)
{
  const QByteArray encoded = QFile::encodeName(path);
  const int ticket = m_extras != nullptr ? m_extras->BeginAddLayer(encoded.constData()) : 0;
  if (ticket == 0) {
    // No thread to load on: the window waits, as it would for any load.
    const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
    ILayer* layer = m_view->AddLayer(encoded.constData());
    emit layerLoaded(path, layer, layer == nullptr && zamra::sys::MemoryShortCount() != memoryShort, false);
    return layer != nullptr;
  }
  const Pending load{ticket, path, false};
  if (m_pending.empty() && m_patience > 0 && finishWithinPatience(load, m_patience))
    return m_lastAdded;
  m_pending.push_back(load);
  showState();
  m_timer.start();
  return true;
}

void CLayerLoadBar::LoadWorkspace(const QByteArray& path)
{
  int first = 0;
  const int count = m_extras != nullptr ? m_extras->BeginLoadXml(path.constData(), &first) : -1;
  if (m_extras == nullptr && m_view != nullptr)
    m_view->LoadXml(path.constData());  // a view without the background form
  if (count <= 0)
    return;
  std::deque<Pending> loads;
  for (int ticket = first; ticket < first + count; ++ticket) {
    char layerPath[MAX_PATH] = {};
    m_extras->GetAddLayerPath(ticket, layerPath);
    loads.push_back(Pending{ticket, QFile::decodeName(layerPath), true});
  }
  // The quick ones are on the map before the window shows; the rest arrive.
  QElapsedTimer clock;
  clock.start();
  while (!loads.empty() && m_pending.empty() && m_patience > 0 &&
         finishWithinPatience(loads.front(), std::max(0, m_patience - static_cast<int>(clock.elapsed()))))
    loads.pop_front();
  if (loads.empty())
    return;
  m_pending.insert(m_pending.end(), loads.begin(), loads.end());
  showState();
  m_timer.start();
}

bool CLayerLoadBar::finishWithinPatience(const Pending& load, int milliseconds)
{
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ended = m_extras->WaitAddLayer(load.ticket, milliseconds) == 1;
  QApplication::restoreOverrideCursor();
  if (ended)
    finish(load);
  return ended;
}

bool CLayerLoadBar::IsLoading(const QString& path) const
{
  for (const Pending& load : m_pending)
    if (load.path == path)
      return true;
  return false;
}

void CLayerLoadBar::poll()
{
  if (m_handingOver)
    return;
  m_handingOver = true;
  while (!m_pending.empty() && m_extras->WaitAddLayer(m_pending.front().ticket, 0) != 0) {
    const Pending load = m_pending.front();
    m_pending.pop_front();
    showState();
    finish(load);
  }
  m_handingOver = false;
  if (m_pending.empty()) {
    m_timer.stop();
    emit allDone();
  }
}

void CLayerLoadBar::finish(const Pending& load)
{
  int memoryShort = 0;
  ILayer* layer = m_extras->EndAddLayer(load.ticket, &memoryShort);
  m_lastAdded = layer != nullptr;
  emit layerLoaded(load.path, layer, memoryShort != 0, load.fromWorkspace);
}

void CLayerLoadBar::FinishAll()
{
  m_handingOver = true;
  while (!m_pending.empty()) {
    const Pending load = m_pending.front();
    m_pending.pop_front();
    showState();
    finish(load);  // waits for it
  }
  m_handingOver = false;
  m_timer.stop();
  emit allDone();
}

void CLayerLoadBar::CancelAll()
{
  if (m_pending.empty())
    return;
  for (const Pending& load : m_pending)
    m_extras->CancelAddLayer(load.ticket);
  m_pending.clear();
  m_timer.stop();
  showState();
  emit allDone();
}

bool CLayerLoadBar::IsLoadingWorkspace() const
{
  for (const Pending& load : m_pending)
    if (load.fromWorkspace)
      return true;
  return false;
}

void CLayerLoadBar::FinishSessionLoads()
{
  for (auto load = m_pending.begin(); load != m_pending.end();) {
    if (load->fromWorkspace) {
      ++load;
      continue;
    }
    m_extras->CancelAddLayer(load->ticket);
    load = m_pending.erase(load);
  }
  FinishAll();
}

void CLayerLoadBar::showState()
{
  if (m_pending.empty()) {
    hide();
    return;
  }
  QString text = CResourceTable::Current().Text(QStringLiteral("loading_layer")).arg(ShownName(m_pending.front().path));
  if (m_pending.size() > 1)
    text += QLatin1Char(' ') + CResourceTable::Current().Text(QStringLiteral("loading_more")).arg(m_pending.size() - 1);
  m_text->setText(text);
  show();
}

}  // namespace mapory
