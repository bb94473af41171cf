#include "shell/models.h"

#include "shell/menu.h"
#include "shell/state.h"

namespace {
constexpr const char* kProductsA[] = {"YRM-A", "Quenlar YRM-A"};
constexpr const char* kProductsAP[] = {"YRM-AP", "Quenlar YRM-AP"};
constexpr const char* kProductsC[] = {"Quenlar YRM-C"};
constexpr const char* kProductsD[] = {"Quenlar YRM-D"};

const InstrumentModel kModels[] = {
    {"YRM-A", kItemModelA, kProductsA, kResistanceValuesThree, kResistanceItemsThree, true, false, false,
     "/pages/XRM7LT", "1. Connect YRM-A RED socket to DVM(+) and YRM-A BLACK socket to DVM(-)", nullptr},
    {"YRM-AP", kItemModelAP, kProductsAP, kResistanceValuesThree, kResistanceItemsThree, true, false, false,
     "/pages/L7QLD9", "1. Connect YRM-AP probe tip to DVM(+) and YRM-AP ground lead to DVM(-)", nullptr},
    {"YRM-C", kItemModelC, kProductsC, kResistanceValuesEight, kResistanceItemsEight, false, true, false,
     "/pages/Z6D9XR", "1. Connect YRM-C RED socket to DVM(+) and YRM-C BLACK socket to DVM(-)",
     "12. Connect YRM-C BLUE socket to DVM(+) and YRM-C BLACK socket to DVM(-)"},
    {"YRM-D", kItemModelD, kProductsD, kResistanceValuesEight, kResistanceItemsEight, false, true, true,
     "/pages/B9K5YA", "1. Connect YRM-D RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
     "12. Connect YRM-D BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
    {"YRM-D2", 0, kProductsD, kResistanceValuesEight, kResistanceItemsEight, false, true, true, nullptr,
     "1. Connect YRM-D2 RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
     "12. Connect YRM-D2 BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
};

const InstrumentModel kUnknownModel = {
    "", 0, {}, kResistanceValuesThree, kResistanceItemsThree, false, false, false, nullptr, nullptr, nullptr};
}  // namespace

std::span<const InstrumentModel> InstrumentModels() { return kModels; }

const InstrumentModel* FindModel(const std::string& name) {
  for (const InstrumentModel& m : kModels)
    if (name == m.name) return &m;
  return nullptr;
}

const InstrumentModel& ActiveModel() {
  const InstrumentModel* m = FindModel(activeinstrument);
  return m ? *m : kUnknownModel;
}
