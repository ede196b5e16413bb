// The files named on the program's command line, as paths: file managers and launchers give
// paths or file:// URLs.
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace mapory {

// Each argument as a path: a file:// URL (any letter case of the scheme, "localhost" or no
// host) becomes the local path it names, its escapes decoded ("%20" a space, UTF-8 sequences
// the characters they spell); anything else, paths and other URLs, stays as it is so that the
// message about a file that cannot be added names it as the user gave it.
QStringList LocalFilesFromArguments(const QStringList& arguments);

}  // namespace mapory
