// ReplacementFile: write beside the target, then rename into place; rewrite in place only
// with the room reserved and the old bytes kept.
// SPDX-License-Identifier: MIT
#include "base/replacement_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>   // remove
#include <cstdlib>  // free
#include <deque>

#include "api/base/file.h"
#include "platform/file_io.h"
#include "platform/system_calls.h"

namespace zamra::base {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows in one path lookup
constexpr size_t kCopyChunk = size_t{1} << 16;

// A link that another user could have placed where the saving user would follow it: owned by
// neither the user nor root, and, on the way to the file, in a folder that others may write.
// The file's own name is never taken through such a link: it could name any file of the user's.
bool IsPlantedLink(const struct stat& link, const std::string& folder, bool lastComponent)
{
  if (link.st_uid == zamra::sys::GetEUid() || link.st_uid == 0)
    return false;
  if (lastComponent)
    return true;
  struct stat status {};
  if (zamra::sys::Stat(folder.empty() ? "/" : folder.c_str(), &status) != 0)
    return true;
  return (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Follows `path` one component at a time, as the kernel would, into the path of the file it
// names (no links left in it). False when a folder is missing, a link was planted by another
// user, or links loop; `exists` tells whether the last component names something.
bool Resolve(const std::string& path, std::string& resolved, bool& exists)
{
  std::deque<std::string> pending;
  auto queue = [&pending](const std::string& text) {
    std::deque<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
      const size_t slash = std::min(text.find('/', start), text.size());
      if (slash > start)
        parts.push_back(text.substr(start, slash - start));
      start = slash + 1;
    }
    pending.insert(pending.begin(), parts.begin(), parts.end());
  };
  std::string current;  // "" is the root folder
  if (path.empty())
    return false;
  if (path[0] != '/') {
    char* cwd = zamra::sys::GetCwd();
    if (cwd == nullptr)
      return false;
    current = cwd;
    std::free(cwd);
    if (current == "/")
      current.clear();
  }
  queue(path);
  int links = 0;
  exists = true;
  while (!pending.empty()) {
    const std::string part = pending.front();
    pending.pop_front();
    if (part == ".")
      continue;
    if (part == "..") {
      current.erase(std::min(current.size(), current.rfind('/')));  // `current` holds no links
      continue;
    }
    const std::string candidate = current + "/" + part;
    struct stat status {};
    if (zamra::sys::LStat(candidate.c_str(), &status) != 0) {
      if (errno != ENOENT || !pending.empty())
        return false;
      exists = false;
      resolved = candidate;
      return true;
    }
    if (S_ISLNK(status.st_mode)) {
      if (IsPlantedLink(status, current, pending.empty()) || ++links > kMaxLinks) {
        errno = EPERM;
        return false;
      }
      std::string target(static_cast<size_t>(status.st_size > 0 ? status.st_size : 4096) + 1, '\0');
      const ssize_t length = zamra::sys::ReadLink(candidate.c_str(), target.data(), target.size());
      if (length <= 0 || static_cast<size_t>(length) >= target.size())
        return false;
      target.resize(static_cast<size_t>(length));
      if (target[0] == '/')
        current.clear();
      queue(target);
      continue;
    }
    if (!pending.empty() && !S_ISDIR(status.st_mode))
      return false;
    current = candidate;
  }
  resolved = current.empty() ? "/" : current;
  return true;
}

bool WriteAt(int descriptor, const unsigned char* bytes, size_t size, off_t offset)
{
  return zamra::sys::PWriteFully(descriptor, bytes, size, offset);
}

// An end of file before `size` bytes is a failure too.
bool ReadAt(int descriptor, unsigned char* bytes, size_t size, off_t offset)
{
  size_t done = 0;
  return zamra::sys::PReadFully(descriptor, bytes, size, offset, &done) && done == size;
}

std::int64_t SizeOf(HANDLE file)
{
  std::int64_t size = -1;
  return GetFileSizeEx(file, &size) ? size : -1;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile()
{
  if (m_handle != INVALID_HANDLE_VALUE)
    CloseHandle(m_handle);
  if (m_existingTarget != INVALID_HANDLE_VALUE)
    CloseHandle(m_existingTarget);
  if (!m_committed && !m_temporary.empty())
    std::remove(m_temporary.c_str());
  // Whatever stopped the group, the old file is not left under another name.
  if (!m_aside.empty() && !m_committed)
    zamra::sys::Rename(m_aside.c_str(), m_resolved.c_str());
}

bool ReplacementFile::Create()
{
  if (m_handle != INVALID_HANDLE_VALUE || m_committed)
    return false;
  bool exists = false;
  if (!Resolve(m_target, m_resolved, exists))
    return false;
  // Only a regular file (or nothing) can be replaced; a folder in its place would refuse the
  // final rename after the other files of a save had already moved in.
  struct stat existing {};
  if (exists && (zamra::sys::Stat(m_resolved.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)))
    return false;
  // Holding the target open for writing keeps a second writer out until the save is done, and
  // refuses a file its owner made read-only.
  if (exists) {
    m_existingTarget = CreateFileA(m_resolved.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_existingTarget == INVALID_HANDLE_VALUE)
      return false;
  }
  static std::atomic<unsigned> s_counter{0};
  // CREATE_NEW never opens someone else's file; a name already taken just tries the next.
  DWORD error = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = m_resolved + ".~" + std::to_string(static_cast<long>(zamra::sys::GetPid())) + "-" +
                             std::to_string(s_counter.fetch_add(1)) + ".tmp";
    m_handle = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (m_handle != INVALID_HANDLE_VALUE) {
      m_temporary = name;
      if (exists) {  // the replacement keeps the owner and permissions of the file it replaces
        const int descriptor = GetFileDescriptor(m_handle);
        // Fails unless root saves another user's file; then the file stays that user's.
        [[maybe_unused]] const int owned = zamra::sys::FChown(descriptor, existing.st_uid, existing.st_gid);
        zamra::sys::FChmod(descriptor, existing.st_mode & 07777);
      }
      return true;
    }
    error = GetLastError();
    if (error != EEXIST)
      break;
  }
  if (!exists || error == EEXIST)
    return false;
  // No file can be made beside the target: its content is prepared apart and later written
  // over it.
  m_inPlace = true;
  m_handle = ZMFile::CreateTempFile(u"zamra-save");
  return m_handle != INVALID_HANDLE_VALUE;
}

bool ReplacementFile::Finish()
{
  if (m_handle == INVALID_HANDLE_VALUE || m_finished)
    return false;
  if (!m_inPlace) {
    const bool flushed = FlushFileBuffers(m_handle) != FALSE;
    const bool closed = CloseHandle(m_handle) != FALSE;
    m_handle = INVALID_HANDLE_VALUE;
    m_finished = flushed && closed;
    return m_finished;
  }
  // Everything that could fail for want of room happens here, before the target is touched.
  const std::int64_t newSize = SizeOf(m_handle);
  const std::int64_t oldSize = SizeOf(m_existingTarget);
  if (newSize < 0 || oldSize < 0)
    return false;
  struct rlimit limit {};
  if (zamra::sys::GetRLimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<std::uint64_t>(std::max(newSize, oldSize)) > limit.rlim_cur)
    return false;
  const int target = GetFileDescriptor(m_existingTarget);
  // Allocating every block the new content covers (holes included) means that writing it
  // cannot meet a full disk; a file system that cannot promise this gets no in-place rewrite.
  if (newSize > 0 && zamra::sys::FAllocate(target, FALLOC_FL_KEEP_SIZE, 0, newSize) != 0)
    return false;
  try {
    m_oldContent.resize(static_cast<size_t>(oldSize));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!ReadAt(target, m_oldContent.data(), m_oldContent.size(), 0))
    return false;
  m_finished = true;
  return true;
}

bool ReplacementFile::Commit()
{
  if (!m_finished || m_committed)
    return false;
  if (m_inPlace)
    return m_committed = CommitInPlace();
  if (zamra::sys::Rename(m_temporary.c_str(), m_resolved.c_str()) != 0)
    return false;
  m_committed = true;
  return true;
}

bool ReplacementFile::SetOldAside()
{
  if (!m_finished || m_committed || !m_aside.empty())
    return false;
  if (m_inPlace || m_existingTarget == INVALID_HANDLE_VALUE)
    return true;  // old bytes in memory, or no old file at all
  static std::atomic<unsigned> s_counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = m_resolved + ".~" + std::to_string(static_cast<long>(zamra::sys::GetPid())) + "-" +
                             std::to_string(s_counter.fetch_add(1)) + ".old";
    struct stat status {};
    // rename() would replace a file of that name: only a free one is taken.
    if (zamra::sys::LStat(name.c_str(), &status) == 0)
      continue;
    if (errno != ENOENT)
      return false;
    if (zamra::sys::Rename(m_resolved.c_str(), name.c_str()) != 0)
      return false;
    m_aside = name;
    return true;
  }
  return false;
}

bool ReplacementFile::PutOldBack()
{
  if (m_inPlace)
    return !m_committed || WriteBackInPlace();
  if (!m_aside.empty()) {
    if (zamra::sys::Rename(m_aside.c_str(), m_resolved.c_str()) != 0)
      return false;
    m_aside.clear();
    return true;
  }
  // There was no old file: the new one goes again.
  return !m_committed || m_existingTarget != INVALID_HANDLE_VALUE || zamra::sys::Unlink(m_resolved.c_str()) == 0;
}

void ReplacementFile::DropOld()
{
  // Once committed, a removal that failed leaves a stray copy, never a restore over new content.
  const bool removed = !m_aside.empty() && zamra::sys::Unlink(m_aside.c_str()) == 0;
  if (removed || m_committed)
    m_aside.clear();
}

void ReplacementFile::SyncFolder() const
{
  const size_t slash = m_resolved.rfind('/');
  const std::string folder = slash == 0 || slash == std::string::npos ? "/" : m_resolved.substr(0, slash);
  const int descriptor = zamra::sys::Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0)
    return;
  zamra::sys::FSync(descriptor);
  zamra::sys::Close(descriptor);
}

