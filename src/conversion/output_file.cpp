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
#include <utility>
#include <vector>

namespace scrivane {
namespace {

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

// Creates and locks a new hidden file beside `target`, its name in `name`; -1,
// with errno set and `name` empty, when none could be made.
int CreateLockedFileBeside(const std::string& target, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryNameFor(target);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
    // Another run's clean-up may take a new file before it is locked: then try another name.
    if (fd >= 0 && flock(fd, LOCK_EX) == 0 && IsSameFile(fd, name)) return fd;
    if (fd >= 0) close(fd);
  }
  name.clear();
  return -1;
}

// True when `info` describes /dev/null, which needs no document held back for it.
bool IsNullDevice(const struct stat& info) {
  struct stat null {};
  return S_ISCHR(info.st_mode) && stat("/dev/null", &null) == 0 && null.st_rdev == info.st_rdev;
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
  if (stat(target_.c_str(), &info) != 0) {
    if (named && !overwrite_) Fail(EEXIST);  // a link to nowhere is still a name in use
    OpenWorkingFile();
    return;
  }
  if (S_ISDIR(info.st_mode)) Fail(EISDIR);
  if (S_ISREG(info.st_mode) && !overwrite_) Fail(EEXIST);
  if (access(target_.c_str(), W_OK) != 0) FailErrno();  // a read-only file stays as it is
  if (!S_ISREG(info.st_mode)) {
    OpenDestination(IsNullDevice(info) ? Strategy::kDiscarded : Strategy::kDevice);
  } else if (info.st_nlink > 1) {
    // A file with other names is written in place, so that every name shows the new
    // document: a new file renamed over one name would leave the others on the old one.
    OpenDestination(Strategy::kInPlace);
  } else {
    OpenWorkingFile();
  }
}

SafeOutputFile::~SafeOutputFile() { Discard(); }

void SafeOutputFile::OpenDestination(Strategy strategy) {
  strategy_ = strategy;
  fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC | (strategy == Strategy::kInPlace ? 0 : O_TRUNC));
  if (fd_ < 0) FailErrno();
  // Held back until complete: a restarted run must not leave half a document in it.
  if (strategy != Strategy::kDiscarded) held_.emplace();
}

void SafeOutputFile::OpenWorkingFile() {
  RemoveAbandonedFiles(target_);
#ifdef O_TMPFILE
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      strategy_ = Strategy::kUnnamed;
      flock(fd_, LOCK_EX);  // held on through the name Commit gives it
      return;
    }
  }
#endif
  strategy_ = Strategy::kTemporary;
  fd_ = CreateLockedFileBeside(target_, tempPath_);
  if (fd_ < 0) FailErrno();
  // A named working file is never more open to others than the document it replaces.
  KeepAccessOf(fd_, target_);
}

bool SafeOutputFile::WritesDestination() const {
  return strategy_ == Strategy::kDevice || strategy_ == Strategy::kDiscarded || strategy_ == Strategy::kInPlace;
}

void SafeOutputFile::Fail(int error) const { throw FileError(FileError::WriteFailure(error), path_, error); }

void SafeOutputFile::FailErrno() const { Fail(errno); }

void SafeOutputFile::Write(std::span<const std::string_view> pieces) {
  if (held_) {
    for (const std::string_view piece : pieces) held_->Append(piece);
  } else {
    WriteOut(pieces);
  }
}

void SafeOutputFile::WriteOut(std::span<const std::string_view> pieces) {
  if (const int error = WriteAll(fd_, pieces)) Fail(error);
  for (const std::string_view piece : pieces) written_ += piece.size();
}

void SafeOutputFile::Restart() {
  if (held_) held_->Clear();
  if (WritesDestination() || written_ == 0) return;
  // Written over from the start and cut to length at Commit, not emptied now: a file
  // emptied by truncation is flushed to disk when closed (ext4), which stalls a large
  // document's Commit for tens of milliseconds.
  if (lseek(fd_, 0, SEEK_SET) != 0) FailErrno();
  stale_ = std::max(stale_, written_);
  written_ = 0;
}

void SafeOutputFile::Commit() {
  if (stale_ > written_ && ftruncate(fd_, static_cast<off_t>(written_)) != 0) FailErrno();
  if (WritesDestination()) {
    CommitToDestination();
  } else if (strategy_ == Strategy::kUnnamed && !overwrite_) {
    CommitUnnamedAsNew();
  } else {
    CommitByRename();
  }
}

void SafeOutputFile::CommitToDestination() {
  const std::uint64_t size = held_ ? held_->Size() : 0;
  if (strategy_ == Strategy::kInPlace) BeginInPlace(size);
  if (held_) held_->CopyTo([this](std::string_view bytes) { WriteOut(std::span(&bytes, 1)); });
  held_.reset();
  if (strategy_ == Strategy::kInPlace && ftruncate(fd_, static_cast<off_t>(size)) != 0) FailErrno();
  CloseFile();
}

void SafeOutputFile::CommitUnnamedAsNew() {
  // Linking the unnamed file under the final name fails if the name is taken.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) FailErrno();
  CloseFile();
}

void SafeOutputFile::CommitByRename() {
  if (overwrite_) KeepAccessOf(fd_, target_);  // as the target is now, before the file has a name
  if (strategy_ == Strategy::kUnnamed) NameUnnamedFile();
  // The lock stays on until the file has its final name: another run's clean-up
  // takes a named working file without a lock for an abandoned one and removes it.
  const LockHolder lock(fd_);
  if (!lock.Holds()) FailErrno();
  CloseFile();  // late write errors show here, before the old document goes
  if (overwrite_) {
    if (rename(tempPath_.c_str(), target_.c_str()) != 0) FailErrno();
  } else if (renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) != 0) {
    // Without RENAME_NOREPLACE a hard link is the other move that never replaces.
    if ((errno != EINVAL && errno != ENOSYS) || link(tempPath_.c_str(), target_.c_str()) != 0) FailErrno();
    unlink(tempPath_.c_str());
  }
  tempPath_.clear();
}

void SafeOutputFile::NameUnnamedFile() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath_ = TemporaryNameFor(target_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) return;
    const int error = errno;
    tempPath_.clear();
    if (error != EEXIST) Fail(error);
  }
  Fail(EEXIST);
}

void SafeOutputFile::CloseFile() {
  const int fd = std::exchange(fd_, -1);
  if (close(fd) != 0) FailErrno();
}

void SafeOutputFile::BeginInPlace(std::uint64_t size) {
  // Another run writing the same file waits here: two documents at once would mix.
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) FailErrno();
  }
  // Room for the whole document first, so that a full disk leaves the old one whole.
  if (size > 0 && fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS) {
    FailErrno();
  }
}

void SafeOutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace scrivane
