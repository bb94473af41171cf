// Start-up, main loop and shut-down.
#pragma once

// Program entry: runs start-up, the main loop and ends the process.
[[noreturn]] void YRM_Main();
// Start-up steps up to and including the main-window build.
void StartUp();
// Builds the main window once, during start-up.
void YRM_BuildMainWindow();
// What the build puts into window 1, in its order: the menu and shortcuts,
// the ribbon, the scope, board and tree panels and the recent-plan list. The
// window tests build their windows with it too.
void CreateMainWindowContents();
// Sets every start value of every subsystem and allocates the tables.
void SetStartValues();
// The main loop until quit, then the end of the process (exit status 0).
[[noreturn]] void RunMainLoop();
// One pass of the main loop: waits at most 1 ms for an event, sets the flags
// and runs the main step. Returns once.
void MainLoopPass();
