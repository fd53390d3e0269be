// The record file: its bytes against a fixture written independently of the code, loads of
// short and long files, and every failure made real in a temporary folder.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

#include "posix/record_file.hpp"
#include "support.hpp"

namespace fs = std::filesystem;

// Injected write failures. The test binary's own write() and pwrite() stand in for the C
// library's, so the save under test meets the failure exactly where the system would report it.
namespace {
struct WriteFault {
  bool armed = false;
  int calls = 0;    // writes to regular files since arming
  int shortAt = 0;  // this write stores only its first 100 bytes
  int failAt = 0;   // this write fails with `err`
  int err = EIO;
  int failTo = 0;  // and so does every one after it up to this one
};
WriteFault g_fault;

ssize_t FaultyWrite(int fd, const void* buf, size_t n, off_t off, bool positioned) {
  struct stat st {};
  if (g_fault.armed && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    ++g_fault.calls;
    if (g_fault.calls == g_fault.failAt ||
        (g_fault.failAt > 0 && g_fault.calls > g_fault.failAt && g_fault.calls <= g_fault.failTo)) {
      errno = g_fault.err;
      return -1;
    }
    if (g_fault.calls == g_fault.shortAt && n > 100) n = 100;
  }
  return positioned ? ::syscall(SYS_pwrite64, fd, buf, n, off) : ::syscall(SYS_write, fd, buf, n);
}
}  // namespace

extern "C" ssize_t write(int fd, const void* buf, size_t n) {
  return FaultyWrite(fd, buf, n, 0, false);
}
extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t off) {
  return FaultyWrite(fd, buf, n, off, true);
}
extern "C" ssize_t pwrite64(int fd, const void* buf, size_t n, off_t off) {
  return FaultyWrite(fd, buf, n, off, true);
}

namespace {

// Two players and a group they share, for the tests that need other users (run as root).
constexpr uid_t kAlice = 42001;
constexpr uid_t kBob = 42002;
constexpr gid_t kGames = 42060;

// Runs `fn` in a child process as `uid` (primary group `gid`, supplementary `groups`) and
// returns what it returned; 250 when the switch failed, 251 when `fn` threw, 252 when the
// child died.
int AsUser(uid_t uid, gid_t gid, std::vector<gid_t> groups, const std::function<int()>& fn) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    int rc = 250;
    // Only root may set groups; a player's own run stays who it is (the suite runs as either).
    const bool already = ::geteuid() != 0 && uid == ::geteuid() && gid == ::getegid();
    if (already || (::setgroups(groups.size(), groups.data()) == 0 &&
                    ::setresgid(gid, gid, gid) == 0 && ::setresuid(uid, uid, uid) == 0)) {
      try {
        rc = fn();
      } catch (...) {
        rc = 251;
      }
    }
    ::_exit(rc);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 252;
}

using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

const Bytes& Fixture() {
  static const Bytes bytes = ReadAll(fs::path(FROTHY_TEST_DATA) / "record_sample.dat");
  return bytes;
}

// The fixture's contents, as its README describes them.
store::Record FixtureRecord() {
  store::Record r = store::FreshRecord();
  r.Ranks[0][0] = 31;
  r.Ranks[0][1] = 130;
  r.Ranks[0][2] = 959;
  r.Ranks[1][0] = 5;
  for (int p = 0; p < 10; ++p) r.Ranks[2][p] = 100 + p;
  r.Ranks[4][9] = 1005;
  r.Level = 3;
  return r;
}

// The code of the failure, or 0.
int LoadCode(const std::string& path, store::Record& r) {
  try {
    store::Load(path, r);
  } catch (const store::IoError& e) {
    return e.Code();
  }
  return 0;
}
int SaveCode(const std::string& path, const store::Record& r) {
  try {
    store::Save(path, r);
  } catch (const store::IoError& e) {
    return e.Code();
  }
  return 0;
}

class RecordFile : public ::testing::Test {
 protected:
  std::string Path(const char* name = "b_data.dat") const { return (dir_ / name).string(); }

  int Entries() const {
    return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  testing_support::TempDir temp_;
  fs::path dir_ = temp_.Path();
};

TEST(RecordBytes, MatchTheFixtureBothWays) {
  ASSERT_EQ(Fixture().size(), 204u);
  const store::RecordBytes encoded = store::Encode(FixtureRecord());
  EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), Fixture().begin()));
  store::RecordBytes raw{};
  std::copy(Fixture().begin(), Fixture().end(), raw.begin());
  EXPECT_EQ(store::Decode(raw), FixtureRecord());
}

