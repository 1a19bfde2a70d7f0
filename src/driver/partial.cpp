// Hidden partial files.
//
// Creating a partial file and locking it are two steps; a run that looks for
// stale files in between would take the new one for stale. So both happen
// under an exclusive lock of the folder, which every run takes for the few
// system calls from its look to its lock.
#include "driver/partial.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include "driver/cleanup.h"
#include "driver/names.h"

static std::map<std::string, int> Locks;  // the lock descriptor of each partial file of this run

// True when name is a partial file of a target named base: ".base.vorn-" and six characters.
static bool PartialOf(const std::string &name, const std::string &base) {
  std::string head = "." + base + ".vorn-";
  return name.size() == head.size() + 6 && name.compare(0, head.size(), head) == 0;
}

// Removes the partial files of base in folder that no live run holds locked.
static void RemoveStale(const std::string &folder, const std::string &base) {
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (struct dirent *entry = readdir(dir)) {
    if (!PartialOf(entry->d_name, base)) continue;
    std::string path = folder + "/" + entry->d_name;
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
      unlink(path.c_str());
    close(fd);
  }
  closedir(dir);
}

std::string CreatePartial(const std::string &target) {
  std::string folder = FolderOf(target), base = BaseName(target);
  int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) flock(dir, LOCK_EX);
  RemoveStale(folder, base);
  std::string path = folder + "/." + base + ".vorn-XXXXXX";
  int fd = mkostemp(path.data(), O_CLOEXEC);
  int err = errno;
  // The lock is held through a descriptor that cannot write: a file open for
  // writing cannot be run (ETXTBSY), and a cached program is run the moment
  // it has its name.
  int lock = fd >= 0 ? open(path.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  if (lock >= 0) {
    flock(lock, LOCK_EX);
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    Locks[path] = lock;
  } else if (fd >= 0) {
    err = errno;
    unlink(path.c_str());
  }
  if (fd >= 0) close(fd);
  if (dir >= 0) close(dir);  // and with it the folder's lock
  errno = err;
  return lock >= 0 ? path : "";
}

void ReleasePartial(const std::string &path) {
  auto lock = Locks.find(path);
  if (lock == Locks.end()) return;
  close(lock->second);
  Locks.erase(lock);
}

// Writes all of bytes to fd; false with errno set when a write failed.
static bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t wrote = write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(wrote));
  }
  return true;
}

int WriteAtomically(const std::string &path, std::string_view bytes, mode_t mode) {
  std::string partial = CreatePartial(path);
  if (partial.empty()) return 0;
  RemoveOnStop(partial);
  mode_t mask = umask(0);
  umask(mask);
  int fd = open(partial.c_str(), O_WRONLY | O_CLOEXEC);
  bool ok = fd >= 0 && WriteAll(fd, bytes) && fchmod(fd, mode & ~mask) == 0;
  if (fd >= 0 && close(fd) != 0) ok = false;
  ok = ok && rename(partial.c_str(), path.c_str()) == 0;
  int err = errno;
  if (!ok) unlink(partial.c_str());
  KeepOnStop(partial);
  ReleasePartial(partial);
  errno = err;
  return ok;
}
