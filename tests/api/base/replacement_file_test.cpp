// Saving never loses the file already on disk, for every saver of the library: on a full disk
// (a small tmpfs with no free block and no free inode), under a file size limit, in a folder
// where no new file may be made, and at a new name; and no save follows a link that another
// user planted on the way to the file.
// SPDX-License-Identifier: MIT

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>        // SIGXFSZ
#include <sys/resource.h>  // RLIMIT_FSIZE
#include <unistd.h>        // seteuid, lchown

#include "api/base/bitmap.h"
#include "api/base/xml.h"
#include "api/formats/dbf_file.h"
#include "api/formats/shape_file.h"
#include "api/system/gzip.h"
#include "support/small_disk.h"
#include "support/table_values.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::ReadAll;
using zamra_test::SmallDisk;
using zamra_test::TempDir;
using zamra_test::WriteAll;

constexpr int kBig = 400;  // rows, points, pixels a side: every big save is well over 16 KB

std::vector<unsigned char> Noise(size_t size, unsigned seed)
{
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(size);
  for (unsigned char& byte : bytes)
    byte = static_cast<unsigned char>(random());
  return bytes;
}

std::unique_ptr<ZMDataView> Table(int rows)
{
  auto table = std::make_unique<ZMDataView>(1);
  table->SetColumn(0, ZM_VAR_STRING, 60, "NOTE", nullptr, 1);
  for (int row = 0; row < rows; ++row) {
    table->AddRow();
    const std::string text = "row " + std::to_string(row) + std::string(50, 'x');
    table->SetItemValue(row, 0, zamra_test::TextValue(text));
  }
  return table;
}

// A picture of noise (it does not compress) in a memory device context.
int WithNoisePicture(int side, const std::function<int(HDC, const RECT&)>& write)
{
  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(side, side, &bits);
  if (dc == nullptr)
    return 0;
  const std::vector<unsigned char> noise = Noise(static_cast<size_t>(ZMBitmap::GetBmpDataSize24(side, side)), 7);
  std::memcpy(bits, noise.data(), noise.size());
  const RECT rect{0, 0, side, side};
  const int result = write(dc, rect);
  DeleteDC(dc);
  return result;
}

// One saver: writes a small or a big version of its kind of file at `path`.
struct Saver {
  const char* name;
  std::function<bool(const std::string& path, bool big)> save;
  bool readsOtherFiles = false;  // needs sources outside the target's folder
};

class FullDiskSave : public ::testing::Test {
protected:
  void SetUp() override
  {
    WriteAll(m_sources.File("small.bin"), Noise(100, 1));
    WriteAll(m_sources.File("big.bin"), Noise(40000, 2));
    ASSERT_TRUE(ZMGZip::Zip(m_sources.File("small.bin").c_str(), m_sources.File("small.gz").c_str()));
    ASSERT_TRUE(ZMGZip::Zip(m_sources.File("big.bin").c_str(), m_sources.File("big.gz").c_str()));
    signal(SIGXFSZ, SIG_IGN);  // a file size limit then fails the write instead of ending the test
  }

  std::vector<Saver> Savers() const
  {
    const std::string sources = m_sources.Path();
    return {
        {"ZMXml::SaveXml",
         [](const std::string& path, bool big) {
           ZMXml document(u"doc");
           document.GetRootNode()->SetText(std::u16string(big ? 20000 : 10, u'x').c_str());
           return document.SaveXml(path.c_str());
         }},
        {"ZMDbfFile::SaveFile",
         [](const std::string& path, bool big) {
           auto table = Table(big ? kBig : 2);
           return ZMDbfFile::SaveFile(path.c_str(), table.get()) == 1;
         }},
        {"ZMShapeFile::Save",
         [](const std::string& path, bool big) {
           ZMShapePointFile file;
           ZMDataView* table = file.GetDataView();
           table->From(Table(big ? kBig : 2).get());
           for (int index = 0; index < table->GetRowCount(); ++index) {
             const ST_POINT point{static_cast<double>(index), 2.0};
             file.AddShape(&point);
           }
           return file.Save(path.c_str());
         }},
        {"ZMBitmap::SaveBmp",
         [](const std::string& path, bool big) {
           const int side = big ? 100 : 4;
           const std::vector<unsigned char> bits = Noise(static_cast<size_t>(ZMBitmap::GetBmpDataSize24(side, side)),
                                                         3);
           return ZMBitmap::SaveBmp(bits.data(), side, side, path.c_str()) == 1;
         }},
        {"ZMBitmap::WritePNG",
         [](const std::string& path, bool big) {
           return WithNoisePicture(big ? 100 : 2, [&path](HDC dc, const RECT& rect) {
                    return ZMBitmap::WritePNG(path.c_str(), dc, rect);
                  }) == 1;
         }},
        {"ZMBitmap::WriteJpeg",
         [](const std::string& path, bool big) {
           return WithNoisePicture(big ? 100 : 2, [&path](HDC dc, const RECT& rect) {
                    return ZMBitmap::WriteJpeg(path.c_str(), dc, rect);
                  }) == 1;
         }},
        {"ZMGZip::Zip",
         [sources](const std::string& path, bool big) {
           return ZMGZip::Zip((sources + (big ? "/big.bin" : "/small.bin")).c_str(), path.c_str());
         },
         true},
        {"ZMGZip::UnZip",
         [sources](const std::string& path, bool big) {
           return ZMGZip::UnZip((sources + (big ? "/big.gz" : "/small.gz")).c_str(), path.c_str());
         },
         true},
    };
  }

