// The parameter block and the test-signal settings sent to the instrument.
#pragma once

// Turns the applied settings into registers and sends them in five bursts;
// only while usbopen is 1. GUI thread.
void YRM_SendInstrumentParams();
