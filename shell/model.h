// The instrument model chosen in the Instrument menu; it takes effect at the
// next start.
#pragma once

// Acts on the "Change Instrument" items 240 to 243 of the current menu event.
void YRM_SelectInstrument();
// Ticks the item of the selected model (none for YRM-D2 or an unknown name).
void YRM_CheckInstrumentMenu();
