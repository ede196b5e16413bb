// CScaleBar.
// SPDX-License-Identifier: MIT
#include "scale_bar.h"

#include <cmath>

#include <QPainter>

#include "resource_table.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

namespace mapory {

namespace {

constexpr int kWidth = CScaleBar::kBarLeft + CScaleBar::kMaximumLength + 24;
constexpr int kTextTop = 2;
constexpr int kTextGap = 3;  // between the text's lowest pixel and the ticks
constexpr int kMargin = 10;  // from the map window's left and bottom edges

}  // namespace

CScaleBar::Length CScaleBar::ChooseLength(double metersPerPixel, int maximumPixels)
{
  Length length;
  if (!(metersPerPixel > 0.0) || !std::isfinite(metersPerPixel) || maximumPixels <= 0)
    return length;
  const double longest = metersPerPixel * maximumPixels;
  double power = std::pow(10.0, std::floor(std::log10(longest)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= longest) {
      length.meters = step * power;
      break;
    }
  }
  if (length.meters == 0.0)  // rounding at an exact power of ten
    length.meters = power / 2.0;
  length.pixels = static_cast<int>(std::lround(length.meters / metersPerPixel));
  return length;
}

QString CScaleBar::LengthText(double meters)
{
  const CResourceTable& texts = CResourceTable::Current();
  if (meters >= 1000.0)
    return texts.Text(QStringLiteral("scale_kilometers")).arg(QString::number(meters / 1000.0, 'g', 12));
  return texts.Text(QStringLiteral("scale_meters")).arg(QString::number(meters, 'g', 12));
}

CScaleBar::CScaleBar(IZamraView* view, QWidget* parent) : QWidget(parent), m_view(view)
{
  setObjectName(QStringLiteral("scaleBar"));
  setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks and the wheel go to the map
  setAttribute(Qt::WA_NoSystemBackground);
  resize(kWidth, BarTop() + kBarThickness + 4);
  FollowParent();
}

CScaleBar::Length CScaleBar::CurrentLength() const
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (extras == nullptr || m_view->GetLayerCount() == 0)
    return {};
  return ChooseLength(extras->GetGroundLengthPerPixel(), kMaximumLength);
}

int CScaleBar::BarTop() const { return kTextTop + fontMetrics().height() + kTextGap + kTickHeight; }

void CScaleBar::FollowParent()
{
  if (parentWidget() != nullptr)
    move(kMargin, parentWidget()->height() - height() - kMargin);
  raise();
}

void CScaleBar::paintEvent(QPaintEvent*)
{
  const Length length = CurrentLength();
  if (length.pixels <= 0)
    return;  // an empty map has no scale to show
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QString text = LengthText(length.meters);
  const int textWidth = painter.fontMetrics().horizontalAdvance(text);
  const int right = kBarLeft + std::max(length.pixels, textWidth) + 6;
  painter.fillRect(QRect(0, 0, std::min(right, width()), height()), QColor(255, 255, 255, 200));
  painter.setPen(Qt::black);
  const int barTop = BarTop();
  painter.drawText(QRect(kBarLeft, kTextTop, width() - kBarLeft, painter.fontMetrics().height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  // The bar and its two end ticks.
  painter.fillRect(QRect(kBarLeft, barTop, length.pixels, kBarThickness), Qt::black);
  painter.fillRect(QRect(kBarLeft, barTop - kTickHeight, 1, kTickHeight), Qt::black);
  painter.fillRect(QRect(kBarLeft + length.pixels - 1, barTop - kTickHeight, 1, kTickHeight), Qt::black);
}

}  // namespace mapory
