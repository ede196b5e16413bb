// A small disk of its own for one test: a tmpfs of a few blocks and inodes, mounted in a
// temporary folder (only root may mount; tests skip when it cannot be done) and filled up on
// demand, so that saves meet a real full disk.
// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>  // open
#include <string>
#include <sys/mount.h>  // mount, umount2
#include <sys/stat.h>   // chmod
#include <unistd.h>     // write, close

#include "support/temp_dir.h"

namespace zamra_test {

class SmallDisk final {
public:
  // `bytes` of room and `inodes` files (the root folder takes one).
  SmallDisk(size_t bytes, int inodes)
  {
    if (m_dir.Path().empty())
      return;
    ::chmod(m_dir.Path().c_str(), 0755);  // reachable by the other user some tests become
    m_root = m_dir.File("disk");
    if (::mkdir(m_root.c_str(), 0755) != 0)
      return;
    const std::string options = "size=" + std::to_string(bytes) + ",nr_inodes=" + std::to_string(inodes) + ",mode=0755";
    m_mounted = ::mount("tmpfs", m_root.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallDisk()
  {
    if (m_mounted)
      ::umount2(m_root.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return m_mounted; }
  const std::string& Path() const { return m_root; }
  std::string File(const std::string& name) const { return m_root + "/" + name; }

  // Takes every free block (one filler file written until the disk refuses), then every free
  // inode (empty files until none can be made).
  void Fill(bool blocks = true, bool inodes = true)
  {
    if (blocks) {
      const int filler = ::open(File(".fill-blocks").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      const std::string chunk(4096, 'f');
      while (filler >= 0 && ::write(filler, chunk.data(), chunk.size()) > 0) {
      }
      // The last partial page: byte by byte.
      while (filler >= 0 && ::write(filler, "f", 1) > 0) {
      }
      if (filler >= 0)
        ::close(filler);
    }
    for (int index = 0; inodes && index < 100000; ++index) {
      const int file = ::open(File(".fill-" + std::to_string(index)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
      if (file < 0)
        break;
      ::close(file);
    }
  }

private:
  TempDir m_dir;
  std::string m_root;
  bool m_mounted = false;
};

}  // namespace zamra_test
