#include "testing/state.h"

void SetTestingStartValues() {
  fullredraw = 1;
  traceredraw = 0;
  runstate = 1;
  prevrunstate = -1;
  autoteststep = autocapturestep = autofreeze = autofreezestep = 0;
  currentrecord = 1;
  lastrecord = -100;
  signaturestate = stablecount = flashcount = 0;
  goldenlivediff = 0;

  // Chosen and applied settings start unlike, so the first step applies them.
  voltageset = 1000;
  resistanceset = 10000;
  frequencyset = 50;
  scansigset = 0;
  scancomset = 0;
  dcmodeset = 0;
  dclevelset = 0.0f;
  voltage = 0;
  resistance = 0;
  frequency = 0;
  scansig = 1;
  scancom = 1;
  dcmode = 1;
  dclevel = 1.0f;
  resistancedirection = "Down";

  usbrail = 0;
  usbrailshown = 0;

  for (Signature* s : {&livev, &livei, &prevv, &previ, &snapv, &snapi, &goldenv, &goldeni, &dutv, &duti,
                       &tracex, &tracey, &goldennormv, &goldennormi, &livenormv, &livenormi})
    s->fill(0.0f);
}
