// Sounds: WAV files decoded into memory under numbers and played in the
// background through miniaudio. Without a playback device everything stays
// silent, but loading still checks the files and plays are still counted.
#define MINIAUDIO_IMPLEMENTATION
#define MA_NO_ENCODING
#define MA_NO_MP3  // our sounds are WAV files
#define MA_NO_FLAC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-variable"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <miniaudio.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/sound.h"

namespace pf {
namespace {
constexpr ma_uint64 kMaxSeconds = 60;  // longer files are refused, not loaded
// A minute of 96 kHz stereo in 32-bit samples; a larger file is not read.
constexpr int64_t kMaxSoundFileBytes = int64_t(48) << 20;

struct Sound {
  std::vector<float> samples;  // interleaved
  ma_uint32 channels = 0;
  ma_uint32 rate = 0;
  ma_audio_buffer buffer{};
  ma_sound voice{};
  bool hasVoice = false;

  ~Sound() {
    if (hasVoice) {
      ma_sound_uninit(&voice);
      ma_audio_buffer_uninit(&buffer);
    }
  }
};

ma_context context;
ma_engine engine;
bool engineUp = false;
std::map<int, std::unique_ptr<Sound>> sounds;
std::map<int, int> plays;

// True unless the system plainly has no ALSA sound card; probing ALSA
// without one fills the terminal with its complaints.
bool AlsaHasCard() {
#if defined(__linux__)
  std::ifstream cards("/proc/asound/cards");
  std::string line;
  while (std::getline(cards, line)) {  // a card's line starts with its index
    const size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && std::isdigit(static_cast<unsigned char>(line[first]))) return true;
  }
  return false;
#else
  return true;
#endif
}

// The voice that plays a sound on the engine, made on first play.
bool MakeVoice(Sound& s) {
  if (s.hasVoice) return true;
  ma_audio_buffer_config cfg = ma_audio_buffer_config_init(
      ma_format_f32, s.channels, s.samples.size() / s.channels, s.samples.data(), nullptr);
  cfg.sampleRate = s.rate;
  if (ma_audio_buffer_init(&cfg, &s.buffer) != MA_SUCCESS) return false;
  if (ma_sound_init_from_data_source(&engine, &s.buffer, MA_SOUND_FLAG_NO_SPATIALIZATION, nullptr,
                                     &s.voice) != MA_SUCCESS) {
    ma_audio_buffer_uninit(&s.buffer);
    return false;
  }
  s.hasVoice = true;
  return true;
}
}  // namespace

bool InitSound() {
  if (engineUp) return true;
  // Every real backend, but not the silent "null" one, so that a machine
  // without a sound card reports that it has none.
  ma_backend enabled[MA_BACKEND_COUNT];
  size_t count = 0;
  if (ma_get_enabled_backends(enabled, MA_BACKEND_COUNT, &count) != MA_SUCCESS) return false;
  std::vector<ma_backend> real;
  for (size_t i = 0; i < count; ++i)
    if (enabled[i] != ma_backend_null && enabled[i] != ma_backend_custom &&
        (enabled[i] != ma_backend_alsa || AlsaHasCard()))
      real.push_back(enabled[i]);
  if (real.empty()) return false;
  if (ma_context_init(real.data(), ma_uint32(real.size()), nullptr, &context) != MA_SUCCESS) return false;
  ma_engine_config cfg = ma_engine_config_init();
  cfg.pContext = &context;
  if (ma_engine_init(&cfg, &engine) != MA_SUCCESS) {
    ma_context_uninit(&context);
    return false;
  }
  engineUp = true;
  return true;
}

