// Internal to platform/: shared access to the toolkit objects.
#pragma once
class QWidget;

namespace pf {
// The top-level widget of the current window (the one requesters belong to),
// or nullptr.
QWidget* CurrentQtWindow();
}
