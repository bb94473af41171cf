// The main step: one periodic pass of the GUI thread, in fixed phases.
#pragma once

// Runs the eleven phases once; returns 0.
int YRM_MainLoopStep();

// How long the main loop may wait for a window event before the next step,
// in ms, at most `longest`: 0 while the next step has something to do (a
// request flag, a new frame, a run state still moving, an event just taken),
// the time to the next whole second while a relayout waits for it, else
// `longest`. Other threads that set a flag for the step wake the wait.
int MainStepWait(int longest);

// Push-button function combo items and the control event each passes on.
// Index = combo item; 0 means no action.
int PushButtonAction(int item);
