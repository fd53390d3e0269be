#include "audio/wave_check.hpp"

#include <algorithm>

namespace audio {
namespace {

std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

}  // namespace

std::string CheckWave(const unsigned char* data, std::size_t size, const OutputFormat& out) {
  if (size < 12 || std::string(reinterpret_cast<const char*>(data), 4) != "RIFF" ||
      std::string(reinterpret_cast<const char*>(data) + 8, 4) != "WAVE")
    return "not a wave file";
  // Every format chunk and every data chunk counts: whichever the mixer settles on, the worst
  // pairing must fit.
  std::uint32_t lowestRate = 0, mostChannels = 0;
  std::uint64_t longestData = 0;
  bool format = false;
  for (std::size_t at = 12; at + 8 <= size;) {
    const std::string id(reinterpret_cast<const char*>(data) + at, 4);
    const std::uint64_t length = Le32(data + at + 4);
    const std::size_t body = at + 8;
    if (id == "fmt ") {
      if (length < 16 || body + 16 > size) return "its format chunk is cut short";
      const std::uint16_t channels = Le16(data + body + 2);
      const std::uint32_t rate = Le32(data + body + 4);
      if (channels < 1 || channels > kMaxWaveChannels)
        return std::to_string(channels) + " channels (1 to " + std::to_string(kMaxWaveChannels) +
               " can be played)";
      if (rate < kMinWaveRate || rate > kMaxWaveRate)
        return "a sample rate of " + std::to_string(rate) + " Hz (" + std::to_string(kMinWaveRate) +
               " to " + std::to_string(kMaxWaveRate) + " Hz can be played)";
      lowestRate = format ? std::min(lowestRate, rate) : rate;
      mostChannels = std::max<std::uint32_t>(mostChannels, channels);
      format = true;
    } else if (id == "data") {
      longestData = std::max(longestData, length);
    }
    at = body + static_cast<std::size_t>(std::min<std::uint64_t>(length + (length & 1), size));
  }
  if (!format) return "";  // the mixer says what is missing
  // The mixer's conversion buffer: the data, decoded (a compressed sample grows at most four
  // times), as 32-bit floats (four times an 8-bit sample), spread over more channels and
  // stretched to the device's rate, each growth rounded up as the mixer rounds it.
  const std::uint64_t grows = std::uint64_t{16} *
                              CeilDiv(std::max<std::uint32_t>(out.channels, 1), mostChannels) *
                              CeilDiv(std::max<std::uint32_t>(out.rate, 1), lowestRate);
  const std::uint64_t needed = longestData * grows;
  if (needed > kMaxConversionBytes)
    return "its sound would take " + std::to_string(needed >> 20) + " MB to convert (at most " +
           std::to_string(kMaxConversionBytes >> 20) + " MB)";
  return "";
}

}  // namespace audio
