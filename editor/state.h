// State of the test-plan editor: the view it draws the photo in, the pin
// cross-hair, its instruction line, pin placement and the current component.
#pragma once
#include <array>
#include <string>

inline std::string pcbimagefile;  // the plan's photo, as in header field 13
inline int viewx, viewy;          // view centre, photo pixels
inline float viewzoom;
inline int testx, testy;             // cross-hair, photo pixels
inline std::string editinstruction;  // drawn at the top of the photo
// Pin placement: kept across openings, so an unfinished placement goes on.
inline int placementstep;
inline int movepinstep;  // 1: the next photo click moves the current pin
inline std::string placementmode;
inline int pincounter;
inline std::array<int, 4> rowpins;         // pins of rows 1..4 (PINS: quantity; PINTOPIN: first, last)
inline std::string placementname;          // the component being placed: its name at the last click
inline int componentfirst, componentlast;  // rows of the current component

// Sets every start value of the editor's state.
void SetEditorStartValues();
