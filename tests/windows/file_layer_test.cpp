// The record and the play folder on Windows (run under Wine in CI): the same 204 bytes and rules
// as on the other systems, kept with Windows' own means, in folders named in any script.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "store/data_file.hpp"
#include "store/record.hpp"
#include "win/folder_lock.hpp"
#include "win/play_folder.hpp"
#include "win/record_file.hpp"
#include "win/utf16.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

// A fresh folder under the working folder, removed afterwards; its name holds
// Japanese, so every test also proves that paths travel as UTF-16.
class WinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Under the test's working folder (the build's) rather than the user's temporary folder,
    // which a new Wine prefix made for an ordinary user does not always have.
    root_ = fs::current_path() / (win::Wide("記録フォルダ ") + win::Wide(info->name()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(root_, ec))
      ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(root_, ec);
  }
  std::string U8(const fs::path& p) const { return win::Utf8(p.wstring()); }
  std::string Record() const { return U8(root_ / L"b_data.dat"); }
  std::string Dir() const { return U8(root_) + "\\"; }

  static Bytes Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  std::set<std::wstring> Names() const {
    std::set<std::wstring> out;
    for (const auto& e : fs::directory_iterator(root_)) out.insert(e.path().filename().wstring());
    return out;
  }

  static store::Record Sample() {
    store::Record r = store::FreshRecord();
    r.Ranks[0][0] = 123;
    r.Ranks[4][9] = 959;
    r.Level = 4;
    return r;
  }
  static Bytes Encoded(const store::Record& r) {
    const store::RecordBytes b = store::Encode(r);
    return Bytes(b.begin(), b.end());
  }

  fs::path root_;
};

TEST(WinErrors, SystemCodesMapByMeaning) {
  struct Case {
    DWORD err;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, 2, "ファイルが見つかりません"},
      {ERROR_PATH_NOT_FOUND, 3, "不正なファイル名です"},
      {ERROR_INVALID_NAME, 3, "不正なファイル名です"},
      {ERROR_TOO_MANY_OPEN_FILES, 4, "オープンしたファイルが多すぎます"},
      {ERROR_ACCESS_DENIED, 5, "ファイルへのアクセスが拒否されました"},
      {ERROR_SHARING_VIOLATION, 5, "ファイルへのアクセスが拒否されました"},
      {ERROR_WRITE_PROTECT, 5, "ファイルへのアクセスが拒否されました"},
      {ERROR_DISK_FULL, 101, "ディスクがいっぱいです"},
      {ERROR_HANDLE_DISK_FULL, 101, "ディスクがいっぱいです"},
      {ERROR_CRC, 23, "I/O エラー (23)"},
      // Windows' own 100 and 101 are about semaphores: by value they would read "short file"
      // and "disk full".
      {ERROR_TOO_MANY_SEMAPHORES, 100, "I/O エラー (100)"},
      {ERROR_EXCL_SEM_ALREADY_OWNED, 101, "I/O エラー (101)"},
  };
  for (const Case& c : cases) {
    const store::IoError e = win::ErrorFor(c.err);
    EXPECT_EQ(e.Code(), c.code) << c.err;
    EXPECT_EQ(std::string(e.what()), c.text) << c.err;
  }
}

TEST_F(WinFiles, SaveReplacesTheRecordWholeAndLeavesNoTemporary) {
  Write(root_ / L"b_data.dat", Bytes(300, 0x55));  // longer than a record
  win::Save(Record(), Sample());
  EXPECT_EQ(Read(root_ / L"b_data.dat"), Encoded(Sample()));
  EXPECT_EQ(Names(), (std::set<std::wstring>{L"b_data.dat"}));
  store::Record back = store::FreshRecord();
  win::Load(Record(), back);
  EXPECT_EQ(back, Sample());
}

TEST_F(WinFiles, SaveMakesAMissingRecord) {
  win::Save(Record(), Sample());
  EXPECT_EQ(Read(root_ / L"b_data.dat"), Encoded(Sample()));
}

