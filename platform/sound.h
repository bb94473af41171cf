// Sounds loaded from WAV files under numbers and played in the background.
// Silent when there is no playback device.
#pragma once
#include <string>

namespace pf {
bool InitSound();  // true when a playback device started
bool LoadSound(int snd, const std::string& path);
bool IsSound(int snd);
void PlaySound(int snd);
namespace test {
int PlayCount(int snd);  // how often a sound was played
void ResetSounds();
}  // namespace test
}  // namespace pf