  // Every file of a folder with its bytes.
  static std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& folder)
  {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = ReadAll(entry.path().string());
    return files;
  }

  // What the saver writes on a disk with room, to compare an in-place rewrite with.
  std::map<std::string, std::vector<unsigned char>> Reference(const Saver& saver)
  {
    TempDir dir;
    EXPECT_TRUE(saver.save(dir.File("file.out"), true)) << saver.name;
    return Snapshot(dir.Path());
  }

  TempDir m_sources;
};

#define REQUIRE_MOUNTED(disk)                                                                                          \
  if (!(disk).Mounted())                                                                                               \
  GTEST_SKIP() << "no tmpfs can be mounted here (needs root)"

TEST_F(FullDiskSave, NoFreeBlockAndNoFreeInodeKeepTheOldFileByteForByte)
{
  for (const Saver& saver : Savers()) {
    SmallDisk disk(256 * 1024, 64);
    REQUIRE_MOUNTED(disk);
    ASSERT_TRUE(saver.save(disk.File("file.out"), false)) << saver.name;
    disk.Fill();
    const auto before = Snapshot(disk.Path());
    EXPECT_FALSE(saver.save(disk.File("file.out"), true)) << saver.name;
    EXPECT_EQ(Snapshot(disk.Path()), before) << saver.name;
  }
}

TEST_F(FullDiskSave, AFailedSaveToANewNameLeavesNoFile)
{
  for (const bool inodesLeft : {true, false}) {
    for (const Saver& saver : Savers()) {
      SmallDisk disk(256 * 1024, 64);
      REQUIRE_MOUNTED(disk);
      disk.Fill(true, !inodesLeft);
      const auto before = Snapshot(disk.Path());
      EXPECT_FALSE(saver.save(disk.File("new.out"), true)) << saver.name;
      EXPECT_EQ(Snapshot(disk.Path()), before) << saver.name << (inodesLeft ? " with inodes left" : "");
    }
  }
}

// Without a free inode no file can be made beside the target, so it is rewritten in place:
// with room that succeeds, and gives the same file as an ordinary save.
TEST_F(FullDiskSave, NoFreeInodeButRoomRewritesInPlace)
{
  for (const Saver& saver : Savers()) {
    SmallDisk disk(1024 * 1024, 64);
    REQUIRE_MOUNTED(disk);
    ASSERT_TRUE(saver.save(disk.File("file.out"), false)) << saver.name;
    disk.Fill(false, true);
    auto expected = Snapshot(disk.Path());
    for (const auto& [name, bytes] : Reference(saver))
      expected[name] = bytes;
    EXPECT_TRUE(saver.save(disk.File("file.out"), true)) << saver.name;
    EXPECT_EQ(Snapshot(disk.Path()), expected) << saver.name;
  }
}

TEST_F(FullDiskSave, AFileSizeLimitKeepsTheOldFile)
{
  for (const Saver& saver : Savers()) {
    TempDir dir;
    ASSERT_TRUE(saver.save(dir.File("file.out"), false)) << saver.name;
    const auto before = Snapshot(dir.Path());
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limited = saved;
    limited.rlim_cur = 8 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    const bool result = saver.save(dir.File("file.out"), true);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(result) << saver.name;
    EXPECT_EQ(Snapshot(dir.Path()), before) << saver.name;
  }
}

// Runs `body` as the user "nobody", for whom a folder of root's is read-only.
void AsAnotherUser(const std::function<void()>& body)
{
  ASSERT_EQ(::seteuid(65534), 0);
  body();
  ASSERT_EQ(::seteuid(0), 0);
}

TEST_F(FullDiskSave, AReadOnlyFolderWithAWritableFileKeepsItOnAFullDisk)
{
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  for (const Saver& saver : Savers()) {
    if (saver.readsOtherFiles)
      continue;
    SmallDisk disk(1024 * 1024, 64);
    REQUIRE_MOUNTED(disk);
    const std::string folder = disk.File("folder");
    std::filesystem::create_directory(folder);  // root's, so read-only for "nobody"
    ASSERT_TRUE(saver.save(folder + "/file.out", false)) << saver.name;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      ::chmod(entry.path().c_str(), 0666);
    disk.Fill();
    const auto before = Snapshot(folder);
    AsAnotherUser([&] { EXPECT_FALSE(saver.save(folder + "/file.out", true)) << saver.name; });
    EXPECT_EQ(Snapshot(folder), before) << saver.name;

    std::filesystem::remove(disk.File(".fill-blocks"));  // room again: the rewrite succeeds
    auto expected = Reference(saver);
    AsAnotherUser([&] { EXPECT_TRUE(saver.save(folder + "/file.out", true)) << saver.name; });
    EXPECT_EQ(Snapshot(folder), expected) << saver.name;
  }
}

