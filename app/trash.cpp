// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/trash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>

DeleteOutcome MoveToTrashIfUnchanged(const std::string& path, const FileIdentity& expected,
                                     FileIdentity* after) {
  const QString name = QFile::decodeName(QByteArray::fromStdString(path));
  // Qt opens the file by its decoded name: it must lead back to these bytes.
  if (QFile::encodeName(name).toStdString() != path) return DeleteOutcome::Failed;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? DeleteOutcome::Missing : DeleteOutcome::Failed;
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteOutcome::Changed;
  QString inTrash;
  if (!QFile::moveToTrash(name, &inTrash)) return DeleteOutcome::Failed;
  if (inTrash.startsWith(QLatin1Char('/'))) {
    struct stat moved {};
    if (after != nullptr && st.st_nlink > 1 &&
        ::lstat(QFile::encodeName(inTrash).constData(), &moved) == 0)
      *after = IdentityOf(moved);
    return DeleteOutcome::Deleted;
  }
  // Without a Trash folder it could make, Qt moves the file into "files" of
  // the current directory and reports success: the file is put back and
  // the move counts as failed.
  const std::string moved = QFile::encodeName(inTrash).toStdString();
  if (::renameat2(AT_FDCWD, moved.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    const std::size_t slash = moved.rfind('/');
    const std::string info = "info" + moved.substr(slash) + ".trashinfo";
    if (moved.compare(0, slash, "./files") == 0 || moved.compare(0, slash, "files") == 0)
      ::unlink(info.c_str());
  }
  return DeleteOutcome::Failed;
}
