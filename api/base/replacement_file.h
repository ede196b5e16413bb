// Private: how every saver of the library replaces a file so that a failed save never costs
// the file already on disk. The new content goes to a file beside the target, which is moved
// into place (an atomic rename) only once it is complete. Where no file can be made beside it
// (a folder the user may not write, a disk without a free inode) an existing target is
// rewritten in place, but only after its room has been reserved, and with its old bytes at
// hand to put back if the rewrite still fails. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace zamra::base {

class ReplacementFile final {
public:
  explicit ReplacementFile(std::string target);
  // Closes and removes whatever was not moved into place; the target stays as it was.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Opens the place where the new content is written. False, with nothing created, when the
  // target's path runs through a link that another user could have planted (a link owned by
  // someone other than the user or root, in a folder others may write), when the target is
  // not a regular file or not writable by the user, or when neither a file beside it nor an
  // in-place rewrite is possible.
  bool Create();
  // Where the content is written, positioned where writing continues.
  HANDLE Handle() const { return m_handle; }
  // Completes the content: pushed to the disk and closed; for an in-place rewrite, the room
  // the new content needs is reserved in the target. False on any failure (nothing moved).
  bool Finish();
  // Puts the finished content in place of the target. False when that fails; the target
  // then still holds its old bytes.
  bool Commit();

  // For files that must change together (a shapefile's three files): SetOldAside moves the
  // finished file's old target to a name beside it before Commit, so that PutOldBack can
  // restore it after Commit (or after a later file of the group failed) and DropOld can remove
  // it once the whole group is in place. A target rewritten in place keeps its old bytes in
  // memory instead. Each is false when its step fails.
  bool SetOldAside();
  bool PutOldBack();
  void DropOld();
  // Pushes the folder's record of the rename to the disk (best effort: the move is done).
  void SyncFolder() const;

private:
  bool CommitInPlace();
  bool WriteBackInPlace();

  std::string m_target;     // as the caller named it
  std::string m_resolved;   // the file it names, links followed
  std::string m_temporary;  // the file beside the target, when there is one
  HANDLE m_handle = INVALID_HANDLE_VALUE;
  HANDLE m_existingTarget = INVALID_HANDLE_VALUE;  // the file replaced, held open while saving
  bool m_inPlace = false;                          // rewritten in place rather than renamed over
  std::vector<unsigned char> m_oldContent;         // its bytes, to restore after a failed rewrite
  std::string m_aside;                             // the old target moved aside, while it is there
  bool m_finished = false;
  bool m_committed = false;
};

// Puts every finished file of `files` in place of its target, or none: the old targets are
// moved aside first and put back if any step fails, so that after a failure each target holds
// its old bytes (or is absent again when it was absent). False on failure.
bool CommitTogether(const std::vector<ReplacementFile*>& files);

// Replaces the file's content by `size` bytes in the way described above; false on failure,
// with the old file as it was and no new file left behind.
bool ReplaceFileContents(const char* path, const void* bytes, size_t size);

}  // namespace zamra::base
