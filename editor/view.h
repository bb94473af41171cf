// The editor's view of the photo: refresh of the whole window, zoom and pan,
// the zoom window and the mapping of mouse positions to photo pixels.
#pragma once

inline int imagecontrolx, imagecontroly, imagecontrolwidth, imagecontrolheight;
inline int clickimagex, clickimagey;

// Brings every field in line with the current record and redraws the photo.
void YRM_RefreshEditRecordsWindow();
// Maps a window position to photo pixels into clickimagex/clickimagey.
void YRM_MouseToImageXY(int mousex, int mousey);

void EditorZoomIn();
void EditorZoomOut();
void EditorZoomAll();
// Pans a tenth of the visible photo; dx, dy are -1, 0 or +1.
void EditorPan(int dx, int dy);
void EditorCentre();
// The first row whose pin lies in the photo box of the two window points.
void EditorPickRecord(int mousex, int mousey);
