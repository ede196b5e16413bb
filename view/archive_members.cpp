// Shapefiles in .zip archives, read with libzip.
#include "archive_members.h"

#include <sys/stat.h>  // S_ISREG

#include <cctype>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include <zip.h>

#include "packed_members.h"
#include "shape_core/shape_layout.h"
#include "platform/system_calls.h"

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

// Deflate cannot shrink data more than about 1,032 times: an entry claiming more inflated bytes
// than that is damaged, and is refused before a block of its claimed size is allocated.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// The whole member into a block of its own. A deflated member's raw stream is read into
// `packed`, to be inflated (and its CRC checked) by InflateMembers; any other member is read
// whole here, libzip checking its CRC as the last byte is read.
ZamraArchiveStatus ReadMember(zip_t* archive, zip_int64_t index, FileBytes& bytes, std::vector<PackedMember>& packed)
{
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0)
    return ZamraArchiveStatus::Damaged;
  if (stat.size > static_cast<zip_uint64_t>(zamra::shape::kMaxFileBytes))
    return ZamraArchiveStatus::TooLarge;
  constexpr zip_uint64_t kRawFields = ZIP_STAT_COMP_METHOD | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                      ZIP_STAT_ENCRYPTION_METHOD;
  const bool deflated = (stat.valid & kRawFields) == kRawFields && stat.comp_method == ZIP_CM_DEFLATE &&
                        stat.encryption_method == ZIP_EM_NONE;
  if (deflated && (stat.comp_size > static_cast<zip_uint64_t>(zamra::shape::kMaxFileBytes) ||
                   stat.size / kMaxDeflateRatio > stat.comp_size))
    return ZamraArchiveStatus::Damaged;
  const auto size = static_cast<std::int64_t>(stat.size);
  bytes.data.reset(AllocateLarge(size > 0 ? size : 1, true));
  bytes.size = 0;
  if (!bytes.data)
    return ZamraArchiveStatus::TooLarge;
  MemberPtr member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), deflated ? ZIP_FL_COMPRESSED : 0));
  if (!member)
    return ZamraArchiveStatus::Damaged;
  if (!deflated) {
    const ZamraArchiveStatus status = ReadOpened(member.get(), bytes.data.get(), size);
    bytes.size = status == ZamraArchiveStatus::Ok ? size : 0;
    return status;
  }
  PackedMember raw;
  raw.packed.size = static_cast<std::int64_t>(stat.comp_size);
  raw.packed.data.reset(AllocateLarge(raw.packed.size > 0 ? raw.packed.size : 1, true));
  if (!raw.packed.data)
    return ZamraArchiveStatus::TooLarge;
  const ZamraArchiveStatus status = ReadOpened(member.get(), raw.packed.data.get(), raw.packed.size);
  if (status != ZamraArchiveStatus::Ok)
    return status;
  bytes.size = size;
  raw.target = &bytes;
  raw.crc = static_cast<std::uint32_t>(stat.crc);
  packed.push_back(std::move(raw));
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
    files = ShapefileBytes();
    return ZamraArchiveStatus::TooLarge;
  }
}
