// The instrument models: one row per model with everything that differs
// between them. Every per-model decision reads this table.
#pragma once
#include <array>
#include <span>
#include <string>

// Source resistances, in the order of the resistance combo box's items.
constexpr std::array<int, 3> kResistanceValuesThree = {10000, 1000, 100};
constexpr std::array<int, 8> kResistanceValuesEight = {10000, 5000, 2000, 1000, 500, 200, 100, 50};
inline constexpr const char* kResistanceItemsThree[] = {"Resistance: 10K ohms", "Resistance: 1K ohms",
                                                        "Resistance: 100 ohms"};
inline constexpr const char* kResistanceItemsEight[] = {
    "Resistance: 10K ohms", "Resistance: 5K ohms",  "Resistance: 2K ohms",  "Resistance: 1K ohms",
    "Resistance: 500 ohms", "Resistance: 200 ohms", "Resistance: 100 ohms", "Resistance: 50 ohms"};

struct InstrumentModel {
  const char* name;
  int menuItem;                                  // "Change Instrument" item, 0 when not offered
  std::span<const char* const> products;         // product texts of its EEPROM header (beginnings)
  std::span<const int> resistances;              // source resistances, highest first
  std::span<const char* const> resistanceItems;  // their combo box texts
  bool usbStatusText;                            // ribbon row with the USB status text
  bool dcGenerator;                              // DC generator rows and the bias calibration rows
  bool scanner;                                  // scanner rows
  const char* versionPage;                       // update server page, nullptr when none
  const char* calConnect;                        // first calibration step
  const char* calBiasConnect;                    // calibration step before the bias rows
};

// The model every start falls back on when the stored name is unknown.
inline constexpr const char* kDefaultModel = "YRM-A";

// All models, in the order of the "Change Instrument" menu.
std::span<const InstrumentModel> InstrumentModels();
// The row of a model name, nullptr when no model has it.
const InstrumentModel* FindModel(const std::string& name);
// The row of `activeinstrument`; an unknown name gets a row with no
// extras and three resistances.
const InstrumentModel& ActiveModel();
