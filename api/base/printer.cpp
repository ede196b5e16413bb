// ZMPrinter: printers through Qt's print support.
// SPDX-License-Identifier: MIT
#include "api/base/printer.h"

#include <memory>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/gdi.h"

namespace {

bool PageSizeOf(short paper, QPageSize::PageSizeId* id)
{
  switch (paper) {
  case DMPAPER_LETTER:
    *id = QPageSize::Letter;
    return true;
  case DMPAPER_TABLOID:
    *id = QPageSize::Tabloid;
    return true;
  case DMPAPER_LEGAL:
    *id = QPageSize::Legal;
    return true;
  case DMPAPER_EXECUTIVE:
    *id = QPageSize::Executive;
    return true;
  case DMPAPER_A3:
    *id = QPageSize::A3;
    return true;
  case DMPAPER_A4:
    *id = QPageSize::A4;
    return true;
  case DMPAPER_A5:
    *id = QPageSize::A5;
    return true;
  case DMPAPER_B4:
    *id = QPageSize::B4;
    return true;
  case DMPAPER_B5:
    *id = QPageSize::B5;
    return true;
  default:
    return false;
  }
}

}  // namespace

HDC ZMPrinter::GetPrinterDC(const WCHAR* name, short quality, short paperSize, short orientation)
{
  if (name == nullptr)
    return nullptr;
  qsizetype length = 0;
  while (name[length] != 0)
    ++length;
  const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromUtf16(name, length));
  if (info.isNull())
    return nullptr;
  try {
    auto printer = std::make_unique<QPrinter>(info, quality == DMRES_HIGH ? QPrinter::HighResolution
                                                                          : QPrinter::ScreenResolution);
    if (quality > 0)
      printer->setResolution(quality);
    QPageSize::PageSizeId page;
    if (PageSizeOf(paperSize, &page))
      printer->setPageSize(QPageSize(page));
    if (orientation == DMORIENT_LANDSCAPE || orientation == DMORIENT_PORTRAIT)
      printer->setPageOrientation(orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!printer->isValid())
      return nullptr;
    return CreateDCForPaintDevice(printer.release(), true);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
