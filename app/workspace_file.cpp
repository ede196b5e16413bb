// CWorkspaceFile: the workspace file's folder.
// SPDX-License-Identifier: MIT
#include "workspace_file.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>  // mkdir, lstat, chmod
#include <unistd.h>    // geteuid, unlink

#include "resource_ids.h"
#include "platform/system_paths.h"
#include "view/izamra_view.h"

namespace mapory {

namespace {

bool Exists(const QByteArray& path)
{
  struct stat status {};
  return !path.isEmpty() && ::lstat(path.constData(), &status) == 0;
}

// Creates the missing folders of an absolute path, each with mode 0700 (folders that exist
// keep their modes).
bool MakeFolders(const std::string& path)
{
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!folder.empty() && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

// The state folder's root: $XDG_STATE_HOME when absolute, else $HOME/.local/state.
std::string StateHome()
{
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/')
    return state;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/')
    return {};
  return std::string(home) + "/.local/state";
}

}  // namespace

QByteArray CWorkspaceFile::Path()
{
  std::string folder = StateHome();
  if (folder.empty())
    return {};
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  folder += "/Mapory";
  if (!MakeFolders(folder))
    return {};
  // The folder may have been put there by someone else: trust it only for what it really is.
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
    return {};
  if ((status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
    return {};
  return QByteArray::fromStdString(folder + "/" + kWorkspaceFileName);
}

QByteArray CWorkspaceFile::LegacyPath()
{
  char folder[261] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder)
    return {};
  return QByteArray(folder, int(length)) + kWorkspaceFileName;
}

QByteArray CWorkspaceFile::PathToLoad()
{
  const QByteArray path = Path();
  if (Exists(path))
    return path;
  const QByteArray legacy = LegacyPath();
  return Exists(legacy) ? legacy : path;
}

bool CWorkspaceFile::Save(IZamraView& view)
{
  const QByteArray path = Path();
  const QByteArray legacy = LegacyPath();
  if (path.isEmpty())  // no home folder: the temporary folder keeps the session as it did
    return !legacy.isEmpty() && view.SaveXml(legacy.constData()) == 1;
  if (view.SaveXml(path.constData()) != 1)
    return false;
  if (!legacy.isEmpty())
    ::unlink(legacy.constData());  // read once; from now on the state folder's file counts
  return true;
}

}  // namespace mapory
