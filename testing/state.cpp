#include "testing/state.h"

void SetTestingStartValues() {
  fullredraw = 1;
  traceredraw = 0;
  runstate = kRunTestBoard;
  prevrunstate = -1;
  autoteststep = autocapturestep = autofreeze = autofreezestep = 0;
  currentrecord = 1;
  lastrecord = -100;
  signaturestate = kSignatureOpen;
  stablecount = flashcount = 0;
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

  drawbackgroundcolour = drawoutlinecolour = drawgraticulecolour = drawtextcolour = 0;
  drawlefttextcolour = drawrighttextcolour = drawcrosshaircolour = 0;
  graticulemode = "On";
  crosshairmode = "On";
  drawverticaldivisions = drawhorizontaldivisions = 5;
  graticuledotlength = 1;
  graticuledotgap = 4;
  scopelabeloffset = 5;
  for (std::string* label :
       {&scopelabel1, &scopelabel2, &scopelabel3, &scopelabel4, &scopelabel5, &scopelabel6, &scopelabel7,
        &scopelabel8, &scopelabel9, &scopelabel10, &scopelabel11, &scopelabel12})
    label->clear();
  scopelabelmask = "111111111001";
  imagewindowleft = imagewindowright = imagewindowtop = imagewindowbottom = 0;
  pcbimagewidth = pcbimageheight = 0;
  imagewindowshown = 0;
  pcbshowall = 0;

  for (Signature* s : {&livev, &livei, &prevv, &previ, &snapv, &snapi, &goldenv, &goldeni, &dutv, &duti,
                       &tracex, &tracey, &goldennormv, &goldennormi, &livenormv, &livenormi})
    s->fill(0.0f);
}
