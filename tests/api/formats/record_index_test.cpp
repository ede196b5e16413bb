// The shared record reader on hand-made files: where records end, what counts as damage, when
// the index is believed; and the code page names and widths the text readers rely on.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "shape_core/record_index.h"
#include "api/formats/shape_type.h"
#include "platform/system_calls.h"
#include "shape_core/text_code_page.h"
#include "support/temp_dir.h"

namespace zs = zamra::shape;

namespace {

// A point file of `count` records at x = 1, 2, ...; `declared` overrides the header's length.
std::vector<unsigned char> PointFile(int count, int declared = -1)
{
  std::vector<unsigned char> bytes(100 + 28 * static_cast<size_t>(count), 0);
  ZMType::WriteEsriInt(bytes.data(), 9994);
  ZMType::WriteEsriInt(bytes.data() + 24, (declared < 0 ? static_cast<int>(bytes.size()) : declared) / 2);
  ZMType::WriteInt(bytes.data() + 28, 1000);
  ZMType::WriteInt(bytes.data() + 32, 1);
  for (int i = 0; i < count; ++i) {
    unsigned char* record = bytes.data() + 100 + 28 * i;
    ZMType::WriteEsriInt(record, i + 1);
    ZMType::WriteEsriInt(record + 4, 10);
    ZMType::WriteInt(record + 8, 1);
    ZMType::WriteDouble(record + 12, i + 1.0);
  }
  return bytes;
}

std::vector<unsigned char> IndexFor(const std::vector<unsigned char>& shp, const std::vector<int>& offsets)
{
  std::vector<unsigned char> shx(shp.begin(), shp.begin() + 100);
  for (int offset : offsets) {
    unsigned char entry[8];
    ZMType::WriteEsriInt(entry, offset / 2);
    ZMType::WriteEsriInt(entry + 4, 10);
    shx.insert(shx.end(), entry, entry + 8);
  }
  return shx;
}

std::vector<double> Xs(const zs::RecordIndex& index)
{
  std::vector<double> xs;
  index.ForEach([&](int, const zs::Record& record) {
    xs.push_back(ZMType::ReadDouble(record.content + 4));
    return true;
  });
  return xs;
}

}  // namespace

TEST(RecordIndex, WhereTheRecordsEndAndWhereDamageBegins)
{
  zs::RecordIndex index;
  std::vector<unsigned char> padded = PointFile(2);
  padded.resize(padded.size() + 28, 0xAB);  // bytes after the length the header gives
  ASSERT_TRUE(index.Build(padded.data(), static_cast<std::int64_t>(padded.size()), nullptr, 0));
  EXPECT_EQ(index.Count(), 2);
  EXPECT_EQ(index.DamagedFrom(), -1) << "padding after the declared end is no damage";

  const std::vector<unsigned char> promised = PointFile(2, 100 + 28 * 3);  // the header promises a third
  ASSERT_TRUE(index.Build(promised.data(), static_cast<std::int64_t>(promised.size()), nullptr, 0));
  EXPECT_EQ(index.Count(), 2);
  EXPECT_EQ(index.DamagedFrom(), 2) << "cut exactly between records";

  std::vector<unsigned char> broken = PointFile(3);
  ZMType::WriteEsriInt(broken.data() + 100 + 28 + 4, -5);  // the second record's length
  ASSERT_TRUE(index.Build(broken.data(), static_cast<std::int64_t>(broken.size()), nullptr, 0));
  EXPECT_EQ(index.Count(), 1);
  EXPECT_EQ(index.DamagedFrom(), 1);
  EXPECT_EQ(Xs(index), std::vector<double>{1});

  std::vector<unsigned char> notAHeader = PointFile(1);
  ZMType::WriteInt(notAHeader.data() + 28, 1001);
  EXPECT_FALSE(index.Build(notAHeader.data(), static_cast<std::int64_t>(notAHeader.size()), nullptr, 0));
  EXPECT_FALSE(index.Build(notAHeader.data(), 99, nullptr, 0));
}

TEST(RecordIndex, TheIndexIsBelievedOnlyWhenItAgrees)
{
  zs::RecordIndex index;
  const std::vector<unsigned char> shp = PointFile(3);
  const std::vector<unsigned char> good = IndexFor(shp, {100, 128, 156});
  ASSERT_TRUE(index.Build(shp.data(), static_cast<std::int64_t>(shp.size()), good.data(),
                          static_cast<std::int64_t>(good.size())));
  EXPECT_TRUE(index.UsesIndexFile());
  EXPECT_EQ(Xs(index), (std::vector<double>{1, 2, 3}));

  // Out of file order, past the end, or naming a record of another length: the .shp is walked.
  for (const std::vector<int>& offsets : {std::vector<int>{128, 100, 156}, std::vector<int>{100, 128, 184},
                                          std::vector<int>{100, 130, 156}, std::vector<int>{100, 128}}) {
    const std::vector<unsigned char> shx = IndexFor(shp, offsets);
    ASSERT_TRUE(index.Build(shp.data(), static_cast<std::int64_t>(shp.size()), shx.data(),
                            static_cast<std::int64_t>(shx.size())));
    EXPECT_FALSE(index.UsesIndexFile());
    EXPECT_EQ(Xs(index), (std::vector<double>{1, 2, 3}));
  }
  std::vector<unsigned char> otherType = good;
  ZMType::WriteInt(otherType.data() + 32, 8);
  ASSERT_TRUE(index.Build(shp.data(), static_cast<std::int64_t>(shp.size()), otherType.data(),
                          static_cast<std::int64_t>(otherType.size())));
  EXPECT_FALSE(index.UsesIndexFile());
  EXPECT_EQ(index.Header().shapeType, 1) << "the .shp's type is the file's";
}

