// Moving through the test plan: record by record, component by component,
// to the first or last record, or to the pin clicked on the board view.
#pragma once

// Without a redraw (used by captures and the editor).
void YRM_NextRecord();
void YRM_PreviousRecord();
// To the first row of the next component (or the last row), or of the
// previous component (not above the first pin row).
void MoveToNextComponent();
void MoveToPreviousComponent();
// With a refresh and a full redraw (buttons, menu and shortcuts).
void YRM_ShowNextRecord();
void YRM_ShowPreviousRecord();
void YRM_FirstRecord();
void YRM_LastRecord();
void YRM_NextComponent();
void YRM_PreviousComponent();
// The first row whose pin lies within 5 window pixels of the mouse on the
// board view becomes current; a click on no pin switches between the record's
// view and the whole photo.
void YRM_SelectRecordAtClick();
