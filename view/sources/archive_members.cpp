// Shapefiles in .zip archives, read with libzip.
// SPDX-License-Identifier: MIT
#include "sources/archive_members.h"

#include <sys/stat.h>  // S_ISREG

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>  // realloc
#include <memory>
#include <new>
#include <vector>

#include <zip.h>

#include "sources/packed_members.h"
#include "shape_core/shape_layout.h"
#include "platform/memory_room.h"
#include "platform/system_calls.h"

using namespace zamra::view;

namespace zamra::view {

namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }  // read only: nothing to write back
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

struct MemberCloser {
  void operator()(zip_file_t* member) const { zip_fclose(member); }
};
using MemberPtr = std::unique_ptr<zip_file_t, MemberCloser>;

std::string Lower(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWithNoCase(const std::string& text, const char* ending)
{
  const std::string tail = ending;
  return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == tail;
}

// A member name that would land outside a folder it was unpacked into: from the root, with a
// drive letter, or with a ".." step. Such archives are made to attack, or are broken.
bool IsUnsafeName(const std::string& name)
{
  if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':'))
    return true;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find_first_of("/\\", start), name.size());
    if (name.compare(start, end - start, "..") == 0)
      return true;
    start = end + 1;
  }
  return false;
}

// Opens the archive and checks every member's name.
ZamraArchiveStatus OpenArchive(const std::string& path, ArchivePtr& archive)
{
  int error = 0;
  archive.reset(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!archive)
    return error == ZIP_ER_INCONS   ? ZamraArchiveStatus::Damaged
           : error == ZIP_ER_MEMORY ? ZamraArchiveStatus::TooLarge
                                    : ZamraArchiveStatus::CannotOpen;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t index = 0; index < count; ++index) {
    const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    if (name == nullptr)
      return ZamraArchiveStatus::Damaged;
    if (IsUnsafeName(name))
      return ZamraArchiveStatus::UnsafePath;
  }
  return ZamraArchiveStatus::Ok;
}

// Reads `size` bytes of an opened member into `out`, and checks that nothing follows them.
ZamraArchiveStatus ReadOpened(zip_file_t* member, unsigned char* out, std::int64_t size)
{
  std::int64_t done = 0;
  while (done < size) {
    const zip_int64_t got = zip_fread(member, out + done, static_cast<zip_uint64_t>(size - done));
    if (got <= 0)
      return ZamraArchiveStatus::Damaged;  // cut short, or its bytes fail their CRC
    done += got;
  }
  unsigned char extra = 0;
  if (zip_fread(member, &extra, 1) != 0)
    return ZamraArchiveStatus::Damaged;  // longer than its entry says, or the CRC is wrong
  return ZamraArchiveStatus::Ok;
}

// The most a member can unpack to from `packed` bytes, as far as its method tells; -1 when the
// method sets no bound that helps (bzip2, xz and zstd reach millions to one).
std::int64_t MostUnpacked(std::int32_t method, std::int64_t packed)
{
  constexpr std::int64_t kDeflateRatio = 1032;  // a 258-byte match in at least two bits
  constexpr std::int64_t kDeflateSlack = 1024;  // block headers, and a final partial byte
  switch (method) {
  case ZIP_CM_STORE:
    return packed;
  case ZIP_CM_DEFLATE:
    return packed * kDeflateRatio + kDeflateSlack;
  default:
    return -1;
  }
}

// A deflated member's raw stream into `packed`, to be inflated into `bytes` (a block of its
// size) and its CRC checked by InflateMembers.
ZamraArchiveStatus ReadDeflated(zip_t* archive, zip_int64_t index, const zip_stat_t& stat, FileBytes& bytes,
                                std::vector<PackedMember>& packed)
{
  const auto size = static_cast<std::int64_t>(stat.size);
  PackedMember raw;
  raw.packed.size = static_cast<std::int64_t>(stat.comp_size);
  bytes.data.reset(AllocateLarge(size > 0 ? size : 1, true));
  raw.packed.data.reset(AllocateLarge(raw.packed.size > 0 ? raw.packed.size : 1, true));
  if (!bytes.data || !raw.packed.data) {
    zamra::sys::NoteMemoryShort();
    return ZamraArchiveStatus::TooLarge;
  }
  MemberPtr member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED));
  if (!member)
    return ZamraArchiveStatus::Damaged;
  const ZamraArchiveStatus status = ReadOpened(member.get(), raw.packed.data.get(), raw.packed.size);
  if (status != ZamraArchiveStatus::Ok)
    return status;
  bytes.size = size;
  raw.target = &bytes;
  raw.crc = static_cast<std::uint32_t>(stat.crc);
  packed.push_back(std::move(raw));
  return ZamraArchiveStatus::Ok;
}