TEST(TextCodePage, NamesDriversWidthsAndCuts)
{
  EXPECT_EQ(zs::CodePageOfName("UTF-8"), 65001u);
  EXPECT_EQ(zs::CodePageOfName(" utf8\n"), 65001u);
  EXPECT_EQ(zs::CodePageOfName("cp936"), 936u);
  EXPECT_EQ(zs::CodePageOfName("Big5"), 950u);
  EXPECT_EQ(zs::CodePageOfName("EUC-KR"), 949u);
  EXPECT_EQ(zs::CodePageOfName("ISO-8859-15"), 28605u);
  EXPECT_EQ(zs::CodePageOfName("ANSI 1251"), 1251u);
  EXPECT_EQ(zs::CodePageOfName("Klingon"), 0u);
  EXPECT_EQ(zs::CodePageOfName(""), 0u);
  EXPECT_EQ(zs::CodePageOfLanguageDriver(0x4D), 936u);
  EXPECT_EQ(zs::CodePageOfLanguageDriver(0x7B), 932u);
  EXPECT_EQ(zs::CodePageOfLanguageDriver(0xC9), 1251u);
  EXPECT_EQ(zs::CodePageOfLanguageDriver(0x00), 0u) << "no driver named";

  EXPECT_EQ(zs::Utf8DisplayWidth("ab"), 2);
  EXPECT_EQ(zs::Utf8DisplayWidth("Zürich"), 6);
  EXPECT_EQ(zs::Utf8DisplayWidth("北京a"), 5);
  char field[6];
  zs::CopyUtf8Cut(field, sizeof field, "a北京");
  EXPECT_STREQ(field, "a北") << "five bytes hold one character and a half; the half goes";
  zs::CopyUtf8Cut(field, sizeof field, "ab");
  EXPECT_STREQ(field, "ab");
}

TEST(TextCodePage, ACpgThatCannotBeOpenedOrReadLeavesTheChoiceToTheDbf)
{
  using zamra::sys::Call;
  using zamra::sys::ScopedCallFailure;
  zamra_test::TempDir dir;
  std::vector<unsigned char> dbf(32, 0);
  dbf[0] = 3;
  dbf[29] = 0xC9;  // Cyrillic, 1251
  const std::vector<unsigned char> cpg = {'U', 'T', 'F', '-', '8'};
  zamra_test::WriteAll(dir.File("t.dbf"), dbf);
  zamra_test::WriteAll(dir.File("t.cpg"), cpg);
  const std::string path = dir.File("t.dbf");
  zs::CodePageSource source = zs::CodePageSource::Process;
  EXPECT_EQ(zs::TableCodePage(path, &source), 65001u);
  EXPECT_EQ(source, zs::CodePageSource::CpgFile);
  {
    ScopedCallFailure refused(Call::kOpen, EACCES);
    EXPECT_EQ(zs::TableCodePage(path, &source), 1251u);
    EXPECT_EQ(source, zs::CodePageSource::LanguageDriver);
  }
  {
    ScopedCallFailure broken(Call::kRead, EIO);
    EXPECT_EQ(zs::TableCodePage(path, &source), 1251u);
    EXPECT_EQ(source, zs::CodePageSource::LanguageDriver);
  }
  {
    ScopedCallFailure refused(Call::kOpen, EACCES, 0, 2);
    EXPECT_EQ(zs::TableCodePage(path, &source), 0u);
    EXPECT_EQ(source, zs::CodePageSource::Process);
  }
  {
    ScopedCallFailure broken(Call::kRead, EIO, 0, 2);
    EXPECT_EQ(zs::TableCodePage(path, &source), 0u);
    EXPECT_EQ(source, zs::CodePageSource::Process);
  }
  EXPECT_EQ(zamra_test::ReadAll(dir.File("t.dbf")), dbf);
  EXPECT_EQ(zamra_test::ReadAll(dir.File("t.cpg")), cpg);
  EXPECT_EQ(zs::TableCodePage(path, &source), 65001u) << "nothing kept from the failures";
}
