#include "shell/models.h"

#include "shell/menu.h"
#include "shell/state.h"

namespace {
constexpr const char* kProductsA[] = {"YRM-A", "Quenlar YRM-A"};
constexpr const char* kProductsAP[] = {"YRM-AP", "Quenlar YRM-AP"};
constexpr const char* kProductsC[] = {"Quenlar YRM-C"};
constexpr const char* kProductsD[] = {"Quenlar YRM-D"};

const InstrumentModel kModels[] = {
    {.name = "YRM-A",
     .menuItem = kItemModelA,
     .products = kProductsA,
     .resistances = kResistanceValuesThree,
     .resistanceItems = kResistanceItemsThree,
     .usbStatusText = true,
     .dcGenerator = false,
     .scanner = false,
     .versionPage = "/pages/XRM7LT",
     .calConnect = "1. Connect YRM-A RED socket to DVM(+) and YRM-A BLACK socket to DVM(-)",
     .calBiasConnect = nullptr},
    {.name = "YRM-AP",
     .menuItem = kItemModelAP,
     .products = kProductsAP,
     .resistances = kResistanceValuesThree,
     .resistanceItems = kResistanceItemsThree,
     .usbStatusText = true,
     .dcGenerator = false,
     .scanner = false,
     .versionPage = "/pages/L7QLD9",
     .calConnect = "1. Connect YRM-AP probe tip to DVM(+) and YRM-AP ground lead to DVM(-)",
     .calBiasConnect = nullptr},
    {.name = "YRM-C",
     .menuItem = kItemModelC,
     .products = kProductsC,
     .resistances = kResistanceValuesEight,
     .resistanceItems = kResistanceItemsEight,
     .usbStatusText = false,
     .dcGenerator = true,
     .scanner = false,
     .versionPage = "/pages/Z6D9XR",
     .calConnect = "1. Connect YRM-C RED socket to DVM(+) and YRM-C BLACK socket to DVM(-)",
     .calBiasConnect = "12. Connect YRM-C BLUE socket to DVM(+) and YRM-C BLACK socket to DVM(-)"},
    {.name = "YRM-D",
     .menuItem = kItemModelD,
     .products = kProductsD,
     .resistances = kResistanceValuesEight,
     .resistanceItems = kResistanceItemsEight,
     .usbStatusText = false,
     .dcGenerator = true,
     .scanner = true,
     .versionPage = "/pages/B9K5YA",
     .calConnect = "1. Connect YRM-D RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
     .calBiasConnect = "12. Connect YRM-D BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
    {.name = "YRM-D2",
     .menuItem = 0,  // not offered under "Change Instrument"
     .products = kProductsD,
     .resistances = kResistanceValuesEight,
     .resistanceItems = kResistanceItemsEight,
     .usbStatusText = false,
     .dcGenerator = true,
     .scanner = true,
     .versionPage = nullptr,
     .calConnect = "1. Connect YRM-D2 RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
     .calBiasConnect = "12. Connect YRM-D2 BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
};

// No extras and three resistances.
const InstrumentModel kUnknownModel = {.name = "",
                                       .menuItem = 0,
                                       .products = {},
                                       .resistances = kResistanceValuesThree,
                                       .resistanceItems = kResistanceItemsThree,
                                       .usbStatusText = false,
                                       .dcGenerator = false,
                                       .scanner = false,
                                       .versionPage = nullptr,
                                       .calConnect = nullptr,
                                       .calBiasConnect = nullptr};
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
