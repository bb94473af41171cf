// The detection and comparison settings chosen in the Test menu: for each,
// the texts stored in the settings file, their menu labels (in menu order)
// and what each stands for.
#pragma once
#include <span>
#include <string>

struct ThresholdOption {
  const char* value;  // stored text
  const char* label;  // Test menu label
  float amount;       // fraction of full scale; cycles for the delay
};

inline constexpr ThresholdOption kOpenCircuitOptions[] = {
    {"0.25%", "0.25%", 0.0025f}, {"0.50%", "0.5% (default)", 0.005f}, {"1.00%", "1.0%", 0.01f}};
inline constexpr ThresholdOption kStableThresholdOptions[] = {
    {"0.50%", "0.5%", 0.005f}, {"1.00%", "1.0% (default)", 0.01f}, {"2.00%", "2.0%", 0.02f}};
inline constexpr ThresholdOption kStableDelayOptions[] = {{"2 cycles", " 2 cycles", 2},
                                                          {"5 cycles", " 5 cycles", 5},
                                                          {"10 cycles", "10 cycles (default)", 10},
                                                          {"15 cycles", "15 cycles", 15},
                                                          {"20 cycles", "20 cycles", 20}};
inline constexpr ThresholdOption kGoldenVsLiveOptions[] = {
    {"0.50%", "0.5%", 0.005f}, {"0.75%", "0.75%", 0.0075f},
    {"1.00%", "1.0%", 0.01f},  {"1.50%", "1.5% (default)", 0.015f},
    {"2.00%", "2.0%", 0.02f},  {"3.00%", "3.0%", 0.03f},
    {"4.00%", "4.0%", 0.04f},  {"5.00%", "5.0%", 0.05f}};

// The defaults: the options the menu labels "(default)".
inline constexpr const char* kOpenCircuitDefault = kOpenCircuitOptions[1].value;
inline constexpr const char* kStableThresholdDefault = kStableThresholdOptions[1].value;
inline constexpr const char* kStableDelayDefault = kStableDelayOptions[2].value;
inline constexpr const char* kGoldenVsLiveDefault = kGoldenVsLiveOptions[3].value;

// The option stored as text; nullptr for any other text.
inline const ThresholdOption* FindThresholdOption(std::span<const ThresholdOption> options,
                                                  const std::string& text) {
  for (const ThresholdOption& o : options)
    if (text == o.value) return &o;
  return nullptr;
}
