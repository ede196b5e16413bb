// CLayerBar: painting and clicks.
// SPDX-License-Identifier: MIT
#include "layer_bar.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "program_bitmaps.h"
#include "resource_ids.h"
#include "view_text.h"
#include "platform/window_message.h"
#include "view/izamra_view.h"

namespace mapory {

CLayerBar::CLayerBar(QWidget* frame, QMenu* contextMenu, QWidget* parent)
    : QWidget(parent), m_frame(frame), m_contextMenu(contextMenu)
{
  setAttribute(Qt::WA_OpaquePaintEvent);  // every paint fills the whole client area
  // "simsun" where it is installed; elsewhere an installed CJK face, so that Chinese and
  // Japanese layer names show their glyphs.
  m_rowFont.setFamilies(
      {QStringLiteral("simsun"), QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
  m_rowFont.setPixelSize(16);
  m_checkOn = MaskedStripImage(IDB_CHECKS, 0, 20, qRgb(255, 255, 255));
  m_checkOff = MaskedStripImage(IDB_CHECKS, 1, 20, qRgb(255, 255, 255));
  for (int i = 0; i < 3; ++i)
    m_typeImages[i] = LayerTypeImage(i);
}

void CLayerBar::Refresh()
{
  const int count = m_view != nullptr ? m_view->GetLayerCount() : 0;
  setMinimumHeight(kHeaderHeight + kRowHeight * count);
  update();
}

void CLayerBar::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.setFont(m_rowFont);
  painter.fillRect(rect(), Qt::white);
  const QRect header(0, 0, width(), kHeaderHeight);
  painter.fillRect(header, palette().button());
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(header.topLeft(), header.topRight());
  painter.drawLine(header.topLeft(), header.bottomLeft());
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(header.bottomLeft(), header.bottomRight());
  painter.drawLine(header.topRight(), header.bottomRight());
  if (m_view == nullptr)
    return;

  const int count = m_view->GetLayerCount();
  const int selected = m_view->GetSelectLayer();
  for (int i = 0; i < count; ++i) {
    ILayer* layer = m_view->GetLayerByIndex(i);
    if (layer == nullptr)
      break;  // the list ends where the view stops answering
    const int top = kHeaderHeight + kRowHeight * i;
    painter.drawPixmap(5, top + 5, layer->GetVisible() ? m_checkOn : m_checkOff);
    painter.drawPixmap(25, top + 5, layer->GetLabelVisible() ? m_checkOn : m_checkOff);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(45, top + 5, 19, 19);  // the box from (45, t+5) to (65, t+25)
    const int type = layer->GetType();
    const int image = type == ZM_LAYER_POINT ? 0 : type == ZM_LAYER_POLYLINE ? 1 : type == ZM_LAYER_POLYGON ? 2 : -1;
    if (image >= 0)
      painter.drawPixmap(45, top + 5, m_typeImages[image]);
    const QRect nameArea(67, top, std::max(0, width() - 67), kRowHeight);
    if (i == selected)
      painter.fillRect(nameArea, QColor(200, 255, 200));
    char name[260] = {};
    layer->GetName(name);
    const QString text = painter.fontMetrics().elidedText(FromFileName(name), Qt::ElideRight, nameArea.width());
    painter.setPen(Qt::black);
    painter.drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
}

void CLayerBar::mousePressEvent(QMouseEvent* event)
{
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    // The commands act on the current selection: the row under the pointer is not selected.
    if (m_contextMenu != nullptr)
      m_contextMenu->popup(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton || m_view == nullptr)
    return;
  const int count = m_view->GetLayerCount();
  if (at.y() < kHeaderHeight || at.y() > kHeaderHeight + kRowHeight * count)
    return;
  const int index = (at.y() - kHeaderHeight) / kRowHeight;
  ILayer* layer = m_view->GetLayerByIndex(index);
  if (layer == nullptr)
    return;
  const int x = at.x();
  if (x >= 6 && x <= 24) {
    const int visible = layer->GetVisible() ? 0 : 1;
    layer->SetVisible(visible);
    PostMessage(m_frame, WM_LAYER_VISIBLE, WPARAM(index), LPARAM(visible));
  } else if (x >= 26 && x <= 44) {
    PostMessage(m_frame, WM_LAYER_LABEL, WPARAM(index), LPARAM(layer->GetLabelVisible() ? 0 : 1));
  } else if (x >= 46 && x <= 64) {
    // the type box does nothing
  } else {
    const bool alreadySelected = index == m_view->GetSelectLayer();
    PostMessage(m_frame, WM_LAYER_SELECT, WPARAM(index), LPARAM(alreadySelected ? 0 : 1));
  }
  update();
}

}  // namespace mapory
