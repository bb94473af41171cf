// The result icon of a plan row, in the two sizes the scopes and trees use.
#pragma once
#include "shell/resources.h"

struct ResultIconSet {
  int good, bad, untested, notest, nosig;
};
inline constexpr ResultIconSet kLargeResultIcons{kImageGood72, kImageBad72, kImageUntested72, kImageNoTest72,
                                                 kImageNoSig72};
inline constexpr ResultIconSet kSmallResultIcons{kImageGood23, kImageBad23, kImageUntested23, kImageNoTest23,
                                                 kImageNoSig23};

// By the row's result when it has a golden signature, the "no golden
// signature" icon otherwise; -1 for any other result (no icon).
int ResultIcon(int row, const ResultIconSet& icons);
