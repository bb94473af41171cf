// The main step: one periodic pass of the GUI thread, in fixed phases.
#pragma once

// Runs the eleven phases once; returns 0.
int YRM_MainLoopStep();

// Push-button function combo items and the control event each passes on.
// Index = combo item; 0 means no action.
int PushButtonAction(int item);
