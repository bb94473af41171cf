// Internal to platform/: shared access to the toolkit objects.
#pragma once
class QWidget;

namespace pf {
// The top-level widget of the current window (the one requesters belong to),
// or nullptr.
QWidget* CurrentQtWindow();
}  // namespace pf

class QImage;
class QFont;
class QRect;
namespace pf {
// The image held under a number, or nullptr (image service).
QImage* ImageObject(int img);
// The font loaded under a number, or nullptr (image service).
QFont* FontObject(int font);

// Image and image-button controls paint straight from the image store each
// time they are drawn; SetGadgetImage and SetGadgetState on them schedule a
// repaint. The image service may call this after it changed or replaced an
// image, so that every control showing it repaints (window service).
void RefreshImageGadgets(int img);

// Drawing calls note the area of an image they changed (image service), so
// that a copy drawn on in part is copied back in part. FlushDrawn hands over
// what the drawing in progress has touched so far.
void NoteDrawn(int img, const QRect& area);
void FlushDrawn();
// Counts every change to the loaded fonts and the application font.
unsigned FontGeneration();
}  // namespace pf
