// SPDX-License-Identifier: GPL-3.0-or-later
// Folders only this account may enter: scratch files hold the clerk's names and figures, and a shared
// folder such as /tmp lets other accounts read them or plant links at their names.
#pragma once

#include <string>

#include "failure/failure.h"

namespace velmora::fileio {

// Makes `path` (and any missing folder above it) with mode 0700 when it is missing, then checks that it
// is a real folder, not a link, owned by this account, with no access for anyone else. Fails with
// ScratchFolderUnusable (and the system's error number where there is one) otherwise; an unsafe folder is
// refused, never repaired, since others may already have put something inside.
failure::Failure makePrivateFolder(const std::string& path);

// The account's private folder for scratch files, made when missing: $XDG_RUNTIME_DIR/velmora, else
// $TMPDIR/velmora-<uid>, else /tmp/velmora-<uid>. `folder` receives it, without a trailing "/".
failure::Failure privateScratchFolder(std::string& folder);

}  // namespace velmora::fileio
