// ZMPrinter, and drawing through a device context on a paged device such as a printer.
// SPDX-License-Identifier: MIT
#include "api/base/printer.h"

#include <QPdfWriter>

#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "support/temp_dir.h"

TEST(ZMPrinter, UnknownPrinterGivesNull)
{
  EXPECT_EQ(ZMPrinter::GetPrinterDC(u"no printer by this name", DMRES_HIGH, DMPAPER_A4, DMORIENT_PORTRAIT), nullptr);
  EXPECT_EQ(ZMPrinter::GetPrinterDC(nullptr, 0, 0, 0), nullptr);
}

TEST(ZMPrinter, PagedDeviceContextPrintsWhatIsDrawn)
{
  // A printer context draws on a Qt paint device that it owns; a PDF writer is such a device.
  zamra_test::TempDir dir;
  auto* writer = new QPdfWriter(QString::fromStdString(dir.File("page.pdf")));
  HDC dc = CreateDCForPaintDevice(writer, true);
  ASSERT_NE(dc, nullptr);
  EXPECT_GT(GetDeviceCaps(dc, HORZRES), 0);
  EXPECT_TRUE(Rectangle(dc, 100, 100, 2000, 1000));
  RECT box{100, 1200, 4000, 1600};
  EXPECT_GT(DrawTextA(dc, "Mapory", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
  EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID);  // no pixels to read on paper
  EXPECT_TRUE(DeleteDC(dc));                   // ends the job
  const std::vector<unsigned char> pdf = zamra_test::ReadAll(dir.File("page.pdf"));
  ASSERT_GT(pdf.size(), 200u);
  EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 4), "%PDF");
}
