// A layer too large for the memory the program may use (an address-space limit, as `ulimit -v`
// sets) is refused with a message that says so, not as a broken file; the program goes on and
// the layers already on the map stay. The same file loads once the limit is gone.
// SPDX-License-Identifier: MIT
#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "support/address_space.h"
#include "support/memory_hungry_layer.h"
#include "support/shapelib_writer.h"  // linked with shapelib, which the layer is written with
#include "app/frame_test.h"

namespace {

class OutOfMemoryTest : public zamra_test::FrameTest {
protected:
  // Adds `path` as a file named on the command line or dropped on the map is added; the text
  // of the message box that says why it was not, empty when it was.
  QString Add(const std::string& path, bool expectMessage)
  {
    QString message;
    if (expectMessage)
      zamra_test::AnswerModal<QMessageBox>([&message](QMessageBox* box) {
        message = box->text();
        box->button(QMessageBox::Ok)->click();
      });
    m_frame->AddLayerFiles({QString::fromStdString(path)});
    zamra_test::ProcessPostedMessages();
    return message;
  }
};

}  // namespace

TEST_F(OutOfMemoryTest, ALayerMemoryCannotHoldIsNamedSoAndTheOthersStay)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  const std::string base = m_environment.Dir().File("hungry");
  // 120000 records of 1000 one-digit numbers: 120 MB of .dbf.
  ASSERT_TRUE(zamra_test::WriteMemoryHungryLayer(base, 120000, 1000));
  ASSERT_EQ(m_frame->AddLayerFiles({zamra_test::Sample("world_countries.shp")}), 1);

  QString message;
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{96} << 20);
    ASSERT_TRUE(limit.Limited());
    message = Add(base + ".shp", true);
  }
  EXPECT_EQ(message, QStringLiteral("Not enough memory to load hungry.shp. The layers already on the map stay as they "
                                    "were."));
  ASSERT_EQ(View()->GetLayerCount(), 1);
  char path[260] = {};
  View()->GetLayerByIndex(0)->GetPath(path);
  EXPECT_STREQ(path, ZAMRA_SAMPLES_DIR "/world_countries.shp");

  EXPECT_EQ(Add(base + ".shp", false), QString()) << "loads with the limit gone";
  EXPECT_EQ(View()->GetLayerCount(), 2);
}
