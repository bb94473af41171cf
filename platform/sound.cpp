// Sounds: WAV files decoded into memory under numbers and played in the
// background through miniaudio. Without a playback device everything stays
// silent, but loading still checks the files and plays are still counted.
#define MINIAUDIO_IMPLEMENTATION
#define MA_NO_ENCODING
#define MA_NO_MP3    // our sounds are WAV files
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

#include "platform/sound.h"

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "platform/files.h"

namespace pf {
namespace {
constexpr ma_uint64 kMaxSeconds = 60;   // longer files are refused, not loaded

struct Sound {
  std::vector<float> samples;   // interleaved
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
  while (std::getline(cards, line)) {   // a card's line starts with its index
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

bool LoadSound(int snd, const std::string& path) {
  sounds.erase(snd);
  std::string data;
  if (!ReadFileBytes(NativePath(path), data) || data.empty()) return false;
  ma_decoder_config cfg = ma_decoder_config_init(ma_format_f32, 0, 0);
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
  ma_sound_seek_to_pcm_frame(&s.voice, 0);   // a replay restarts the sound
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
