#include "shell/state.h"

#include "shell/models.h"
#include "testing/thresholds.h"

void SetShellStartValues() {
  activeinstrument = kDefaultModel;
  selectedinstrument = "";
  softwareversion = 25.001f;
  quit = 0;
  event = 0;
  leftclick = rightclick = 0;
  relayoutrequest = 0;
  lastrelayout = 0;
  usbshown = 1;
  ALLSoundStatus = 0;

  checkwebsiteforupdate = 1;
  onlyltscheck = 0;
  dateoflastupdatecheck = "1/1/2025";
  mainwindowx = 0;
  mainwindowy = 0;
  mainwindowwidth = 1531;
  mainwindowheight = 710;

  colourscope1background = colourblack;
  colourscope1outline = colourdarkgreen;
  colourscope1graticule = colourdarkgreen;
  colourscope1text = colourwhite;
  colourscopexcrosshair = colourdarkgreen;
  colourscopextracelivesig = colourred;
  colourscopextracegoldensig = colourorange;
  colourscopextracedutsig = colourblue;
  colourbackground = 0x101010;
  colourpanel = colourgrey;
  colourpanelwindow = 0x220000;
  colourpaneltext = colourwhite;
  colourheader = colourblack;
  colourheadertext = colourdarkgreen;

  mode = "Advanced";
  displayview = "2miniscopes+PCB+TestTree+BadTree";
  testplanfilename = "testplans\\demo_A.qvt";
  recentplan1 = "testplans\\demo_A.qvt";
  recentplan2 = "testplans\\demo_B.qvt";
  recentplan3 = "testplans\\demo_C.qvt";
  recentplan4 = "testplans\\demo_D.qvt";
  recentplan5 = "testplans\\demo_E.qvt";
  recentplan6 = "testplans\\demo_F.qvt";
  recentplan7 = "testplans\\demo_G.qvt";
  recentplan8 = "testplans\\demo_H.qvt";
  scope1graticulemode = "On";
  scope1crosshairmode = "On";
  scopexcrosshairmode = "Off";
  pcbcrosshairtype = "1 line";
  horizontaldivisions = 5;
  verticaldivisions = 5;
  allowsignatureoverwrite = 0;
  opencircuitdetectthreshold = kOpenCircuitDefault;
  stablesignaturedetectthreshold = kStableThresholdDefault;
  stablesignaturedelay = kStableDelayDefault;
  goldenvslivethreshold = kGoldenVsLiveDefault;

  ribbonx = ribbony = 2;
  ribbonwidth = 144;
  ribbonheight = 100;
  ribbonmargin = 2;
  scopemargin = 50;
  cellsize = 0;
  cellrectx = cellrecty = cellrectwidth = cellrectheight = 0;

  appliedmode.clear();
  appliedview.clear();
  scope1visible = 1;
  miniscope1visible = miniscope2visible = miniscope3visible = miniscope4visible = miniscope5visible =
      miniscope6visible = miniscope7visible = miniscope8visible = miniscope9visible = 0;
  pcbviewvisible = testtreevisible = badtreevisible = 0;

  keyvalue.clear();
  settingint = 0;
  settingstring.clear();
}
