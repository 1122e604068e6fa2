// SPDX-License-Identifier: GPL-3.0-or-later
// Folders only this account may enter: scratch files hold the clerk's names and figures, and a shared
// folder such as /tmp lets other accounts read them or plant links at their names.
#pragma once

#include <string>

#include "failure/failure.h"

namespace velmora::fileio {

// Makes `path` (and any missing folder above it) with mode 0700 when it is missing, then checks that it
// is a real folder, not a link, owned by this account. One of this account's that others may only read
// or enter (0755, say) is tightened to 0700; one that others may write into is refused, never repaired,
// since others may already have put something inside. Fails with ScratchFolderUnusable naming the folder
// and the cause (NotAFolder, IsLink, OtherAccountOwns, OpenToOthers, or the system error met).
failure::Failure makePrivateFolder(const std::string& path);

// The account's private folder for scratch files, chosen and made by choose(): $XDG_RUNTIME_DIR/velmora,
// else $TMPDIR/velmora-<uid> (or /tmp/velmora-<uid>). Another account can take that name in a shared
// /tmp first, so when it cannot be used the scratch goes to $XDG_CACHE_HOME/velmora (or
// ~/.cache/velmora), and failing that to a fresh folder of its own beside it, $TMPDIR/velmora-<uid>-XXXXXX,
// made for this object alone and removed with it. On Windows: %LOCALAPPDATA%\Velmora, inside the
// account's profile, else a fresh folder of random name in the temporary folder.
class PrivateScratchFolder {
public:
    PrivateScratchFolder() = default;
    ~PrivateScratchFolder();
    PrivateScratchFolder(const PrivateScratchFolder&) = delete;
    PrivateScratchFolder& operator=(const PrivateScratchFolder&) = delete;

    // Fails only when no folder at all can be had, with the failure of the first one tried.
    failure::Failure choose();
    // The chosen folder, without a trailing "/".
    const std::string& path() const { return m_path; }
    // Whether it is the fresh folder that goes with this object.
    bool fresh() const { return m_fresh; }

private:
    std::string m_path;
    bool m_fresh = false;
};

}  // namespace velmora::fileio
