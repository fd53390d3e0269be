// make_sounds: synthesises FROTHY!'s default sound cues as 16-bit mono WAVs.
//
//   usage: make_sounds OUTDIR   ->  OUTDIR/snd1.wav (merge), snd2.wav (menu),
//                                   OUTDIR/snd3.wav (final pop)
//
// Everything is computed from fixed constants and a fixed-seed PRNG, so the
// output is byte-identical on every run and the files can live in git without
// churn when somebody regenerates them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kPeakDbfs = -3.0;   // headroom so the mixer can stack cues
constexpr double kEdgeFade = 0.002;  // guarantees silent first/last samples

using Buffer = std::vector<double>;

std::size_t to_samples(double seconds) {
  return static_cast<std::size_t>(std::lround(seconds * kSampleRate));
}

// Small and fully specified, unlike the std engines' distributions, whose
// output may differ between standard library implementations.
struct XorShift32 {
  std::uint32_t state;
  double next_bipolar() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483647.5 - 1.0;
  }
};

// Raised-cosine ramps at both ends times an exponential body. The ramps start
// and end at exactly zero so no partial ever begins or stops on a step.
double envelope(double t, double length, double attack, double decay, double release) {
  if (t <= 0.0 || t >= length) {
    return 0.0;
  }
  double gain = std::exp(-t / decay);
  if (t < attack) {
    gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack);
  }
  const double left = length - t;
  if (left < release) {
    gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * left / release);
  }
  return gain;
}

struct Tone {
  double start, length;       // seconds
  double freq_from, freq_to;  // Hz, glided exponentially over the length
  double amp;
  double attack, decay, release;
  double second_harmonic;  // relative level of 2f, adds a little body
};

void add_tone(Buffer& out, const Tone& tone) {
  const std::size_t first = to_samples(tone.start);
  const std::size_t count = to_samples(tone.length);
  const double ratio = tone.freq_to / tone.freq_from;
  double phase = 0.0;
  for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    // Exponential glide sounds even to the ear; a linear one lingers low.
    const double freq = tone.freq_from * std::pow(ratio, t / tone.length);
    const double env = envelope(t, tone.length, tone.attack, tone.decay, tone.release);
    const double wave = std::sin(phase) + tone.second_harmonic * std::sin(2.0 * phase);
    out[first + i] += tone.amp * env * wave;
    phase = std::fmod(phase + kTwoPi * freq / kSampleRate, kTwoPi);
  }
}

struct NoiseBurst {
  double start, length;
  double amp;
  double attack, decay, release;
  double low_cut, high_cut;  // Hz; band-limits the hiss so it reads as "pop"
};

double one_pole_coeff(double cutoff) {
  return 1.0 - std::exp(-kTwoPi * cutoff / kSampleRate);
}

void add_noise(Buffer& out, const NoiseBurst& burst, XorShift32& rng) {
  const std::size_t first = to_samples(burst.start);
  const std::size_t count = to_samples(burst.length);
  const double hp = one_pole_coeff(burst.low_cut);
  const double lp = one_pole_coeff(burst.high_cut);
  double hp_state = 0.0, lp1 = 0.0, lp2 = 0.0;
  for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double white = rng.next_bipolar();
    hp_state += hp * (white - hp_state);
    const double high_passed = white - hp_state;
    // Two low-pass stages: one alone leaves the top end fizzy.
    lp1 += lp * (high_passed - lp1);
    lp2 += lp * (lp1 - lp2);
    out[first + i] +=
        burst.amp * lp2 * envelope(t, burst.length, burst.attack, burst.decay, burst.release);
  }
}

// Filtered noise can leave a small offset; a DC offset wastes headroom and
// thumps when the cue starts mid-mix.
void remove_dc(Buffer& buf) {
  constexpr double kPole = 0.995;
  double prev_in = 0.0, prev_out = 0.0;
  for (double& s : buf) {
    const double y = s - prev_in + kPole * prev_out;
    prev_in = s;
    prev_out = y;
    s = y;
  }
}

void fade_edges(Buffer& buf) {
  const std::size_t n = std::min(to_samples(kEdgeFade), buf.size() / 2);
  if (n == 0) {
    return;
  }
  for (std::size_t i = 0; i <= n && i < buf.size(); ++i) {
    const double w =
        std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    buf[i] *= w * w;
    buf[buf.size() - 1 - i] *= w * w;
  }
}

