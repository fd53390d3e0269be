// The record file: its bytes against a fixture written independently of the code, loads of
// short and long files, and every failure made real in a temporary folder.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "store/record.hpp"

namespace fs = std::filesystem;

namespace {

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

class RecordFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("frothy_store_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  std::string Path(const char* name = "b_data.dat") const { return (dir_ / name).string(); }

  // The code of the failure, or 0.
  static int LoadCode(const std::string& path, store::Record& r) {
    try {
      store::Load(path, r);
    } catch (const store::IoError& e) {
      return e.Code();
    }
    return 0;
  }
  static int SaveCode(const std::string& path, const store::Record& r) {
    try {
      store::Save(path, r);
    } catch (const store::IoError& e) {
      return e.Code();
    }
    return 0;
  }

  fs::path dir_;
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

TEST_F(RecordFile, FolderThatTakesNoNewFilesStillLetsTheRecordBeRewritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
  WriteAll(Path(), Bytes(204, 0));
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(SaveCode(Path(), FixtureRecord()), 0);
  EXPECT_EQ(ReadAll(Path()), Fixture());
}

TEST_F(RecordFile, TooManyOpenFiles) {
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit low = old;
  low.rlim_cur = 32;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fds;
  for (int fd; (fd = ::dup(0)) >= 0;) fds.push_back(fd);
  store::Record r = store::FreshRecord();
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

}  // namespace
