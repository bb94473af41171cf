#include "link/state.h"

#include <cstring>

void SetLinkStartValues() {
  std::lock_guard<std::mutex> g(linklock);
  usbopen = 0;
  newframe = 0;
  lastgoodframe = 0;
  lastrequest = 0;
  samplingms = 0;
  lastframeread = 0;
  lastgoodread = 0;
  rxpartial = 0;
  workerstop = 0;
  paramspending = 0;

  fthandle = nullptr;
  fthandleout = nullptr;
  ftdevicecount = ftrxbytes = fttxbytes = fteventdword = ftbytesread = ftbyteswritten = 0;
  ftflags = fttype = ftid = ftlocid = 0;
  std::memset(ftserial, 0, sizeof ftserial);
  std::memset(ftdescription, 0, sizeof ftdescription);
  eeword = 0;

  usbrailraw = instrumentstatus = 0;
  takenusbrailraw = takeninstrumentstatus = 0;

  pointcount = 64;
  samplesperpoint = 1;
  cyclesperframe = 1;
  sourceohms = 10000;
  resistance50 = 50;
  resistance100 = 100;
  resistance200 = 200;
  resistance500 = 500;
  resistance1k = 1000;
  resistance2k = 2000;
  resistance5k = 5000;
  resistance10k = 10000;

  // The two highest settings keep these codes whatever the calibration.
  amplitudecode.fill(0);
  zerocode.fill(0);
  amplitudecode[11] = amplitudecode[12] = 65535;
  adc0gain = adc1gain = 0;
  adc0offset = adc1offset = 0;
  dcbiasscale = dcbiaszero = 0;
  dcbiascalibrated = dcbiastold = false;

  buttonaevent = buttonbevent = 0;
  buttonashown = buttonbshown = 0;

  paramblock.assign(65537, 0);
  adc0samples.assign(129, 0);
  adc1samples.assign(129, 0);
  eepromwords.assign(65536, 0);
  txbuffer.assign(16384, 0);
  rxbuffer.assign(16384, 0);
}