TEST_F(WinFiles, ARecordWithOtherHardLinksIsWrittenInPlaceAndKeepsThem) {
  Write(root_ / L"b_data.dat", Bytes(210, 0x11));
  ASSERT_TRUE(
      ::CreateHardLinkW((root_ / L"copy.dat").c_str(), (root_ / L"b_data.dat").c_str(), nullptr));
  win::Save(Record(), Sample());
  // Written where it is: both names still show the one file, cut to a record after the write.
  EXPECT_EQ(Read(root_ / L"b_data.dat"), Encoded(Sample()));
  EXPECT_EQ(Read(root_ / L"copy.dat"), Encoded(Sample()));
  EXPECT_EQ(Names(), (std::set<std::wstring>{L"b_data.dat", L"copy.dat"}));
}

TEST_F(WinFiles, ARecordHeldOpenWithoutSharingDeleteIsWrittenInPlace) {
  Write(root_ / L"b_data.dat", Bytes(204, 0x22));
  // As a virus scanner or an editor holds it: nobody may rename or delete it meanwhile.
  HANDLE held = ::CreateFileW((root_ / L"b_data.dat").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  win::Save(Record(), Sample());
  ::CloseHandle(held);
  EXPECT_EQ(Read(root_ / L"b_data.dat"), Encoded(Sample()));
  EXPECT_EQ(Names(), (std::set<std::wstring>{L"b_data.dat"}));
}

TEST_F(WinFiles, ShortFileOverlaysWhatItHasThenFailsWith100) {
  Write(root_ / L"b_data.dat", {0x7B, 0, 0, 0, 0x2A});
  store::Record r = store::FreshRecord();
  try {
    win::Load(Record(), r);
    FAIL() << "no error";
  } catch (const store::IoError& e) {
    EXPECT_EQ(e.Code(), 100);
    EXPECT_EQ(std::string(e.what()), "ファイルの末尾以降を読み込みました");
  }
  EXPECT_EQ(r.Ranks[0][0], 123);
  EXPECT_EQ(r.Ranks[0][1] & 0xFF, 0x2A);
  EXPECT_EQ(r.Ranks[0][2], store::kEmpty);
  EXPECT_EQ(r.Level, 1);
}

TEST_F(WinFiles, FailuresCarryTheirCodes) {
  store::Record r = store::FreshRecord();
  const auto code = [&](auto&& op) {
    try {
      op();
    } catch (const store::IoError& e) {
      return e.Code();
    }
    return 0;
  };
  EXPECT_EQ(code([&] { win::Load(Record(), r); }), 2);
  EXPECT_EQ(code([&] { win::Load(U8(root_ / L"無い" / L"b_data.dat"), r); }), 3);
  EXPECT_EQ(code([&] { win::Save(U8(root_ / L"無い" / L"b_data.dat"), Sample()); }), 3);
  // A read-only record refuses the load (it is opened for writing too) and the save, and stays.
  Write(root_ / L"b_data.dat", Bytes(204, 0x33));
  ASSERT_TRUE(::SetFileAttributesW((root_ / L"b_data.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(code([&] { win::Load(Record(), r); }), 5);
  EXPECT_EQ(code([&] { win::Save(Record(), Sample()); }), 5);
  EXPECT_EQ(Read(root_ / L"b_data.dat"), Bytes(204, 0x33));
  // A folder in the record's place.
  fs::create_directory(root_ / L"dir");
  EXPECT_EQ(code([&] { win::Save(U8(root_ / L"dir"), Sample()); }), 5);
  EXPECT_EQ(Names(), (std::set<std::wstring>{L"b_data.dat", L"dir"}));
}

TEST_F(WinFiles, StartUpRemovesOnlyOurOwnStaleTemporaries) {
  Write(root_ / L"b_data.dat", Bytes(204, 0));
  Write(root_ / L"b_data.dat.a1B2c3", Bytes(204, 1));  // a save cut short: goes
  Write(root_ / L"b_data.dat.Zz9yX0", {});             // goes
  Write(root_ / L"b_data.dat.toolong1", Bytes(4, 1));  // not our naming
  Write(root_ / L"b_data.dat.a-b_c1", Bytes(4, 1));    // not our naming
  Write(root_ / L"b_data.dat.BIGGER", Bytes(205, 1));  // larger than a record
  Write(root_ / L"other.dat.a1B2c3", Bytes(4, 1));     // another file's
  fs::create_directory(root_ / L"b_data.dat.folder");
  EXPECT_EQ(win::RemoveStaleTemporaries(Record()), 2);
  EXPECT_EQ(Names(), (std::set<std::wstring>{L"b_data.dat", L"b_data.dat.toolong1",
                                             L"b_data.dat.a-b_c1", L"b_data.dat.BIGGER",
                                             L"other.dat.a1B2c3", L"b_data.dat.folder"}));
}

TEST_F(WinFiles, ASecondGameInTheFolderIsRefusedUntilTheFirstEnds) {
  fs::create_directory(root_ / L"他");
  auto first = std::make_unique<win::FolderLock>(Dir());
  ASSERT_EQ(first->Outcome(), win::FolderLock::State::Held);
  EXPECT_TRUE(fs::exists(root_ / L"b_data.lock"));
  EXPECT_EQ(win::FolderLock(Dir()).Outcome(), win::FolderLock::State::Busy);
  EXPECT_EQ(win::FolderLock(U8(root_ / L"他") + "\\").Outcome(), win::FolderLock::State::Held);
  first.reset();
  EXPECT_EQ(win::FolderLock(Dir()).Outcome(), win::FolderLock::State::Held);
}

TEST_F(WinFiles, DataFilesAreCappedAndMustBePlainFiles) {
  Write(root_ / L"pic.bmp", Bytes(100, 7));
  EXPECT_EQ(store::ReadDataFile(U8(root_ / L"pic.bmp"), 100), Bytes(100, 7));
  const auto text = [&](const fs::path& p, std::uintmax_t cap) {
    try {
      store::ReadDataFile(U8(p), cap);
    } catch (const store::DataFileError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  EXPECT_EQ(text(root_ / L"pic.bmp", 99),
            U8(root_ / L"pic.bmp") +
                ": 100 bytes, far more than the game's data can be (at most 99 bytes)");
  fs::create_directory(root_ / L"snd1.wav");
  EXPECT_EQ(text(root_ / L"snd1.wav", 100),
            U8(root_ / L"snd1.wav") + ": a folder, not a file the game can read");
  EXPECT_NE(text(root_ / L"snd2.wav", 100).find(U8(root_ / L"snd2.wav") + ": "), std::string::npos);
}

TEST_F(WinFiles, TheFallbackFolderGetsOnlyTheDefaultsItLacks) {
  fs::create_directory(root_ / L"game");
  fs::create_directory(root_ / L"mine");
  for (const std::string& name : win::kDefaultFiles) Write(root_ / L"game" / name, Bytes(3, 1));
  Write(root_ / L"mine" / L"b_data.dat", Bytes(204, 9));  // the player's own times
  ::SetFileAttributesW((root_ / L"game" / L"pic.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(
      win::CopyMissing(U8(root_ / L"game") + "\\", U8(root_ / L"mine") + "\\", win::kDefaultFiles),
      4);
  EXPECT_EQ(Read(root_ / L"mine" / L"b_data.dat"), Bytes(204, 9));
  EXPECT_EQ(Read(root_ / L"mine" / L"snd3.wav"), Bytes(3, 1));
  EXPECT_FALSE(::GetFileAttributesW((root_ / L"mine" / L"pic.bmp").c_str()) &
               FILE_ATTRIBUTE_READONLY);
  // A program folder that can be written is the play folder itself.
  const win::PlayFolder here = win::ChoosePlayFolder(U8(root_ / L"game"), U8(root_ / L"mine"));
  EXPECT_EQ(here.dir, U8(root_ / L"game") + "\\");
  EXPECT_FALSE(here.moved);
}

}  // namespace
