#include "core/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/path_at.h"

namespace {
FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.Dev = static_cast<std::uint64_t>(st.st_dev);
  id.Ino = static_cast<std::uint64_t>(st.st_ino);
  id.Size = static_cast<std::int64_t>(st.st_size);
  id.MtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return id;
}
}  // namespace

std::optional<FileIdentity> RegularFileIdentity(const std::string& path) {
  struct stat st {};
  if (StatPath(path, st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return IdentityOf(st);
}

DeleteOutcome DeleteIfUnchanged(const std::string& path, const FileIdentity& expected) {
  // The same folder descriptor serves the check and the unlink, so a long
  // path is resolved once.
  const PathAt at(path);
  struct stat st {};
  if (!at.valid() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? DeleteOutcome::Missing : DeleteOutcome::Failed;
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteOutcome::Changed;
  if (::unlinkat(at.dir(), at.name(), 0) != 0) return DeleteOutcome::Failed;
  return DeleteOutcome::Deleted;
}
