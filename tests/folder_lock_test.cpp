// One game per play folder: a second lock in the same folder is refused without touching a
// file, other folders are free, and a lock dies with its process, even a killed one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "posix/folder_lock.hpp"
#include "support.hpp"

namespace fs = std::filesystem;
using State = store::FolderLock::State;

namespace {

class FolderLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "a");
    fs::create_directories(root_ / "b");
  }
  std::string Dir(const char* name) const { return (root_ / name).string() + "/"; }

  // Every entry of a folder with its size and modification time.
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Listing(const char* name) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> out;
    for (const auto& e : fs::directory_iterator(root_ / name))
      out[e.path().filename()] = {e.is_regular_file() ? e.file_size() : 0, e.last_write_time()};
    return out;
  }

  testing_support::TempDir temp_;
  fs::path root_ = temp_.Path();
};

TEST_F(FolderLockTest, ASecondGameInTheFolderIsRefusedAndTouchesNothing) {
  std::ofstream(root_ / "a" / "b_data.dat") << "record";
  auto first = std::make_unique<store::FolderLock>(Dir("a"));
  ASSERT_EQ(first->Outcome(), State::Held);
  EXPECT_TRUE(fs::exists(root_ / "a" / store::kLockFileName));
  const auto before = Listing("a");
  {
    const store::FolderLock second(Dir("a"));
    EXPECT_EQ(second.Outcome(), State::Busy);
  }
  EXPECT_EQ(Listing("a"), before);
  first.reset();  // the first game ends: the folder is free again
  EXPECT_EQ(store::FolderLock(Dir("a")).Outcome(), State::Held);
}

TEST_F(FolderLockTest, DifferentFoldersDoNotBlockEachOther) {
  const store::FolderLock a(Dir("a"));
  const store::FolderLock b(Dir("b"));
  EXPECT_EQ(a.Outcome(), State::Held);
  EXPECT_EQ(b.Outcome(), State::Held);
}

TEST_F(FolderLockTest, AKilledGameLeavesNoLockBehind) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const store::FolderLock lock(Dir("a"));
    const char c = lock.Outcome() == State::Held ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1) ::_exit(2);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(c, 'y');
  EXPECT_EQ(store::FolderLock(Dir("a")).Outcome(), State::Busy);
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(store::FolderLock(Dir("a")).Outcome(), State::Held);
}

TEST_F(FolderLockTest, AFolderWhereNoLockFileCanBeMadeIsLockedItself) {
  // A folder the player may read but not write. Root writes anywhere, so under root the
  // checks run in a child that plays as nobody.
  using fs::perms;
  const perms readable = perms::owner_read | perms::owner_exec | perms::group_read |
                         perms::group_exec | perms::others_read | perms::others_exec;
  fs::permissions(root_, perms::owner_all | perms::group_exec | perms::others_exec);
  fs::permissions(root_ / "a", readable);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    const store::FolderLock first(Dir("a"));
    if (first.Outcome() != State::Held) ::_exit(1);
    if (::access((root_ / "a" / store::kLockFileName).c_str(), F_OK) == 0) ::_exit(2);
    if (store::FolderLock(Dir("a")).Outcome() != State::Busy) ::_exit(3);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  // 1: not held; 2: a lock file made after all; 3: a second lock not refused.
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The outcome of a FolderLock taken in a child that plays as nobody when the test runs as root.
State TakenByAnotherUser(const std::string& dir) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    ::_exit(static_cast<int>(store::FolderLock(dir).Outcome()));
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) > 2)
    ADD_FAILURE() << "the child failed";
  return static_cast<State>(WEXITSTATUS(status));
}

TEST_F(FolderLockTest, ALockFileTheGameMayOnlyReadStillLocks) {
  // A lock file left by another user, or made read-only: it is locked through a read-only
  // descriptor, so two users in one shared folder still exclude each other.
  using fs::perms;
  fs::permissions(root_, perms::owner_all | perms::group_exec | perms::others_exec);
  fs::permissions(root_ / "a", perms::all);
  std::ofstream(root_ / "a" / store::kLockFileName).close();
  fs::permissions(root_ / "a" / store::kLockFileName,
                  perms::owner_read | perms::group_read | perms::others_read);
  {
    const store::FolderLock first(Dir("a"));
    ASSERT_EQ(first.Outcome(), State::Held);
    EXPECT_EQ(TakenByAnotherUser(Dir("a")), State::Busy);
  }
  EXPECT_EQ(TakenByAnotherUser(Dir("a")), State::Held);
}

TEST_F(FolderLockTest, ALinkInPlaceOfTheLockFileIsNotFollowed) {
  fs::create_symlink(root_ / "b" / "elsewhere", root_ / "a" / store::kLockFileName);
  const store::FolderLock first(Dir("a"));
  EXPECT_EQ(first.Outcome(), State::Held);  // the folder itself
  EXPECT_FALSE(fs::exists(root_ / "b" / "elsewhere"));
  EXPECT_EQ(store::FolderLock(Dir("a")).Outcome(), State::Busy);
}

TEST(FolderLockStates, OnlyALockHeldElsewhereRefusesTheGame) {
  EXPECT_EQ(store::RefusedLockState(EWOULDBLOCK), State::Busy);
  for (int err : {ENOLCK, EINVAL, EOPNOTSUPP, EBADF, EIO})
    EXPECT_EQ(store::RefusedLockState(err), State::Unsupported) << err;
}

TEST(FolderLockStates, AMissingFolderCannotBeLockedButDoesNotRefuse) {
  const store::FolderLock lock("/nonexistent/frothy/folder/");
  EXPECT_EQ(lock.Outcome(), State::Unsupported);
  EXPECT_FALSE(lock.Reason().empty());
}

}  // namespace
