// Hidden partial files: what a run writes beside a file it will replace in
// one rename (the final source of --output, the dependency file). Each is
// named ".NAME.vorn-XXXXXX" and locked for as long as its run lives, so that
// the partial file of a run that was killed outright, whose lock went with
// it, is told from the partial file of a run still going: the next run that
// writes the same name removes the first kind and never touches the second.
#pragma once
#include <sys/types.h>

#include <string>
#include <string_view>

// Creates the partial file of target, readable as a new file would be, after
// removing the stale partial files of target; its path, or "" with errno set.
std::string CreatePartial(const std::string &target);
// The run has finished with the partial file at path (renamed or removed): its lock goes.
void ReleasePartial(const std::string &path);
// Writes bytes to path in one rename, through a partial file of path, with mode less the
// umask; 0, with errno set and nothing left behind, when any step failed.
int WriteAtomically(const std::string &path, std::string_view bytes, mode_t mode = 0666);