namespace {
uint32_t le32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t le16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }
std::string le32Text(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

// Our sounds are plain RIFF/WAVE files: PCM, float or extensible, 1 to 8
// channels. Only their format and sample data reach the decoder, in a file
// rebuilt here; the decoder's walk over other or oversized chunks can be made
// to loop for ever by a hostile file of a few dozen bytes.
bool PlainWav(const std::string& in, std::string& out) {
  if (in.size() < 12 || in.compare(0, 4, "RIFF") != 0 || in.compare(8, 4, "WAVE") != 0) return false;
  std::string format;
  for (size_t at = 12; at + 8 <= in.size();) {
    const uint32_t size = le32(in, at + 4);
    const size_t body = at + 8;
    if (in.compare(at, 4, "fmt ") == 0) {
      if (size < 16 || size > 40 || size > in.size() - body) return false;
      format = in.substr(body, size);
    } else if (in.compare(at, 4, "data") == 0) {
      if (format.empty()) return false;
      const uint16_t tag = le16(format, 0), channels = le16(format, 2), bits = le16(format, 14);
      if ((tag != 1 && tag != 3 && tag != 0xFFFE) || channels < 1 || channels > 8 || le32(format, 4) == 0 ||
          (bits != 8 && bits != 16 && bits != 24 && bits != 32 && bits != 64))
        return false;
      const size_t length = std::min<size_t>(size, in.size() - body);
      std::string data = in.substr(body, length);
      if (length % 2) data += '\0';
      out = "RIFF" + le32Text(uint32_t(4 + 8 + format.size() + 8 + data.size())) + "WAVEfmt " +
            le32Text(uint32_t(format.size())) + format + "data" + le32Text(uint32_t(length)) + data;
      return true;
    }
    at = body + size + (size & 1);
  }
  return false;
}
}  // namespace

bool LoadSound(int snd, const std::string& path) {
  sounds.erase(snd);
  std::string file, data;
  if (!ReadFileBytes(NativePath(path), file, kMaxSoundFileBytes) || !PlainWav(file, data)) return false;
  ma_decoder_config cfg = ma_decoder_config_init(ma_format_f32, 0, 0);
  cfg.encodingFormat = ma_encoding_format_wav;
  ma_decoder decoder;
  if (ma_decoder_init_memory(data.data(), data.size(), &cfg, &decoder) != MA_SUCCESS) return false;
  auto s = std::make_unique<Sound>();
  ma_format format;
  bool ok = ma_decoder_get_data_format(&decoder, &format, &s->channels, &s->rate, nullptr, 0) == MA_SUCCESS &&
            s->channels > 0 && s->channels <= 8 && s->rate > 0;
  if (ok) {
    const ma_uint64 limit = kMaxSeconds * s->rate;
    std::vector<float> chunk(size_t(4096) * s->channels);
    ma_uint64 frames = 0, got = 0;
    do {
      got = 0;
      const ma_result r = ma_decoder_read_pcm_frames(&decoder, chunk.data(), 4096, &got);
      s->samples.insert(s->samples.end(), chunk.begin(), chunk.begin() + got * s->channels);
      frames += got;
      if (r != MA_SUCCESS && r != MA_AT_END) ok = false;
    } while (ok && got > 0 && frames <= limit);
    ok = ok && frames > 0 && frames <= limit;
  }
  ma_decoder_uninit(&decoder);
  if (!ok) return false;
  sounds[snd] = std::move(s);
  return true;
}

bool IsSound(int snd) { return sounds.count(snd) != 0; }

void PlaySound(int snd) {
  auto it = sounds.find(snd);
  if (it == sounds.end()) return;
  ++plays[snd];
  Sound& s = *it->second;
  if (!engineUp || !MakeVoice(s)) return;
  ma_sound_seek_to_pcm_frame(&s.voice, 0);  // a replay restarts the sound
  ma_sound_start(&s.voice);
}

namespace test {
int PlayCount(int snd) {
  auto it = plays.find(snd);
  return it == plays.end() ? 0 : it->second;
}

void ResetSounds() {
  sounds.clear();
  plays.clear();
}
}  // namespace test

}  // namespace pf