std::vector<std::int16_t> normalise(const Buffer& buf) {
  double peak = 0.0;
  for (double s : buf) {
    peak = std::max(peak, std::abs(s));
  }
  const double target = 32767.0 * std::pow(10.0, kPeakDbfs / 20.0);
  const double scale = peak > 0.0 ? target / peak : 0.0;
  std::vector<std::int16_t> pcm(buf.size());
  for (std::size_t i = 0; i < buf.size(); ++i) {
    pcm[i] = static_cast<std::int16_t>(std::lround(buf[i] * scale));
  }
  return pcm;
}

void put_u16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}

void put_u32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<char>((v >> shift) & 0xff));
  }
}

bool write_wav(const std::filesystem::path& path, const std::vector<std::int16_t>& pcm) {
  constexpr std::uint16_t kChannels = 1, kBits = 16;
  constexpr std::uint16_t kBlockAlign = kChannels * kBits / 8;
  const auto data_bytes = static_cast<std::uint32_t>(pcm.size() * kBlockAlign);
  std::string bytes = "RIFF";
  put_u32(bytes, 36 + data_bytes);
  bytes += "WAVEfmt ";
  put_u32(bytes, 16);  // fmt chunk size
  put_u16(bytes, 1);   // PCM
  put_u16(bytes, kChannels);
  put_u32(bytes, kSampleRate);
  put_u32(bytes, kSampleRate * kBlockAlign);
  put_u16(bytes, kBlockAlign);
  put_u16(bytes, kBits);
  bytes += "data";
  put_u32(bytes, data_bytes);
  for (std::int16_t s : pcm) {
    put_u16(bytes, static_cast<std::uint16_t>(s));
  }

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

std::vector<std::int16_t> finish(Buffer buf) {
  remove_dc(buf);
  fade_edges(buf);
  return normalise(buf);
}

// Merges can fire several times a second, so the bloop stays short and soft:
// an upward glide reads as a bubble swelling into a bigger one.
Buffer merge_cue() {
  Buffer buf(to_samples(0.115));
  add_tone(buf, {0.0, 0.115, 280.0, 650.0, 1.0, 0.004, 0.050, 0.035, 0.22});
  return buf;
}

// Menu navigation wants feedback, not attention: a bright tick that is gone
// in a few milliseconds, with a faint low thud so it doesn't sound thin.
Buffer menu_cue() {
  Buffer buf(to_samples(0.040));
  add_tone(buf, {0.0, 0.040, 2100.0, 1900.0, 1.0, 0.0008, 0.0045, 0.012, 0.0});
  add_tone(buf, {0.0, 0.040, 190.0, 150.0, 0.30, 0.0015, 0.010, 0.015, 0.0});
  return buf;
}

// The final pop is the payoff, so it gets a real transient (noise plus a
// falling chirp) and a short glitter of quiet high pings afterwards.
Buffer pop_cue() {
  constexpr double kLength = 0.360;
  Buffer buf(to_samples(kLength));
  XorShift32 rng{0x46524f54u};
  add_noise(buf, {0.0, 0.040, 0.9, 0.0010, 0.008, 0.012, 900.0, 7000.0}, rng);
  add_tone(buf, {0.0, 0.045, 1400.0, 260.0, 0.8, 0.0015, 0.012, 0.015, 0.15});
  struct Ping {
    double at, freq, amp;
  };
  constexpr Ping kPings[] = {
      {0.055, 5200.0, 0.16},
      {0.095, 4300.0, 0.13},
      {0.140, 5900.0, 0.11},
      {0.190, 3700.0, 0.09},
  };
  for (const Ping& p : kPings) {
    add_tone(buf, {p.at, 0.150, p.freq, p.freq, p.amp, 0.001, 0.030, 0.040, 0.0});
  }
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const struct {
    const char* name;
    Buffer (*make)();
  } cues[] = {
      {"snd1.wav", merge_cue},
      {"snd2.wav", menu_cue},
      {"snd3.wav", pop_cue},
  };
  for (const auto& cue : cues) {
    const std::filesystem::path path = dir / cue.name;
    if (!write_wav(path, finish(cue.make()))) {
      std::fprintf(stderr, "make_sounds: cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  return 0;
}
