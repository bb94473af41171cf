// Classifies the live signature just drawn: open circuit (no current flows),
// stable (within a band around the signature that began the current run) or
// changed; counts consecutive stable results.
#pragma once
#include <string>

// Fractions of full scale for the threshold texts of the settings.
float OpenCircuitFraction(const std::string& text);
float StableFraction(const std::string& text);

// Returns kSignatureOpen, kSignatureStable or kSignatureUnstable; updates stablecount and, on a
// change, the reference prevv/previ. Single precision throughout.
int YRM_DetectSignatureState();
