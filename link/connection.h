// Connection start (with the instrument's maker and model checks) and stop.
#pragma once

// Opens, identifies and prepares the instrument; loads its calibration and
// sends the test settings. GUI thread.
void YRM_StartConnection();
// Closes the device and asks for a trace redraw. GUI thread (or the watchdog).
void YRM_StopConnection();
// Reads EEPROM words 0 to 128 into eepromwords, under linklock.
void YRM_ReadEepromHeader();