TEST(RecordBytes, FreshRecordIsAllEmptyAtLevelOne) {
  const store::RecordBytes b = store::Encode(store::FreshRecord());
  for (std::size_t i = 0; i < 200; ++i) EXPECT_EQ(b[i], 0xFF);
  EXPECT_EQ((std::array{b[200], b[201], b[202], b[203]}),
            (std::array<std::uint8_t, 4>{1, 0, 0, 0}));
}

TEST(RecordBytes, EntryOfLevelAndPlaceLiesAtItsOffset) {
  for (int level = 1; level <= 5; ++level) {
    for (int place = 1; place <= 10; ++place) {
      store::Record r = store::FreshRecord();
      r.Ranks[level - 1][place - 1] = 0x04030201;
      const store::RecordBytes b = store::Encode(r);
      const std::size_t at = 40 * (level - 1) + 4 * (place - 1);
      EXPECT_EQ((std::array{b[at], b[at + 1], b[at + 2], b[at + 3]}),
                (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    }
  }
}

TEST_F(RecordFile, SaveWritesTheFixtureBytesAndLoadReadsThemBack) {
  store::Save(Path(), FixtureRecord());
  EXPECT_EQ(ReadAll(Path()), Fixture());
  store::Record r = store::FreshRecord();
  store::Load(Path(), r);
  EXPECT_EQ(r, FixtureRecord());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST_F(RecordFile, LongerFileLoadsItsFirst204BytesAndTheSaveTruncatesIt) {
  Bytes longer = Fixture();
  longer.insert(longer.end(), 50, 0x42);
  WriteAll(Path(), longer);
  store::Record r = store::FreshRecord();
  store::Load(Path(), r);
  EXPECT_EQ(r, FixtureRecord());
  EXPECT_EQ(ReadAll(Path()).size(), 254u);  // loading never writes
  store::Save(Path(), r);
  EXPECT_EQ(ReadAll(Path()), Fixture());
}

TEST_F(RecordFile, EntriesAreTakenAsTheyStand) {
  Bytes odd = Fixture();
  for (std::size_t i = 0; i < 8; ++i) odd[i] = i < 4 ? 0x00 : 0x80;  // 0, then INT_MIN-ish
  odd[200] = 99;
  WriteAll(Path(), odd);
  store::Record r = store::FreshRecord();
  store::Load(Path(), r);
  EXPECT_EQ(r.Ranks[0][0], 0);
  EXPECT_EQ(r.Ranks[0][1], static_cast<std::int32_t>(0x80808080u));
  EXPECT_EQ(r.Level, 99);  // the load does not range-check; the game clamps after it
  store::Save(Path(), r);
  EXPECT_EQ(ReadAll(Path()), odd);
}

TEST_F(RecordFile, ShortFileOverlaysWhatItHasThenFailsWith100) {
  for (std::size_t n :
       {std::size_t{0}, std::size_t{1}, std::size_t{6}, std::size_t{200}, std::size_t{203}}) {
    WriteAll(Path(), Bytes(Fixture().begin(), Fixture().begin() + static_cast<long>(n)));
    store::Record r = store::FreshRecord();
    EXPECT_EQ(LoadCode(Path(), r), 100) << n;
    const store::RecordBytes got = store::Encode(r);
    const store::RecordBytes fresh = store::Encode(store::FreshRecord());
    for (std::size_t i = 0; i < 204; ++i)
      ASSERT_EQ(got[i], i < n ? Fixture()[i] : fresh[i]) << "byte " << i << " of a file of " << n;
  }
}

TEST_F(RecordFile, MissingFileAndMissingFolder) {
  store::Record r = store::FreshRecord();
  EXPECT_EQ(LoadCode(Path(), r), 2);
  EXPECT_FALSE(fs::exists(Path())) << "the load never creates the file";
  EXPECT_EQ(LoadCode(Path("gone/b_data.dat"), r), 3);
  EXPECT_EQ(SaveCode(Path("gone/b_data.dat"), r), 3);
  EXPECT_EQ(r, store::FreshRecord());
}

TEST_F(RecordFile, ALinkLoopIsABadFileName) {
  fs::create_symlink("b_data.dat", Path());
  store::Record r = store::FreshRecord();
  EXPECT_EQ(LoadCode(Path(), r), 3);
  EXPECT_EQ(SaveCode(Path(), r), 3);
  EXPECT_TRUE(fs::is_symlink(Path()));
}

TEST_F(RecordFile, WriteProtectedFileRefusesLoadAndSaveAndStaysIntact) {
  WriteAll(Path(), Fixture());
  fs::permissions(Path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  store::Record r = store::FreshRecord();
  EXPECT_EQ(LoadCode(Path(), r), 5);  // the load opens for writing too
  EXPECT_EQ(SaveCode(Path(), store::FreshRecord()), 5);
  EXPECT_EQ(ReadAll(Path()), Fixture());
}

TEST_F(RecordFile, FolderInPlaceOfTheFile) {
  fs::create_directory(Path());
  store::Record r = store::FreshRecord();
  EXPECT_EQ(LoadCode(Path(), r), 5);
  EXPECT_EQ(SaveCode(Path(), r), 5);
  EXPECT_TRUE(fs::is_directory(Path()));
}

TEST_F(RecordFile, PipeInPlaceOfTheFileIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(Path().c_str(), 0644), 0);
  store::Record r = store::FreshRecord();
  EXPECT_EQ(LoadCode(Path(), r), 5);
  EXPECT_EQ(SaveCode(Path(), r), 5);
  EXPECT_EQ(r, store::FreshRecord());
}

TEST_F(RecordFile, FullDiskBehindALinkFailsWith101) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", Path());
  EXPECT_EQ(SaveCode(Path(), FixtureRecord()), 101);
  EXPECT_TRUE(fs::is_symlink(Path()));
}

TEST_F(RecordFile, SaveThroughALinkKeepsTheLinkAndTheMode) {
  WriteAll(Path("real.dat"), Bytes(204, 0));
  fs::permissions(Path("real.dat"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.dat", Path());
  store::Save(Path(), FixtureRecord());
  EXPECT_TRUE(fs::is_symlink(Path()));
  EXPECT_EQ(ReadAll(Path("real.dat")), Fixture());
  EXPECT_EQ(fs::status(Path("real.dat")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(RecordFile, FailedSaveLeavesTheFormerFileIntact) {
  WriteAll(Path(), Fixture());
  // A file-size limit below one record makes the write fail part-way, for any user.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit low = old;
  low.rlim_cur = 100;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  const int code = SaveCode(Path(), store::FreshRecord());
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(code, EFBIG);
  EXPECT_EQ(ReadAll(Path()), Fixture());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "the temporary file is removed";
}

TEST_F(RecordFile, TooManyOpenFiles) {
  // The undefined-behaviour checker checks an error's type by reading the process's memory map
  // through a descriptor of its own the first time it meets that type: meet it while one is free.
  store::Record r = store::FreshRecord();
  ASSERT_EQ(LoadCode(Path() + ".missing", r), 2);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit low = old;
  low.rlim_cur = 32;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fds;
  for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) fds.push_back(fd);
  const int code = LoadCode(Path(), r);
  for (int fd : fds) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(code, 4);
}

TEST(IoErrorText, CodesAndTheirTexts) {
  EXPECT_EQ(store::IoErrorText(2), "ファイルが見つかりません");
  EXPECT_EQ(store::IoErrorText(3), "不正なファイル名です");
  EXPECT_EQ(store::IoErrorText(4), "オープンしたファイルが多すぎます");
  EXPECT_EQ(store::IoErrorText(5), "ファイルへのアクセスが拒否されました");
  EXPECT_EQ(store::IoErrorText(100), "ファイルの末尾以降を読み込みました");
  EXPECT_EQ(store::IoErrorText(101), "ディスクがいっぱいです");
  EXPECT_EQ(store::IoErrorText(28), "I/O エラー (28)");
}

// Saves of ours that were cut short leave "b_data.dat." and six letters or digits; start-up
// takes away those and nothing else.
TEST_F(RecordFile, StartUpRemovesOnlyOurOwnStaleTemporaries) {
  WriteAll(Path(), Fixture());
  struct Entry {
    const char* name;
    bool goes;
  };
  const Entry plain[] = {{"b_data.dat.Ab3xYz", true},  {"b_data.dat.000000", true},
                         {"b_data.dat.bak", false},    {"b_data.dat.Ab3xYz7", false},
                         {"b_data.dat.Ab-xYz", false}, {"c_data.dat.Ab3xYz", false},
                         {"b_data.datXAb3xYz", false}, {"notes.txt", false}};
  for (const Entry& e : plain) WriteAll(Path(e.name), Bytes(204, 7));
  WriteAll(Path("b_data.dat.BIGGER"), Bytes(205, 7));  // more than a record: not ours
  fs::create_directory(Path("b_data.dat.Folder"));
  WriteAll(Path("b_data.dat.Folder/b_data.dat.Inside"), Bytes(204, 7));  // only the play folder
  WriteAll(Path("elsewhere"), Bytes(204, 7));
  fs::create_symlink("elsewhere", Path("b_data.dat.Linked"));
  fs::create_hard_link(Path("notes.txt"), Path("b_data.dat.Hard12"));

  EXPECT_EQ(store::RemoveStaleTemporaries(Path()), 2);
  for (const Entry& e : plain) EXPECT_EQ(fs::exists(Path(e.name)), !e.goes) << e.name;
  for (const char* kept : {"b_data.dat.BIGGER", "b_data.dat.Folder/b_data.dat.Inside",
                           "b_data.dat.Linked", "elsewhere", "b_data.dat.Hard12", "b_data.dat"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(Path(kept)))) << kept;
  EXPECT_EQ(ReadAll(Path()), Fixture());
}

// A record that is a link is saved through temporaries beside its target: they go there too,
// by the same rules, named after the target.
TEST_F(RecordFile, StartUpRemovesStaleTemporariesBesideALinkedRecordsTarget) {
  fs::create_directory(dir_ / "saves");
  WriteAll(dir_ / "saves" / "real.dat", Fixture());
  fs::create_symlink("saves/real.dat", Path());
  struct Entry {
    const char* name;
    std::size_t size;
    bool goes;
  };
  const Entry entries[] = {
      {"saves/real.dat.Ab3xYz", 204, true},    {"saves/real.dat.000000", 0, true},
      {"saves/real.dat.BIGGER", 205, false},   {"saves/real.dat.Ab3xYz7", 204, false},
      {"saves/b_data.dat.Ab3xYz", 204, false}, {"b_data.dat.Ab3xYz", 204, true}};
  for (const Entry& e : entries) WriteAll(Path(e.name), Bytes(e.size, 7));
  fs::create_hard_link(Path("saves/real.dat.BIGGER"), Path("saves/real.dat.Hard12"));
  EXPECT_EQ(store::RemoveStaleTemporaries(Path()), 3);
  for (const Entry& e : entries) EXPECT_EQ(fs::exists(Path(e.name)), !e.goes) << e.name;
  EXPECT_TRUE(fs::exists(Path("saves/real.dat.Hard12")));
  EXPECT_EQ(ReadAll(Path()), Fixture());
  EXPECT_TRUE(fs::is_symlink(Path()));
}

TEST_F(RecordFile, StartUpLeavesOtherUsersFilesThatLookLikeOurs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's file";
  WriteAll(Path("b_data.dat.Ab3xYz"), Bytes(204, 7));
  ASSERT_EQ(::chown(Path("b_data.dat.Ab3xYz").c_str(), kBob, kBob), 0);
  EXPECT_EQ(store::RemoveStaleTemporaries(Path()), 0);
  EXPECT_TRUE(fs::exists(Path("b_data.dat.Ab3xYz")));
}

TEST_F(RecordFile, HardLinksAreKept) {
  WriteAll(Path(), Fixture());
  fs::create_hard_link(Path(), Path("copy.dat"));
  const auto inode = fs::hard_link_count(Path());
  store::Save(Path(), store::FreshRecord());
  EXPECT_EQ(fs::hard_link_count(Path()), inode);
  EXPECT_EQ(ReadAll(Path("copy.dat")), ReadAll(Path()));
  store::Record r;
  store::Load(Path("copy.dat"), r);
  EXPECT_EQ(r, store::FreshRecord());
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(RecordFile, StickyFolderIsWrittenInPlace) {
  WriteAll(Path(), Fixture());
  ::chmod(dir_.c_str(), 01700);
  const ino_t before = Inode(Path());
  store::Save(Path(), store::FreshRecord());
  EXPECT_EQ(Inode(Path()), before);
  store::Record r;
  store::Load(Path(), r);
  EXPECT_EQ(r, store::FreshRecord());
  EXPECT_EQ(Entries(), 1);
}

// The in-place save of a longer file: the new record first, then the cut.
TEST_F(RecordFile, InPlaceSaveOfALongerFileCutsItAfterWriting) {
  Bytes longer = Fixture();
  longer.insert(longer.end(), 50, 0x42);
  WriteAll(Path(), longer);
  fs::create_hard_link(Path(), Path("copy.dat"));
  store::Save(Path(), FixtureRecord());
  EXPECT_EQ(ReadAll(Path("copy.dat")), Fixture());
}

// A folder that takes no new files: for root a folder of root's, the record and the save
// belonging to another player; for anyone else their own folder made read-only. `fn` runs as
// that player, in a child process, and returns its result.
class NoNewFiles : public RecordFile {
 protected:
  int Run(const std::function<int()>& fn) {
    if (::geteuid() == 0) {
      ::chmod(dir_.c_str(), 0755);
      ::chown(Path().c_str(), kAlice, kAlice);
      return AsUser(kAlice, kAlice, {}, fn);
    }
    ::chmod(dir_.c_str(), 0555);
    return AsUser(::geteuid(), ::getegid(), {}, fn);
  }
};

TEST_F(NoNewFiles, RecordIsRewritten) {
  WriteAll(Path(), Bytes(204, 0));
  EXPECT_EQ(Run([&] { return SaveCode(Path(), FixtureRecord()); }), 0);
  EXPECT_EQ(ReadAll(Path()), Fixture());
}

struct FaultCase {
  const char* what;
  int shortAt, failAt, err;
  const char* text;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.what;
}

class InjectedWriteError : public NoNewFiles, public ::testing::WithParamInterface<FaultCase> {};

// The write goes over the old bytes without emptying the file first, and a write that fails,
// even half-way, leaves the former record as it was.
TEST_P(InjectedWriteError, LeavesTheFormerRecordWhole) {
  const FaultCase c = GetParam();
  WriteAll(Path(), Fixture());
  const int rc = Run([&] {
    g_fault = WriteFault{true, 0, c.shortAt, c.failAt, c.err};
    try {
      store::Save(Path(), store::FreshRecord());
    } catch (const store::IoError& e) {
      return std::string(e.what()) == c.text ? 1 : 2;
    }
    return 0;
  });
  EXPECT_EQ(rc, 1) << c.what << ": 0 means no error, 2 the wrong text";
  EXPECT_EQ(ReadAll(Path()), Fixture()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InjectedWriteError,
    ::testing::Values(FaultCase{"EIO at once", 0, 1, EIO, "I/O エラー (5)"},
                      FaultCase{"disk full at once", 0, 1, ENOSPC, "ディスクがいっぱいです"},
                      FaultCase{"half written, then EIO", 1, 2, EIO, "I/O エラー (5)"},
                      FaultCase{"half written, then quota", 1, 2, EDQUOT,
                                "ディスクがいっぱいです"}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

// The system's error numbers reach the player as the record's codes by meaning, never by value.
TEST(ErrorFor, EveryNumberHasItsCodeAndText) {
  struct Case {
    int err, code;
    const char* text;
  };
  const Case cases[] = {{ENOENT, 2, "ファイルが見つかりません"},
                        {ENOTDIR, 3, "不正なファイル名です"},
                        {ENAMETOOLONG, 3, "不正なファイル名です"},
                        {ELOOP, 3, "不正なファイル名です"},  // not "I/O エラー (40)"
                        {EMFILE, 4, "オープンしたファイルが多すぎます"},
                        {ENFILE, 4, "オープンしたファイルが多すぎます"},
                        {EACCES, 5, "ファイルへのアクセスが拒否されました"},
                        {EPERM, 5, "ファイルへのアクセスが拒否されました"},
                        {EROFS, 5, "ファイルへのアクセスが拒否されました"},
                        {EISDIR, 5, "ファイルへのアクセスが拒否されました"},
                        {ENOSPC, 101, "ディスクがいっぱいです"},
                        {EDQUOT, 101, "ディスクがいっぱいです"},
                        {EIO, EIO, "I/O エラー (5)"},                    // not "access refused"
                        {ENETUNREACH, ENETUNREACH, "I/O エラー (101)"},  // not "disk full"
                        {ENXIO, ENXIO, "I/O エラー (6)"},
                        {EFBIG, EFBIG, "I/O エラー (27)"},
                        {ESTALE, ESTALE, "I/O エラー (116)"}};
  for (const Case& c : cases) {
    const store::IoError e = store::ErrorFor(c.err);
    EXPECT_EQ(e.Code(), c.code) << c.err;
    EXPECT_STREQ(e.what(), c.text) << c.err;
  }
  EXPECT_EQ(store::ErrorFor(ENOENT, true).Code(), 3) << "a missing folder";
}

TEST_F(RecordFile, InjectedIoErrorReadsAsAnIoError) {
  WriteAll(Path(), Fixture());
  g_fault = WriteFault{true, 0, 0, 1, EIO};
  std::string text;
  try {
    store::Save(Path(), store::FreshRecord());
  } catch (const store::IoError& e) {
    text = e.what();
  }
  g_fault = WriteFault{};
  EXPECT_EQ(text, "I/O エラー (5)");
  EXPECT_EQ(ReadAll(Path()), Fixture());
  EXPECT_EQ(Entries(), 1);
}

// A full disk that takes no temporary file still takes the record over its old bytes, with the
// in-place write's own safety: a write that fails there too leaves the former record whole.
TEST_F(RecordFile, AFullDiskThatRefusesTheTemporaryFileSavesInPlace) {
  struct Case {
    const char* what;
    int shortAt, failAt, failTo, err;
    int code;  // of the save
  };
  const Case cases[] = {
      {"the temporary file's write", 0, 1, 0, ENOSPC, 0},
      {"half the temporary file, then quota", 1, 2, 0, EDQUOT, 0},
      {"the temporary file and the write in place", 0, 1, 2, ENOSPC, 101},
      {"an I/O error is no full disk", 0, 1, 0, EIO, EIO},
  };
  const store::RecordBytes encoded = store::Encode(store::FreshRecord());
  const Bytes fresh(encoded.begin(), encoded.end());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(Path(), Fixture());
    const ino_t before = Inode(Path());
    g_fault = WriteFault{true, 0, c.shortAt, c.failAt, c.err, c.failTo};
    const int code = SaveCode(Path(), store::FreshRecord());
    g_fault = WriteFault{};
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(ReadAll(Path()), c.code == 0 ? fresh : Fixture());
    EXPECT_EQ(Inode(Path()), before) << "written where it is";
    EXPECT_EQ(Entries(), 1) << "the temporary file is removed";
  }
}

// A working folder so deep that its path and the record's temporary name pass the system's
// path limit: everything is opened relative to the folder, so the game still loads and saves.
TEST_F(RecordFile, FolderBeyondThePathLimit) {
  for (std::size_t depthLimit : {std::size_t{PATH_MAX - 8}, std::size_t{PATH_MAX + 300}}) {
    std::string folder = dir_.string();
    int at = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(at, 0);
    const std::string step(100, 'd');
    while (folder.size() + 1 + step.size() < depthLimit) {
      ASSERT_EQ(::mkdirat(at, step.c_str(), 0755), 0);
      const int next = ::openat(at, step.c_str(), O_RDONLY | O_DIRECTORY);
      ::close(at);
      at = next;
      folder += "/" + step;
    }
    const std::string tail(depthLimit - folder.size() - 1, 'e');
    ASSERT_EQ(::mkdirat(at, tail.c_str(), 0755), 0);
    ::close(at);
    folder += "/" + tail;
    const std::string path = folder + "/b_data.dat";
    EXPECT_EQ(SaveCode(path, FixtureRecord()), 0) << folder.size();
    EXPECT_EQ(SaveCode(path, FixtureRecord()), 0) << "over an existing record";
    store::Record r = store::FreshRecord();
    EXPECT_EQ(LoadCode(path, r), 0) << folder.size();
    EXPECT_EQ(r, FixtureRecord());
    EXPECT_EQ(store::RemoveStaleTemporaries(path), 0);
    fs::remove_all(dir_ / step);
    fs::remove_all(dir_ / tail);
  }
}

// --- Other users: these need root, which switches to two players in child processes. ---

class TwoPlayers : public RecordFile {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two players";
    ::chmod(dir_.c_str(), 0755);
  }
  // The code of the save as `uid`, 0 when it succeeded.
  static int SaveAs(uid_t uid, std::vector<gid_t> groups, const std::string& path,
                    const store::Record& r) {
    return AsUser(uid, uid, std::move(groups), [&] { return SaveCode(path, r); });
  }
  static struct stat Stat(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
  }
};

// A record shared through a group keeps its owner, group and mode whoever saves it, so that
// its owner can still load and save her own times.
TEST_F(TwoPlayers, SaveNeverChangesWhoOwnsTheRecord) {
  const std::string folder = (dir_ / "shared").string();
  fs::create_directory(folder);
  ::chown(folder.c_str(), kAlice, kGames);
  ::chmod(folder.c_str(), 02775);
  const std::string path = folder + "/b_data.dat";
  WriteAll(path, Fixture());
  ::chown(path.c_str(), kAlice, kGames);
  ::chmod(path.c_str(), 0664);

  EXPECT_EQ(SaveAs(kBob, {kGames}, path, store::FreshRecord()), 0);
  struct stat st = Stat(path);
  EXPECT_EQ(st.st_uid, kAlice);
  EXPECT_EQ(st.st_gid, kGames);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  const store::RecordBytes fresh = store::Encode(store::FreshRecord());
  EXPECT_EQ(ReadAll(path), Bytes(fresh.begin(), fresh.end()));
  EXPECT_EQ(AsUser(kAlice, kAlice, {kGames},
                   [&] {
                     store::Record r;
                     const int code = LoadCode(path, r);
                     return code != 0 ? code : r == store::FreshRecord() ? 0 : 99;
                   }),
            0);
  EXPECT_EQ(SaveAs(kAlice, {kGames}, path, FixtureRecord()), 0);
  st = Stat(path);
  EXPECT_EQ(st.st_uid, kAlice);
  EXPECT_EQ(st.st_gid, kGames);
  EXPECT_EQ(ReadAll(path), Fixture());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Root saving a player's record (say, a game started with sudo) leaves it the player's.
TEST_F(TwoPlayers, SuperuserSaveLeavesThePlayersRecordHers) {
  WriteAll(Path(), Fixture());
  ::chown(Path().c_str(), kAlice, kAlice);
  ::chmod(Path().c_str(), 0640);
  store::Save(Path(), store::FreshRecord());
  const struct stat st = Stat(Path());
  EXPECT_EQ(st.st_uid, kAlice);
  EXPECT_EQ(st.st_gid, static_cast<gid_t>(kAlice));
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// In a play folder someone else can write to, a link that someone else made is never followed:
// it could aim the save at any of the player's files.
TEST_F(TwoPlayers, LinksAreFollowedOnlyWhenThePlayerCouldHaveMadeThemAlone) {
  const std::string home = (dir_ / "home").string();  // the player's own
  const std::string shared = (dir_ / "shared").string();
  fs::create_directory(home);
  fs::create_directory(shared);
  ::chown(home.c_str(), kAlice, kAlice);
  ::chmod(home.c_str(), 0700);
  ::chown(shared.c_str(), kAlice, kAlice);
  ::chmod(shared.c_str(), 0777);
  const Bytes notes(1000, 'n');
  WriteAll(home + "/notes.txt", notes);
  ::chown((home + "/notes.txt").c_str(), kAlice, kAlice);
  const std::string path = shared + "/b_data.dat";

  struct Case {
    const char* what;
    uid_t linkOwner;
    mode_t folderMode;
    bool followed;
  };
  const Case cases[] = {
      {"another user's link, folder everyone can write", kBob, 0777, false},
      {"another user's link, folder the group can write", kBob, 0775, false},
      {"another user's link, sticky folder everyone can write", kBob, 01777, false},
      {"the player's own link, folder everyone can write", kAlice, 0777, true},
      {"another user's link, folder only the player can write", kBob, 0755, true},
      {"the superuser's link, folder everyone can write", 0, 0777, true},
  };
  for (const Case& c : cases) {
    ::chmod(shared.c_str(), c.folderMode);
    fs::remove(path);
    fs::create_symlink(home + "/notes.txt", path);
    ::lchown(path.c_str(), c.linkOwner, c.linkOwner);
    WriteAll(home + "/notes.txt", notes);
    // A cut-short save's leftover beside the target goes only where saves follow the link.
    const std::string leftover = home + "/notes.txt.Ab3xYz";
    WriteAll(leftover, Bytes(204, 7));
    ::chown(leftover.c_str(), kAlice, kAlice);
    const int cleaned =
        AsUser(kAlice, kAlice, {}, [&] { return store::RemoveStaleTemporaries(path); });
    EXPECT_EQ(cleaned, c.followed ? 1 : 0) << c.what;
    EXPECT_EQ(fs::exists(leftover), !c.followed) << c.what;
    fs::remove(leftover);
    std::string text;
    const int saved = AsUser(kAlice, kAlice, {}, [&] { return SaveCode(path, FixtureRecord()); });
    const int loaded = AsUser(kAlice, kAlice, {}, [&] {
      store::Record r;
      return LoadCode(path, r);
    });
    if (c.followed) {
      EXPECT_EQ(saved, 0) << c.what;
      EXPECT_EQ(ReadAll(home + "/notes.txt"), Fixture()) << c.what;
      EXPECT_TRUE(fs::is_symlink(path)) << c.what;
    } else {
      EXPECT_EQ(saved, 5) << c.what;
      EXPECT_EQ(loaded, 5) << c.what;
      EXPECT_EQ(ReadAll(home + "/notes.txt"), notes) << c.what;
    }
  }
  // The refusal says what is wrong.
  ::chmod(shared.c_str(), 0777);
  fs::remove(path);
  fs::create_symlink(home + "/notes.txt", path);
  ::lchown(path.c_str(), kBob, kBob);
  const int said = AsUser(kAlice, kAlice, {}, [&] {
    try {
      store::Save(path, FixtureRecord());
    } catch (const store::IoError& e) {
      return std::string(e.what()).find("link made by another user") != std::string::npos ? 0 : 1;
    }
    return 2;
  });
  EXPECT_EQ(said, 0);
}

// --- Kills at random moments of a save ---

struct KillTally {
  int runs = 0, killed = 0, oldKept = 0, newFound = 0, tempsRemoved = 0, tempsLeft = 0;
  int midSave = 0;  // killed after the save began and before it returned
};

// Saves a new record in a child process and kills it at a random moment, `runs` times; after
// each kill the record must be whole (the former or the new one, exactly 204 bytes) and the
// next start-up must leave no temporary file. `player(fn, inChild)` runs `fn` as the player:
// in the child that is killed (`inChild`) or for the parent.
using Player = std::function<int(const std::function<int()>&, bool inChild)>;
KillTally KillDuringSaves(const std::string& path, int runs, const Player& player) {
  KillTally t;
  std::mt19937 rng(20261208);
  // Kills spread over a little more than a save takes, measured in the player's own process (in
  // steps of 20 microseconds, as an exit status carries it); where they land does not change
  // what must hold afterwards.
  const int steps = player(
      [&] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) SaveCode(path, store::FreshRecord());
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count() /
                        20;
        return static_cast<int>(std::clamp<long>(us / 20 + 1, 1, 240));
      },
      false);
  std::uniform_int_distribution<long> delay(0, 3L * 20 * steps);
  const std::string folder = fs::path(path).parent_path().string();
  Bytes former = ReadAll(path);
  for (int i = 0; i < runs; ++i) {
    store::Record next = store::FreshRecord();
    next.Level = i + 2;
    next.Ranks[i % 5][i % 10] = i;
    const store::RecordBytes nb = store::Encode(next);
    const Bytes nextBytes(nb.begin(), nb.end());
    int ready[2];
    if (::pipe(ready) != 0) break;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      player(
          [&] {
            const char go = 1;
            (void)!::write(ready[1], &go, 1);
            store::Save(path, next);
            (void)!::write(ready[1], &go, 1);  // the save has returned
            return 0;
          },
          true);
      ::_exit(0);
    }
    ::close(ready[1]);
    char go = 0;
    (void)!::read(ready[0], &go, 1);
    // A spin, not a sleep: a sleep this short would overshoot by the timer's slack.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(delay(rng));
    while (std::chrono::steady_clock::now() < until) {
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ++t.runs;
    if (WIFSIGNALED(status)) ++t.killed;
    // The child's end is closed now: a second byte says its save had returned.
    if (WIFSIGNALED(status) && ::read(ready[0], &go, 1) != 1) ++t.midSave;
    ::close(ready[0]);
    const Bytes now = ReadAll(path);
    if (now == former) {
      ++t.oldKept;
    } else if (now == nextBytes) {
      ++t.newFound;
    } else {
      ADD_FAILURE() << "run " << i << ": a record of " << now.size() << " bytes, neither whole";
      break;
    }
    former = now;
    t.tempsRemoved += player([&] { return store::RemoveStaleTemporaries(path); }, false);
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().filename() != "b_data.dat") ++t.tempsLeft;
  }
  return t;
}

TEST_F(RecordFile, KillsDuringSavesNeverLeaveABrokenRecord) {
  WriteAll(Path(), Fixture());
  const KillTally t =
      KillDuringSaves(Path(), 300, [](const std::function<int()>& fn, bool) { return fn(); });
  std::printf(
      "normal folder: %d runs, %d killed before the end, %d in the middle of the save; %d left "
      "the former record, %d the new one; the next start removed %d temporary files and left "
      "%d\n",
      t.runs, t.killed, t.midSave, t.oldKept, t.newFound, t.tempsRemoved, t.tempsLeft);
  EXPECT_EQ(t.runs, 300);
  EXPECT_EQ(t.tempsLeft, 0);
  // The kills did land inside saves: some left a temporary file, which only a save in progress
  // has, and some found the former record and some the new one.
  EXPECT_GT(t.midSave, 0);
  EXPECT_GT(t.tempsRemoved, 0);
  EXPECT_GT(t.oldKept, 0);
  EXPECT_GT(t.newFound, 0);
}

TEST_F(NoNewFiles, KillsDuringSavesNeverLeaveABrokenRecord) {
  WriteAll(Path(), Fixture());
  const bool root = ::geteuid() == 0;
  if (root) {
    ::chmod(dir_.c_str(), 0755);
    ::chown(Path().c_str(), kAlice, kAlice);
  } else {
    ::chmod(dir_.c_str(), 0555);
  }
  const KillTally t =
      KillDuringSaves(Path(), 300, [&](const std::function<int()>& fn, bool inChild) {
        if (!root) return fn();
        if (!inChild) return AsUser(kAlice, kAlice, {}, fn);
        // The child that is killed switches itself, before it says it is ready.
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kAlice, kAlice, kAlice) != 0 ||
            ::setresuid(kAlice, kAlice, kAlice) != 0)
          ::_exit(250);
        return fn();
      });
  std::printf(
      "folder that takes no new files: %d runs, %d killed before the end, %d in the middle of "
      "the save; %d left the former record, %d the new one; the next start removed %d "
      "temporary files and left %d\n",
      t.runs, t.killed, t.midSave, t.oldKept, t.newFound, t.tempsRemoved, t.tempsLeft);
  EXPECT_EQ(t.runs, 300);
  EXPECT_EQ(t.tempsLeft, 0);
  EXPECT_GT(t.midSave, 0) << "no kill landed inside a save";
}

}  // namespace
