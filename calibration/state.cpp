#include "calibration/state.h"

void SetCalibrationStartValues() {
  calcode.fill(0);
  calreadtext.clear();
  calownbox = false;
  calstep = 0;
  calnextstep = 0;
  calpasses = 0;
  measured10 = measured1 = measuredm1 = measuredm10 = 0;
  codeat10 = codeat1 = codeatm1 = codeatm10 = 0;
  dmmconnection = 0;
  dmmlastrange.clear();
  dmmvalue = 0;
}
