// Brings the main window in line with the program's state: menu ticks, the
// generator combo boxes, the run-state controls, the percentages, the trees,
// and, after a change of mode or view, the visible panels and the window size.
#pragma once

void YRM_RefreshMainWindow();

// Combo item for an applied setting (rounded to whole units first).
int VoltageItem(float millivolts);
int ResistanceItem(float ohms, bool eightResistances);
int FrequencyItem(float hertz);
