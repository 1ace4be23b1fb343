#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "settings/build_counter.h"
#include "settings/preferences.h"
#include "settings/settings_helpers.h"
#include "support/temp_tree.h"

namespace {

TEST(ParseWholeNumberTest, AcceptsOnlyASignedDecimal32BitNumber) {
  const struct {
    std::string text;
    std::optional<std::int32_t> value;
  } cases[] = {{"0", 0},
               {"42", 42},
               {"-17", -17},
               {"+7", 7},
               {"-0", 0},
               {"007", 7},
               {"2147483647", 2147483647},
               {"-2147483648", -2147483647 - 1},
               {"2147483648", std::nullopt},
               {"-2147483649", std::nullopt},
               {"99999999999999999999999", std::nullopt},
               {"", std::nullopt},
               {"-", std::nullopt},
               {"+", std::nullopt},
               {"12x", std::nullopt},
               {" 12", std::nullopt},
               {"12 ", std::nullopt},
               {"1.0", std::nullopt},
               {"0x10", std::nullopt},
               {"--1", std::nullopt},
               {std::string("1\0", 2), std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseWholeNumber(c.text), c.value) << "'" << c.text << "'";
}

TEST(JoinPathTest, AddsOneSeparator) {
  EXPECT_EQ(JoinPath("/home/u", "Build.txt"), "/home/u/Build.txt");
  EXPECT_EQ(JoinPath("/", "Build.txt"), "/Build.txt");
  EXPECT_EQ(JoinPath("/home/u/", "Build.txt"), "/home/u/Build.txt");
}

// A 64 KB file system of its own that a test can fill up; mounting needs
// root (CI runs as root), so without it the test is skipped.
class SmallDisk {
 public:
  SmallDisk() {
    mounted_ = ::mount("twinscan-test", tree_.root().c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(tree_.root().c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const TempTree& tree() const { return tree_; }

  // Takes all the space left with one file.
  void fill() const {
    const int fd = ::open(tree_.path("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  }
  void free() const { ASSERT_EQ(::unlink(tree_.path("filler").c_str()), 0); }

  std::set<std::string> names() const {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(tree_.root()))
      out.insert(e.path().filename().string());
    return out;
  }

 private:
  TempTree tree_;  // declared first, so removed after the unmount
  bool mounted_ = false;
};

TEST(WriteWholeFileTest, AFullDiskKeepsTheOldContent) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs";
  const std::string stored = "/old\r\n0\r\n0\r\n";
  const std::string settings = disk.tree().write(kPreferencesFileName, stored);
  ASSERT_EQ(::chmod(settings.c_str(), 0640), 0);
  disk.tree().write(kBuildMarkerFileName, "");
  const std::string counter = disk.tree().write(kBuildCounterFileName, "41");
  disk.fill();

  PreferencesValues values;
  values.folder = std::string(20000, 'f');
  EXPECT_EQ(WritePreferences(settings, values),
            "Cannot write file \"" + settings + "\": No space left on device");
  EXPECT_EQ(RunBuildCounter(disk.tree().root()),
            "Cannot write file \"" + counter + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(settings), stored);
  EXPECT_EQ(ReadFileBytes(counter), "41");
  // No half-written file is left beside them.
  EXPECT_EQ(disk.names(), (std::set<std::string>{kBuildCounterFileName, kBuildMarkerFileName,
                                                 "filler", kPreferencesFileName}));

  disk.free();
  ASSERT_EQ(WritePreferences(settings, values), std::nullopt);
  EXPECT_TRUE(ReadFileBytes(settings).starts_with(values.folder + "\r\n0\r\n0\r\n"));
  struct stat st {};
  ASSERT_EQ(::stat(settings.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(RunBuildCounter(disk.tree().root()), std::nullopt);
  EXPECT_EQ(ReadFileBytes(counter), "42\r\n");
}

TEST(WriteWholeFileTest, LinksOwnersAndProtectionStayAsTheyWere) {
  TempTree tree;
  const std::string target = tree.write("target", "old");
  const std::string link = tree.symlink(target, "link");
  ASSERT_EQ(WriteWholeFile(link, "through the link", true), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), "through the link");

  const std::string second = tree.path("second name");
  ASSERT_EQ(::link(target.c_str(), second.c_str()), 0);
  ASSERT_EQ(WriteWholeFile(second, "both names", true), std::nullopt);
  EXPECT_EQ(ReadFileBytes(target), "both names");

  // A FIFO without a reader is refused at once instead of blocking the caller.
  const std::string fifo = tree.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(WriteWholeFile(fifo, "x", true),
            "Cannot create file \"" + fifo + "\": No such device or address");

  // In a folder everyone may write: a file open to all is written in place and
  // keeps its owner; a write-protected file stays untouched.
  ASSERT_EQ(::chmod(tree.root().c_str(), 0777), 0);
  const std::string shared = tree.write("shared", "old");
  const std::string locked = tree.write("locked", "old");
  ASSERT_EQ(::chmod(shared.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(shared.c_str(), &before), 0);
  std::optional<std::string> sharedResult, lockedResult;
  if (!RunUnprivileged([&] {
        sharedResult = WriteWholeFile(shared, "new", true);
        lockedResult = WriteWholeFile(locked, "new", true);
      })) {
    GTEST_SKIP() << "cannot take the file-system uid 65534";
  }
  EXPECT_EQ(sharedResult, std::nullopt);
  EXPECT_EQ(ReadFileBytes(shared), "new");
  struct stat after {};
  ASSERT_EQ(::stat(shared.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(lockedResult, "Cannot create file \"" + locked + "\": Permission denied");
  EXPECT_EQ(ReadFileBytes(locked), "old");
}

}  // namespace
