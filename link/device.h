// The instrument's USB converter: loading the driver library, opening and
// closing the device.
#pragma once

// Loads the driver library, opens device 0 and sets the line to baud, 8N1, no
// flow control. The outcome is usbopen; failures are shown as messages.
void YRM_OpenUsbPort(int baud);
// Closes the device (under linklock) and clears usbopen.
void YRM_CloseUsbPort();
