#pragma once
// Where the game plays on Windows: the folder the program is in, as Explorer starts it there,
// so a player unzips the folder anywhere they can write and double-clicks frothy.exe. Where
// that folder cannot be written (unzipped into Program Files), the game plays in the player's
// %LOCALAPPDATA%\FROTHY instead, with the default files copied in from beside the program.
#include <string>
#include <vector>

namespace win {

struct PlayFolder {
  std::string dir;     // ends in a backslash
  bool moved = false;  // the program's folder could not be written: dir is the fallback
  bool made = false;   // the fallback was made by this start (the player is told, once)
};

// The folder of the running program, with a backslash at the end.
std::string ProgramFolder();

// Chooses the play folder for `programDir` (ending in a backslash). `fallbackDir` (without
// FROTHY) is the local application-data folder; empty asks the system for it.
PlayFolder ChoosePlayFolder(const std::string& programDir, std::string fallbackDir = {});

// Copies each of `names` from `from` to `to` (both ending in a backslash) where `to` has no
// file of that name yet; never overwrites one. Returns how many were copied.
int CopyMissing(const std::string& from, const std::string& to,
                const std::vector<std::string>& names);

// The files a play folder starts with.
inline const std::vector<std::string> kDefaultFiles = {"pic.bmp", "snd1.wav", "snd2.wav",
                                                       "snd3.wav", "b_data.dat"};

}  // namespace win
