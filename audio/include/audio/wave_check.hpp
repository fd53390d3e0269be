#pragma once
// What a wave file's header must promise before the mixer may convert it. The mixer works out
// the size of its conversion buffer in 32 bits: a header with an absurd rate (1 Hz), channel
// count or length wraps that size and the conversion writes past the buffer. The check does the
// same sum in 64 bits and refuses what could not be a sound cue.
#include <cstddef>
#include <cstdint>
#include <string>

namespace audio {

inline constexpr std::uint32_t kMinWaveRate = 1000;    // Hz
inline constexpr std::uint32_t kMaxWaveRate = 384000;  // Hz
inline constexpr std::uint16_t kMaxWaveChannels = 8;
// Largest cue file read: a minute and a half of CD-quality stereo, for cues of a second or two.
inline constexpr std::uintmax_t kMaxCueBytes = std::uintmax_t{16} << 20;
// Most the mixer may hold while it converts one cue: far below where its 32-bit sums wrap.
inline constexpr std::uint64_t kMaxConversionBytes = std::uint64_t{512} << 20;

// The device format the cue is converted to.
struct OutputFormat {
  std::uint32_t rate = 44100;
  std::uint32_t channels = 2;
};

// Returns an empty string when the file may go to the mixer, otherwise why not. A file that is
// not a RIFF WAVE file at all is refused too; one whose chunks are damaged in other ways is left
// to the mixer, which reports it.
std::string CheckWave(const unsigned char* data, std::size_t size, const OutputFormat& out);

}  // namespace audio