bool CommitTogether(const std::vector<ReplacementFile*>& files)
{
  size_t aside = 0;
  while (aside < files.size() && files[aside]->SetOldAside())
    ++aside;
  size_t moved = 0;
  if (aside == files.size())
    while (moved < files.size() && files[moved]->Commit())
      ++moved;
  if (moved == files.size()) {
    // The new names reach the disk before the old files are gone.
    for (ReplacementFile* file : files)
      file->SyncFolder();
    for (ReplacementFile* file : files)
      file->DropOld();
    return true;
  }
  for (ReplacementFile* file : files)
    file->PutOldBack();
  return false;
}

bool ReplacementFile::CommitInPlace()
{
  const int source = GetFileDescriptor(m_handle);
  const int target = GetFileDescriptor(m_existingTarget);
  const std::int64_t newSize = SizeOf(m_handle);
  bool written = newSize >= 0;
  std::vector<unsigned char> chunk(kCopyChunk);
  for (std::int64_t offset = 0; written && offset < newSize; offset += static_cast<std::int64_t>(kCopyChunk)) {
    const size_t size = static_cast<size_t>(std::min<std::int64_t>(newSize - offset, kCopyChunk));
    written = ReadAt(source, chunk.data(), size, offset) && WriteAt(target, chunk.data(), size, offset);
  }
  // The new bytes reach the disk before a longer old file is cut, while its blocks are still
  // there to take the old bytes back.
  written = written && zamra::sys::FSync(target) == 0 && zamra::sys::FTruncate(target, newSize) == 0 &&
            zamra::sys::FSync(target) == 0;
  if (!written)
    WriteBackInPlace();
  return written;
}

bool ReplacementFile::WriteBackInPlace()
{
  // The reserved blocks take the old bytes back as they took the new ones.
  const int target = GetFileDescriptor(m_existingTarget);
  return WriteAt(target, m_oldContent.data(), m_oldContent.size(), 0) &&
         zamra::sys::FTruncate(target, static_cast<off_t>(m_oldContent.size())) == 0 && zamra::sys::FSync(target) == 0;
}

bool ReplaceFileContents(const char* path, const void* bytes, size_t size)
{
  if (path == nullptr || (bytes == nullptr && size > 0))
    return false;
  ReplacementFile file(path);
  if (!file.Create())
    return false;
  const auto* data = static_cast<const unsigned char*>(bytes);
  // WriteFile takes 32-bit counts.
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, size_t{1} << 30));
    DWORD written = 0;
    if (!WriteFile(file.Handle(), data, piece, &written, nullptr) || written != piece)
      return false;
    data += piece;
    size -= piece;
  }
  return file.Finish() && file.Commit();
}

}  // namespace zamra::base
