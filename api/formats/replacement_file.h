// Private: a file written beside its target under a temporary name and moved into place only
// once it is complete, so that a failed save never destroys the file already on disk. Not
// part of the library's interface.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace zamra::formats {

class ReplacementFile final {
public:
  explicit ReplacementFile(std::string target);
  // Closes and removes the temporary file unless it was moved into place.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file in the target's folder; false when it cannot be created.
  bool Create();
  // The open temporary file, positioned where writing continues.
  HANDLE Handle() const { return m_handle; }
  // Pushes the data to the disk and closes the file; false on any failure.
  bool Finish();
  // Moves the finished temporary file over the target (rename, atomic within a folder).
  bool Commit();

private:
  std::string m_target;
  std::string m_temporary;
  HANDLE m_handle = INVALID_HANDLE_VALUE;
  bool m_committed = false;
};

} // namespace zamra::formats
