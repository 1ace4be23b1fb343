#include "core/file_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return IdentityOf(st);
}

DeleteOutcome DeleteIfUnchanged(const std::string& path, const FileIdentity& expected) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return errno == ENOENT ? DeleteOutcome::Missing : DeleteOutcome::Failed;
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteOutcome::Changed;
  if (::unlink(path.c_str()) != 0) return DeleteOutcome::Failed;
  return DeleteOutcome::Deleted;
}