// The whole member into a block of its own. A deflated member goes to `packed` (ReadDeflated);
// any other is read here, libzip checking its CRC as the last byte is read. The size the archive
// claims is believed only as far as the member's packed bytes can make it (libzip has checked
// that those lie inside the archive); for a method without such a bound the block grows with
// what really unpacks, from a first piece of at most kFirstPiece.
ZamraArchiveStatus ReadMember(zip_t* archive, zip_int64_t index, FileBytes& bytes, std::vector<PackedMember>& packed)
{
  constexpr std::int64_t kFirstPiece = std::int64_t{16} << 20;
  zip_stat_t stat;
  zip_stat_init(&stat);
  constexpr zip_uint64_t kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
  if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || (stat.valid & kNeeded) != kNeeded)
    return ZamraArchiveStatus::Damaged;
  if (stat.size > static_cast<zip_uint64_t>(zamra::shape::kMaxFileBytes))
    return ZamraArchiveStatus::TooLarge;
  const std::int64_t most = MostUnpacked(stat.comp_method, static_cast<std::int64_t>(stat.comp_size));
  if (most >= 0 && stat.size > static_cast<zip_uint64_t>(most))
    return ZamraArchiveStatus::Damaged;  // a size its packed bytes cannot make
  constexpr zip_uint64_t kRawFields = ZIP_STAT_CRC | ZIP_STAT_ENCRYPTION_METHOD;
  if (stat.comp_method == ZIP_CM_DEFLATE && (stat.valid & kRawFields) == kRawFields &&
      stat.encryption_method == ZIP_EM_NONE)
    return ReadDeflated(archive, index, stat, bytes, packed);
  const auto size = static_cast<std::int64_t>(stat.size);
  std::int64_t capacity = most >= 0 ? size : std::min(size, kFirstPiece);
  bytes.data.reset(AllocateLarge(capacity > 0 ? capacity : 1, true));
  bytes.size = 0;
  if (!bytes.data)
    return ZamraArchiveStatus::TooLarge;
  MemberPtr member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!member)
    return ZamraArchiveStatus::Damaged;
  std::int64_t done = 0;
  while (done < size) {
    if (done == capacity) {
      const std::int64_t grown = std::min(size, 2 * capacity);
      auto* larger = static_cast<unsigned char*>(
          zamra::sys::HasMemoryFor(grown) ? std::realloc(bytes.data.get(), static_cast<size_t>(grown)) : nullptr);
      if (larger == nullptr) {
        zamra::sys::NoteMemoryShort();
        return ZamraArchiveStatus::TooLarge;
      }
      static_cast<void>(bytes.data.release());  // realloc moved it into larger
      bytes.data.reset(larger);
      capacity = grown;
    }
    const zip_int64_t got = zip_fread(member.get(), bytes.data.get() + done,
                                      static_cast<zip_uint64_t>(capacity - done));
    if (got <= 0)
      return ZamraArchiveStatus::Damaged;  // cut short, or its bytes fail their CRC
    done += got;
  }
  unsigned char extra = 0;
  if (zip_fread(member.get(), &extra, 1) != 0)
    return ZamraArchiveStatus::Damaged;  // longer than its entry says, or the CRC is wrong
  bytes.size = size;
  return ZamraArchiveStatus::Ok;
}

// The index of the member named `base` + `extension`, the extension in the .shp's letter case
// first, then in the other; -1 when there is none.
zip_int64_t FindCompanion(zip_t* archive, const std::string& base, bool upper, const char* extension)
{
  std::string preferred = extension, other = extension;
  for (char& c : upper ? preferred : other)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const zip_int64_t found = zip_name_locate(archive, (base + preferred).c_str(), ZIP_FL_ENC_GUESS);
  return found >= 0 ? found : zip_name_locate(archive, (base + other).c_str(), ZIP_FL_ENC_GUESS);
}

