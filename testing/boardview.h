// Board view: the plan's photo cut to a view, stretched to the panel, with
// the current pin's crosshair and a symbol on every pin in sight.
#pragma once
#include <string>

constexpr int kImagePcbView = 950;    // the finished view
constexpr int kImagePcbCutout = 951;  // the window of the photo, before stretching
constexpr int kImagePcbPhoto = 952;   // the decoded photo, kept while its file is unchanged
inline const char* const kNoImageFile = "graphics/noimage.png";

// Draws the view of `file` (relative to the working folder or absolute) into
// image 950: width x height pixels, centred on (centrex, centrey) photo pixels
// at `zoom` (1: the photo's longer side fills the view), cursor on
// (cursorx, cursory). Publishes the image window and the photo size. A photo
// that cannot be loaded leaves the window and size as they were, the view a
// plain blue panel and imagewindowshown 0 (no click maps through the window),
// and is reported ("Can't load the PCB image: ") once until another photo
// shows. A photo is decoded at the reduction the view needs, a JPEG 2000 one
// only over the part round the window.
void YRM_DrawPcbView(int width, int height, int centrex, int centrey, float zoom, int cursorx, int cursory,
                     const std::string& file);

// The same for the main window, which must not stall: a large photo not yet
// held is decoded on the loading thread. Until it comes, the view shows the
// same photo held coarser, or its pins on a plain dark panel (the window and
// size published are the photo's, from its header). When it is ready,
// PcbPhotoArrived turns true and the main loop is woken to draw it.
void DrawMainPcbView(int width, int height, int centrex, int centrey, float zoom, int cursorx, int cursory,
                     const std::string& file);
bool PcbPhotoArrived();      // any thread
bool TakePcbPhotoArrival();  // true once per arrival

// Forgets the decoded photo, so the next view reads its file again (after
// any photo still decoding has finished: nothing arrives afterwards).
void ForgetPcbPhoto();
