// The safely replaced output file.
#include "output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace scrivane {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name beside `target` that is not taken yet, hidden and recognisably ours.
std::string TemporaryNameFor(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  const std::string folder = FolderOf(target);
  return folder + "/." + BaseNameOf(target) + "." + std::to_string(random() % 1000000000ull) + ".part";
}

// True when `name` is one of the names TemporaryNameFor gives beside a file named `base`.
bool IsTemporaryNameFor(std::string_view name, const std::string& base) {
  const std::string prefix = "." + base + ".";
  constexpr std::string_view kSuffix = ".part";
  if (name.size() <= prefix.size() + kSuffix.size() || !name.starts_with(prefix) || !name.ends_with(kSuffix)) {
    return false;
  }
  const std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// True when `fd` and `path` are the same file.
bool IsSameFile(int fd, const std::string& path) {
  struct stat opened {}, named {};
  return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

// The access list that widens a file's mode bits (a POSIX ACL), kept as an attribute.
constexpr const char* kAccessList = "system.posix_acl_access";

// Gives the file open on `fd` what a replacement must keep of `target`: its owner
// and group where this process may set them, its access list, and its mode. The
// set-user and set-group bits go when the owner or group they refer to could not
// be kept. Other extended attributes describe the old content, not who may read
// it, and are left behind.
void KeepAccess(int fd, const std::string& targetPath, const struct stat& target) {
  struct stat current {};
  if (fstat(fd, &current) != 0) return;
  bool ownerKept = current.st_uid == target.st_uid;
  bool groupKept = current.st_gid == target.st_gid;
  if (!ownerKept && fchown(fd, target.st_uid, target.st_gid) == 0) {
    ownerKept = groupKept = true;
  } else if (!groupKept) {  // another owner needs privilege; a group of ours does not
    groupKept = fchown(fd, static_cast<uid_t>(-1), target.st_gid) == 0;
  }
  // Copied before the mode is set, which then makes the list's mask agree with it.
  std::vector<char> list;
  ssize_t size = getxattr(targetPath.c_str(), kAccessList, nullptr, 0);
  if (size > 0) {
    list.resize(static_cast<std::size_t>(size));
    size = getxattr(targetPath.c_str(), kAccessList, list.data(), list.size());
  }
  if (size >= 0) {
    fsetxattr(fd, kAccessList, list.data(), static_cast<std::size_t>(size), 0);
  } else if (errno == ENODATA) {
    fremovexattr(fd, kAccessList);  // one inherited from the folder's default list would widen access
  }
  mode_t mode = target.st_mode & 07777;
  if (!ownerKept) mode &= ~S_ISUID;
  if (!groupKept) mode &= ~S_ISGID;
  fchmod(fd, mode);
}

// A replacement of `path`, if it is a regular file: keeps what KeepAccess keeps.
void KeepAccessOf(int fd, const std::string& path) {
  struct stat target {};
  if (stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) KeepAccess(fd, path, target);
}

// A second descriptor of an open file, closed when it goes: it keeps the file's
// lock on while the first is closed (a lock lasts while any descriptor of it is open).
class LockHolder {
 public:
  explicit LockHolder(int fd) : fd_(dup(fd)) {}
  ~LockHolder() {
    if (fd_ >= 0) close(fd_);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool Holds() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Removes the temporary files of runs that were killed before they finished.
// A run holds a lock on its temporary file until it ends, so a file whose lock
// can be taken has no run left to finish it.
void RemoveAbandonedFiles(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string base = BaseNameOf(target);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    if (!IsTemporaryNameFor(entry->d_name, base)) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && IsSameFile(fd, path)) unlink(path.c_str());
    close(fd);
  }
  closedir(dir);
}

}  // namespace

SafeOutputFile::SafeOutputFile(const std::string& path, bool overwrite)
    : path_(path), target_(path), overwrite_(overwrite) {
  struct stat info {};
  const bool named = lstat(path.c_str(), &info) == 0;
  if (named && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) target_ = resolved;
  }
  if (stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) Fail("it is a folder");
    if (S_ISREG(info.st_mode) && !overwrite_) Fail(Reason(EEXIST).c_str());
    if (access(target_.c_str(), W_OK) != 0) Fail(nullptr);  // a read-only file stays as it is
    // A file with other names is written in place, so that every name shows the new
    // document: a new file renamed over one name would leave the others on the old one.
    inPlace_ = S_ISREG(info.st_mode) && info.st_nlink > 1;
    if (!S_ISREG(info.st_mode) || inPlace_) {  // a device or pipe cannot be replaced, only written
      direct_ = true;
      fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC | (inPlace_ ? 0 : O_TRUNC));
      if (fd_ < 0) Fail(nullptr);
      // Held back until complete: a restarted run must not leave half a document in it.
      // What goes to /dev/null needs no holding back.
      struct stat null {};
      const bool discarded =
          S_ISCHR(info.st_mode) && stat("/dev/null", &null) == 0 && null.st_rdev == info.st_rdev;
      if (!discarded) held_.emplace();
      return;
    }
  } else if (named && !overwrite_) {
    Fail(Reason(EEXIST).c_str());  // a link to nowhere is still a name in use
  }
  const std::string folder = FolderOf(target_);
  RemoveAbandonedFiles(target_);
