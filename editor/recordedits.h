// The editor's work on the test plan: taking a record's view, moving by
// component, and editing single records or whole components in place.
#pragma once
#include <array>
#include <functional>
#include <string>

// Takes the current record's view and pin position and the plan's photo.
void EditorRecordLoad();
// Sets componentfirst/componentlast around `currentrecord` (pin rows only).
void YRM_FindComponentBounds();

// Moves: the first pin row, the last row, the first row of the next or
// previous component.
void EditorFirstRecord();
void EditorLastRecord();
void EditorNextComponent();
void EditorPreviousComponent();

// The thirteen to-write texts, in the order of kEditorWriteFields.
constexpr std::array<int, 13> kEditorWriteFields = {8, 9, 10, 11, 12, 14, 15, 16, 17, 18, 27, 28, 30};
using EditorRow = std::array<std::string, 13>;
// Writes the texts as typed into the current row (header included).
void EditorUpdateSingleRecord(const EditorRow& texts);
// Over every row of the current component: the name (and each Description
// rebuilt as name + ", Pin " + pin), the Description, or the view.
void EditorUpdateComponentName(const std::string& name);
void EditorUpdateComponentDescription(const std::string& text);
void EditorUpdateComponentView(const std::string& x, const std::string& y, const std::string& zoom);

// Deletes the current component (not at the header), tagging its rows
// "delete" first; `refresh` is called as the window would be refreshed.
void EditorDeleteComponent(const std::function<void()>& refresh);

// The size of the photo `pcbimagefile`, loaded into the scratch image to
// learn it; false when it cannot be loaded.
bool EditorPhotoSize(int& w, int& h);
// Recentres the plan's view on `pcbimagefile` at zoom 1 and stores the photo
// in the header. False, changing nothing, when the photo cannot be loaded.
bool EditorTakePhoto();
