// Map pictures with world files.
// SPDX-License-Identifier: MIT
#include "image_export.h"

#include <cmath>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "legend_bar.h"
#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

namespace mapory {

namespace {

QString Number(double value) { return QString::number(value, 'f', 12); }  // always with a point

// Device pixels a window pixel in the view's pictures (1 for a view without the extras).
double PixelRatio(IZamraView& view)
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(&view);
  return extras != nullptr ? extras->GetDevicePixelRatio() : 1.0;
}

bool WriteText(const QString& path, const QByteArray& text)
{
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  if (file.write(text) != text.size())
    return false;
  return file.commit();
}

QString PrjOf(ILayer* layer)
{
  if (layer == nullptr)
    return {};
  char path[260] = {};
  layer->GetPath(path);
  const QFileInfo shp(QFile::decodeName(path));
  for (const char* extension : {".prj", ".PRJ"}) {
    const QString prj = shp.path() + u'/' + shp.completeBaseName() + QString::fromLatin1(extension);
    if (QFileInfo::exists(prj))
      return prj;
  }
  return {};
}

// The legend at the picture's pixel ratio, copied into its lower right corner; left out when the
// picture is too small to hold it.
void DrawLegendInCorner(IZamraView& view, HDC surface, const QSize& picture)
{
  constexpr int kCornerMargin = 8;
  const double ratio = PixelRatio(view);
  const QImage legend = CLegendBar::Picture(view, QApplication::font(), ratio);
  const int margin = static_cast<int>(kCornerMargin * ratio);
  if (legend.isNull() || legend.width() + 2 * margin > picture.width() ||
      legend.height() + 2 * margin > picture.height())
    return;
  HBITMAP bitmap = CreateBitmapFromImage(legend);
  HDC source = bitmap != nullptr ? CreateCompatibleDC(surface) : nullptr;
  if (source != nullptr) {
    SelectObject(source, bitmap);
    BitBlt(surface, picture.width() - legend.width() - margin, picture.height() - legend.height() - margin,
           legend.width(), legend.height(), source, 0, 0, SRCCOPY);
    DeleteDC(source);
  }
  if (bitmap != nullptr)
    DeleteObject(bitmap);
}

}  // namespace

bool ImageFormatOf(const QString& path, ImageFormat* format)
{
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QStringLiteral("png")) {
    *format = ImageFormat::Png;
    return true;
  }
  if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg")) {
    *format = ImageFormat::Jpeg;
    return true;
  }
  return false;
}

QString ImageFileName(const QString& path, ImageFormat format)
{
  ImageFormat named = ImageFormat::Png;
  if (ImageFormatOf(path, &named) && named == format)
    return path;
  return path + (format == ImageFormat::Png ? QStringLiteral(".png") : QStringLiteral(".jpg"));
}

QString WorldFilePath(const QString& imagePath)
{
  const QFileInfo info(imagePath);
  ImageFormat format = ImageFormat::Png;
  ImageFormatOf(imagePath, &format);
  const QString extension = format == ImageFormat::Png ? QStringLiteral(".pgw") : QStringLiteral(".jgw");
  return info.path() + u'/' + info.completeBaseName() + extension;
}

QString WorldFileText(IZamraView& view, int width, int height)
{
  // The view puts the left edge of pixel column i at ViewToGeo(i) and the top edge of row j at
  // ViewToGeo(., j); a world file names the centre of the upper left pixel.
  // The picture has the window's pixel ratio of pixels a window pixel.
  double left = 0, top = 0, right = 0, bottom = 0;
  view.ViewToGeo(0, 0, left, top);
  view.ViewToGeo(width, height, right, bottom);
  const double ratio = PixelRatio(view);
  const double sizeX = width > 0 ? (right - left) / (width * ratio) : 0.0;
  const double sizeY = height > 0 ? (bottom - top) / (height * ratio) : 0.0;  // negative
  return Number(sizeX) + u'\n' + Number(0.0) + u'\n' + Number(0.0) + u'\n' + Number(sizeY) + u'\n' +
         Number(left + sizeX / 2) + u'\n' + Number(top + sizeY / 2) + u'\n';
}

QString ProjectionSource(IZamraView& view)
{
  const QString selected = PrjOf(view.GetLayerByIndex(view.GetSelectLayer()));
  if (!selected.isEmpty())
    return selected;
  for (int i = 0; i < view.GetLayerCount(); ++i) {
    const QString prj = PrjOf(view.GetLayerByIndex(i));
    if (!prj.isEmpty())
      return prj;
  }
  return {};
}

QSize MapPictureSize(IZamraView& view, int width, int height)
{
  const double ratio = PixelRatio(view);
  if (ratio == 1.0)
    return QSize(width, height);
  return QSize(static_cast<int>(std::lround(width * ratio)), static_cast<int>(std::lround(height * ratio)));
}

bool ExportMapImage(IZamraView& view, int width, int height, const QString& path, ImageFormat format, bool withLegend)
{
  const QSize picture = MapPictureSize(view, width, height);
  HDC surface = ZMBitmap::CreateMemDc(picture.width(), picture.height());
  if (surface == nullptr)
    return false;
  view.Draw(surface, 0, 0, picture.width(), picture.height());
  if (withLegend)
    DrawLegendInCorner(view, surface, picture);
  const RECT area{0, 0, picture.width(), picture.height()};
  const QByteArray name = QFile::encodeName(path);
  const int written = format == ImageFormat::Png ? ZMBitmap::WritePNG(name.constData(), surface, area)
                                                 : ZMBitmap::WriteJpeg(name.constData(), surface, area);
  DeleteDC(surface);
  if (!written)
    return false;
  if (!WriteText(WorldFilePath(path), WorldFileText(view, width, height).toLatin1()))
    return false;
  const QString source = ProjectionSource(view);
  if (source.isEmpty())
    return true;  // no layer knows its coordinate system: the world file alone
  QFile prj(source);
  if (!prj.open(QIODevice::ReadOnly))
    return false;
  const QFileInfo image(path);
  return WriteText(image.path() + u'/' + image.completeBaseName() + QStringLiteral(".prj"), prj.readAll());
}

}  // namespace mapory