// Reads a companion when the archive has one; `present` says whether it had.
ZamraArchiveStatus ReadCompanion(zip_t* archive, const std::string& base, bool upper, const char* extension,
                                 FileBytes& bytes, bool& present, std::vector<PackedMember>& packed)
{
  const zip_int64_t index = FindCompanion(archive, base, upper, extension);
  present = index >= 0;
  return present ? ReadMember(archive, index, bytes, packed) : ZamraArchiveStatus::Ok;
}

}  // namespace

}  // namespace zamra::view

bool ZamraArchive::IsArchive(const std::string& path) { return EndsWithNoCase(path, ".zip"); }

bool ZamraArchive::SplitMemberPath(const std::string& path, std::string& archive, std::string& member)
{
  archive.clear();
  member.clear();
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string head = path.substr(0, slash);
    struct stat status {};
    if (IsArchive(head) && zamra::sys::Stat(head.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      archive = head;
      member = path.substr(slash + 1);
      return !member.empty();
    }
  }
  return false;
}

std::string ZamraArchive::MemberPath(const std::string& archive, const std::string& member)
{
  return archive + "/" + member;
}

ZamraArchiveStatus ZamraArchive::ListShapefiles(const std::string& path, std::vector<std::string>& members)
{
  members.clear();
  try {
    ArchivePtr archive;
    const ZamraArchiveStatus status = OpenArchive(path, archive);
    if (status != ZamraArchiveStatus::Ok)
      return status;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t index = 0; index < count; ++index) {
      const std::string name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
      if (EndsWithNoCase(name, ".shp"))
        members.push_back(name);
    }
    return members.empty() ? ZamraArchiveStatus::NoShapefile : ZamraArchiveStatus::Ok;
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    members.clear();
    return ZamraArchiveStatus::TooLarge;
  }
}

ZamraArchiveStatus ZamraArchive::CheckMember(const std::string& memberPath)
{
  std::string archive, member;
  if (!SplitMemberPath(memberPath, archive, member))
    return ZamraArchiveStatus::CannotOpen;
  ShapefileBytes files;
  return ReadArchiveShapefile(archive, member, files);
}

namespace zamra::view {

ZamraArchiveStatus ReadArchiveShapefile(const std::string& path, const std::string& member, ShapefileBytes& files)
{
  try {
    files = ShapefileBytes();
    ArchivePtr archive;
    ZamraArchiveStatus status = OpenArchive(path, archive);
    if (status != ZamraArchiveStatus::Ok)
      return status;
    const zip_int64_t shp = zip_name_locate(archive.get(), member.c_str(), ZIP_FL_ENC_GUESS);
    if (shp < 0 || !EndsWithNoCase(member, ".shp"))
      return ZamraArchiveStatus::CannotOpen;
    std::vector<PackedMember> packed;
    if ((status = ReadMember(archive.get(), shp, files.shp, packed)) != ZamraArchiveStatus::Ok)
      return status;
    const std::string base = member.substr(0, member.size() - 4);
    const bool upper = std::isupper(static_cast<unsigned char>(member[member.size() - 3])) != 0;
    bool present = false;
    FileBytes cpg, prj;
    zip_t* opened = archive.get();
    if ((status = ReadCompanion(opened, base, upper, ".shx", files.shx, present, packed)) != ZamraArchiveStatus::Ok ||
        (status = ReadCompanion(opened, base, upper, ".dbf", files.dbf, files.hasDbf, packed)) !=
            ZamraArchiveStatus::Ok ||
        (status = ReadCompanion(opened, base, upper, ".cpg", cpg, present, packed)) != ZamraArchiveStatus::Ok ||
        (status = ReadCompanion(opened, base, upper, ".prj", prj, files.hasPrj, packed)) != ZamraArchiveStatus::Ok)
      return status;
    if (!InflateMembers(packed)) {
      files = ShapefileBytes();
      return ZamraArchiveStatus::Damaged;
    }
    if (cpg.size > 0)
      files.cpg.assign(reinterpret_cast<const char*>(cpg.data.get()), static_cast<size_t>(cpg.size));
    if (prj.size > 0)
      files.prj.assign(reinterpret_cast<const char*>(prj.data.get()), static_cast<size_t>(prj.size));
    return ZamraArchiveStatus::Ok;
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    files = ShapefileBytes();
    return ZamraArchiveStatus::TooLarge;
  }
}

}  // namespace zamra::view
