// The connection indicator: the picture at the top of the ribbon, the ticks
// of "Connect" and "Disconnect", and on some models the USB status text.
#pragma once

// Brings the indicator in line with `usbopen`; does nothing while the state
// shown is already the current one.
void YRM_ShowUsbStatus();