#ifdef O_TMPFILE
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    anonymous_ = fd_ >= 0;
    if (anonymous_) flock(fd_, LOCK_EX);  // held on through the name Commit gives it
  }
#endif
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    tempPath_ = TemporaryNameFor(target_);
    fd_ = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
    // Another run's clean-up may take a new file before it is locked: then try another name.
    if (fd_ >= 0 && (flock(fd_, LOCK_EX) != 0 || !IsSameFile(fd_, tempPath_))) {
      close(fd_);
      fd_ = -1;
    }
  }
  if (fd_ < 0) {
    tempPath_.clear();
    Fail(nullptr);
  }
  // A named working file is never more open to others than the document it replaces.
  if (!anonymous_) KeepAccessOf(fd_, target_);
}

SafeOutputFile::~SafeOutputFile() { Discard(); }

void SafeOutputFile::Fail(const char* what) const {
  const int error = errno;
  throw FileError(what ? RunFailure::OutputUnwritable : FileError::WriteFailure(error), path_,
                  what ? what : Reason(error));
}

void SafeOutputFile::Write(std::string_view bytes) {
  if (held_) {
    held_->Append(bytes);
  } else {
    WriteOut(bytes);
  }
}

void SafeOutputFile::WriteOut(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(nullptr);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void SafeOutputFile::Restart() {
  if (held_) held_->Clear();
  if (direct_) return;
  if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) Fail(nullptr);
}

void SafeOutputFile::Commit() {
  if (direct_) {
    const std::uint64_t size = held_ ? held_->Size() : 0;
    if (inPlace_) BeginInPlace(size);
    std::string block(held_ ? 256 * 1024 : 0, '\0');
    for (std::uint64_t offset = 0; held_ && offset < held_->Size();) {
      const std::size_t got = held_->ReadAt(block.data(), block.size(), offset);
      if (got == 0) break;
      offset += got;
      WriteOut(std::string_view(block.data(), got));
    }
    held_.reset();
    if (inPlace_ && ftruncate(fd_, static_cast<off_t>(size)) != 0) Fail(nullptr);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail(nullptr);
    return;
  }
  if (anonymous_ && !overwrite_) {
    // Linking the unnamed file under the final name fails if the name is taken.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) Fail(nullptr);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail(nullptr);
    return;
  }
  if (overwrite_) KeepAccessOf(fd_, target_);  // as the target is now, before the file has a name
  if (anonymous_) {
    // Give the unnamed file a temporary name, then move it over the target.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      tempPath_ = TemporaryNameFor(target_);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
      const int error = errno;
      tempPath_.clear();
      if (error != EEXIST) {
        errno = error;
        Fail(nullptr);
      }
    }
  }
  // The lock stays on until the file has its final name: another run's clean-up
  // takes a named working file without a lock for an abandoned one and removes it.
  const LockHolder lock(fd_);
  if (!lock.Holds()) Fail(nullptr);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail(nullptr);  // late write errors show here, before the old document goes
  if (overwrite_) {
    if (rename(tempPath_.c_str(), target_.c_str()) != 0) Fail(nullptr);
  } else if (renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) != 0) {
    // Without RENAME_NOREPLACE a hard link is the other move that never replaces.
    if ((errno != EINVAL && errno != ENOSYS) || link(tempPath_.c_str(), target_.c_str()) != 0) Fail(nullptr);
    unlink(tempPath_.c_str());
  }
  tempPath_.clear();
}

void SafeOutputFile::BeginInPlace(std::uint64_t size) {
  // Another run writing the same file waits here: two documents at once would mix.
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) Fail(nullptr);
  }
  // Room for the whole document first, so that a full disk leaves the old one whole.
  if (size > 0 && fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS) {
    Fail(nullptr);
  }
}

void SafeOutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace scrivane
