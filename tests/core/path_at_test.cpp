#include "core/path_at.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

#include "support/temp_tree.h"

namespace {

// `levels` folders of 200-byte names below `base`; returns the deepest's path.
std::string Nest(const std::string& base, int levels) {
  std::string path = base;
  const std::string name(200, 'n');
  int dir = ::open(base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < levels; ++i) {
    EXPECT_EQ(::mkdirat(dir, name.c_str(), 0755), 0);
    const int next = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
    path += "/" + name;
  }
  ::close(dir);
  return path;
}

ino_t InodeOf(const std::string& path, int flags = 0) {
  struct stat st {};
  return StatPath(path, st, flags) == 0 ? st.st_ino : 0;
}

TEST(PathAtTest, ShortPathsAreUsedAsTheyAre) {
  const std::string path = "relative/name";
  const PathAt at(path);
  EXPECT_TRUE(at.valid());
  EXPECT_EQ(at.dir(), AT_FDCWD);
  EXPECT_EQ(at.name(), path.c_str());
  const std::string empty;
  EXPECT_STREQ(PathAt(empty).name(), "");
}

// Beyond PATH_MAX: the same file as a short route to it reaches, however the
// pieces fall on doubled slashes, links and "..".
TEST(PathAtTest, LongPathsReachTheSameFiles) {
  TempTree tree;
  const std::string deep = Nest(tree.root(), 24);  // about 4,800 bytes
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  const int deepFd = OpenPath(deep, O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(deepFd, 0);
  const int file = ::openat(deepFd, "file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::write(file, "bytes", 5), 5);
  ::close(file);
  ASSERT_EQ(::symlinkat(tree.root().c_str(), deepFd, "to-root"), 0);
  ASSERT_EQ(::symlinkat("file", deepFd, "to-file"), 0);
  struct stat seen {};
  ASSERT_EQ(::fstatat(deepFd, "file", &seen, 0), 0);
  ::close(deepFd);

  std::string doubled = deep;
  for (std::size_t at = 0; (at = doubled.find('/', at + 2)) != std::string::npos;)
    doubled.insert(at, "/");
  const std::string up = deep + "/" + std::string(200, 'n') + "/..";  // missing, then up
  struct Case {
    const char* name;
    std::string path;
    int flags;
    ino_t inode;
  };
  const Case cases[] = {
      {"plain", deep + "/file", 0, seen.st_ino},
      {"doubled slashes", doubled + "//file", 0, seen.st_ino},
      {"through a link to the root", deep + "/to-root" + deep.substr(tree.root().size()) + "/file",
       0, seen.st_ino},
      {"link followed", deep + "/to-file", 0, seen.st_ino},
      {"link not followed", deep + "/to-file", AT_SYMLINK_NOFOLLOW, 0},  // the link's own inode
      {"through a missing folder", up + "/file", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.flags == AT_SYMLINK_NOFOLLOW) {
      const ino_t own = InodeOf(c.path, c.flags);
      EXPECT_NE(own, 0u);
      EXPECT_NE(own, seen.st_ino);
    } else {
      EXPECT_EQ(InodeOf(c.path, c.flags), c.inode);
    }
  }
  const int fd = OpenPath(deep + "/file", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  char buffer[8] = {};
  EXPECT_EQ(::read(fd, buffer, sizeof buffer), 5);
  ::close(fd);

  // A single name longer than PATH_MAX cannot exist.
  errno = 0;
  const PathAt tooLong(std::string(PATH_MAX + 10, 'x'));
  EXPECT_FALSE(tooLong.valid());
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