TEST_F(FullDiskSave, AFileItsOwnerMadeReadOnlyIsNotReplaced)
{
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  for (const Saver& saver : Savers()) {
    if (saver.readsOtherFiles)
      continue;
    TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);  // anyone may make files here
    ASSERT_TRUE(saver.save(dir.File("file.out"), false)) << saver.name;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      ::chmod(entry.path().c_str(), 0444);
    const auto before = Snapshot(dir.Path());
    AsAnotherUser([&] { EXPECT_FALSE(saver.save(dir.File("file.out"), true)) << saver.name; });
    EXPECT_EQ(Snapshot(dir.Path()), before) << saver.name;
  }
}

// A folder link in a shared folder, owned by another user, that leads a save elsewhere.
class PlantedLink : public ::testing::Test {
protected:
  void SetUp() override
  {
    if (::geteuid() != 0)
      GTEST_SKIP() << "needs root to give a link to another user";
    std::filesystem::create_directory(m_dir.File("elsewhere"));
    WriteAll(m_dir.File("elsewhere/doc.xml"), {'o', 'l', 'd'});
    std::filesystem::create_directory(m_dir.File("shared"));
  }

  void Plant(std::filesystem::perms sharedMode, uid_t owner)
  {
    std::filesystem::permissions(m_dir.File("shared"), sharedMode);
    std::filesystem::create_directory_symlink(m_dir.File("elsewhere"), m_dir.File("shared/sub"));
    ASSERT_EQ(::lchown(m_dir.File("shared/sub").c_str(), owner, owner), 0);
  }

  bool SaveThroughTheLink()
  {
    ZMXml document(u"new");
    return document.SaveXml(m_dir.File("shared/sub/doc.xml").c_str());
  }

  ::testing::AssertionResult ElsewhereUntouched()
  {
    if (ReadAll(m_dir.File("elsewhere/doc.xml")) != std::vector<unsigned char>{'o', 'l', 'd'})
      return ::testing::AssertionFailure() << "the file behind the link changed";
    const auto files = std::distance(std::filesystem::directory_iterator(m_dir.File("elsewhere")), {});
    if (files != 1)
      return ::testing::AssertionFailure() << files << " files behind the link";
    return ::testing::AssertionSuccess();
  }

  TempDir m_dir;
};

TEST_F(PlantedLink, InAWorldWritableFolderIsNotFollowed)
{
  Plant(std::filesystem::perms::all, 65534);
  EXPECT_FALSE(SaveThroughTheLink());
  EXPECT_TRUE(ElsewhereUntouched());
  auto table = Table(1);
  EXPECT_EQ(ZMDbfFile::SaveFile(m_dir.File("shared/sub/table.dbf").c_str(), table.get()), 0);
  EXPECT_TRUE(ElsewhereUntouched());
}

TEST_F(PlantedLink, InAStickyFolderIsNotFollowed)
{
  Plant(std::filesystem::perms::all | std::filesystem::perms::sticky_bit, 65534);
  EXPECT_FALSE(SaveThroughTheLink());
  EXPECT_TRUE(ElsewhereUntouched());
}

TEST_F(PlantedLink, FurtherDownThePathIsNotFollowedEither)
{
  // shared/own is the user's link into the shared folder; the planted one comes after it.
  Plant(std::filesystem::perms::all, 65534);
  std::filesystem::create_directory_symlink(m_dir.File("shared"), m_dir.File("own"));
  ZMXml document(u"new");
  EXPECT_FALSE(document.SaveXml(m_dir.File("own/sub/../sub/doc.xml").c_str()));
  EXPECT_TRUE(ElsewhereUntouched());
}

TEST_F(PlantedLink, LinksNobodyElseCouldPlantAreFollowed)
{
  // The user's own link, and another user's link in a folder only its owner may write.
  Plant(std::filesystem::perms::owner_all | std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
        65534);
  EXPECT_TRUE(SaveThroughTheLink());
  EXPECT_NE(ReadAll(m_dir.File("elsewhere/doc.xml")), (std::vector<unsigned char>{'o', 'l', 'd'}));
  ASSERT_EQ(::lchown(m_dir.File("shared/sub").c_str(), 0, 0), 0);
  std::filesystem::permissions(m_dir.File("shared"), std::filesystem::perms::all);
  EXPECT_TRUE(SaveThroughTheLink());
}

}  // namespace
