#include "support.hpp"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace testing_support {

const gfx::TextMask& FakeText::Render(std::string_view utf8, int cellHeight) {
  mask_.Height = cellHeight > 0 ? cellHeight : 1;
  mask_.Width = 0;
  for (const char c : utf8) mask_.Width += mask_.Height / 3 + static_cast<unsigned char>(c) % 4;
  mask_.Coverage.assign(static_cast<std::size_t>(mask_.Width) * mask_.Height, 0);
  int x0 = 0;
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    const int w = mask_.Height / 3 + c % 4;
    for (int y = 1; y + 1 < mask_.Height; ++y) {
      for (int x = 1; x + 1 < w; ++x) {
        const unsigned v = (static_cast<unsigned>(x * 7 + y * 13) + c * 31u) % 6;
        mask_.Coverage[static_cast<std::size_t>(y) * mask_.Width + x0 + x] =
            v < 2    ? 255
            : v == 2 ? static_cast<std::uint8_t>(c * 37 + y)
                     : 0;
      }
    }
    x0 += w;
  }
  return mask_;
}

FakeText& Text() {
  static FakeText text;
  return text;
}

gfx::Image PatternSheet() {
  gfx::Image sheet(gfx::sheet::kWidth, gfx::sheet::kHeight);
  for (int y = 0; y < sheet.Height(); ++y)
    for (int x = 0; x < sheet.Width(); ++x)
      sheet.Row(y)[x] = static_cast<gfx::Rgb>((y << 12 | x) & 0xFFFFFF);
  return sheet;
}

Rig::Rig(std::int32_t level, std::uint32_t seed) {
  static const gfx::Sprites sprites = gfx::CutSprites(PatternSheet());
  g.Sprites = sprites;
  g.BackBuffer = gfx::Image(game::kFrameWidth, game::kFrameHeight);
  g.DataDir = "./";
  const store::Record fresh = store::FreshRecord();
  g.RankTable = fresh.Ranks;
  g.Level = level;
  game::SeedRandom(rng, seed);
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "frothy_test.XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

TempDir::~TempDir() {
  namespace fs = std::filesystem;
  std::error_code ec;
  // A folder the test made read-only must open again before what is in it can go.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string InChildWithWatchdog(const std::function<std::string()>& fn, unsigned seconds) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    ::alarm(seconds);
    std::string text;
    try {
      text = fn();
    } catch (const std::exception& e) {
      text = std::string("threw: ") + e.what();
    }
    (void)!::write(out[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string text;
  char buf[512];
  for (ssize_t n = 0; (n = ::read(out[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return "child ended by signal " + std::to_string(WTERMSIG(status));
  return text;
}

bool Shows(const gfx::Image& back, int x, int y, const gfx::Image& img) {
  for (int j = 0; j < img.Height(); ++j)
    for (int i = 0; i < img.Width(); ++i)
      if (back.At(x + i, y + j) != img.At(i, j)) return false;
  return true;
}

std::string NameFromWords(std::string_view words) {
  std::string name;
  const auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t i = 0; i < words.size(); ++i) {
    const char c = words[i];
    if (alnum(c)) {
      name += c;
    } else if (c == '+') {
      if (!name.empty() && name.back() != '_') name += '_';
      name += "plus_";
    } else if (c == '-' && (i == 0 || !alnum(words[i - 1])) && i + 1 < words.size() &&
               std::isdigit(static_cast<unsigned char>(words[i + 1]))) {
      if (!name.empty() && name.back() != '_') name += '_';
      name += "minus";
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

}  // namespace testing_support
