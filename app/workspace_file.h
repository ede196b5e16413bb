// CWorkspaceFile: where the program keeps its workspace file between runs.
//
// The file lives in the user's state folder ($XDG_STATE_HOME, or ~/.local/state when that is
// unset or not an absolute path), in "Mapory/Mapory.exe.xml": unlike the temporary folder, which
// many systems empty at every boot, it survives a reboot. Earlier versions kept it in the
// user's private temporary folder; a file there is read once when the state folder has none,
// and goes once the workspace has been written to its new place.
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

class IZamraView;

namespace mapory {

class CWorkspaceFile final {
public:
  CWorkspaceFile() = delete;

  // The workspace file in the state folder. The folder "Mapory" is created with mode 0700 (the
  // folders above it too, where missing) and is accepted only when it is a real directory
  // owned by the user, its mode tightened to 0700. Empty when no such folder can be had.
  static QByteArray Path();
  // The file where earlier versions kept it (the private temporary folder); empty when there
  // is no such folder.
  static QByteArray LegacyPath();
  // The file the next start reads: the state folder's when it exists there, otherwise the
  // old one when that exists, otherwise the state folder's path (empty when there is none).
  static QByteArray PathToLoad();

  // Writes the view's workspace to Path() with the view's safe save (a replacement written
  // beside it and renamed over it, never through a link); on success the old file in the
  // temporary folder is removed so that it is never read again. Without a state folder (no
  // home folder) it is written to LegacyPath() instead. True when written.
  static bool Save(IZamraView& view);
};

}  // namespace mapory
