#include "editor/state.h"

void SetEditorStartValues() {
  pcbimagefile.clear();
  viewx = viewy = 0;
  viewzoom = 1.0f;
  testx = testy = 0;
  editinstruction.clear();
  placementstep = 0;
  movepinstep = 0;
  placementmode.clear();
  pincounter = 0;
  rowpins = {};
  placementname.clear();
  componentfirst = componentlast = 0;
}
