// Creating a component by clicking its pins on the photo: the package list,
// the placement steps, the name's auto-increment and Move Pin.
#pragma once
#include <array>
#include <string>
#include <vector>

// The package list's items, headings included, in list order.
const std::vector<std::string>& PackageItems();
// Shows the package's number fields (with their labels) the item needs.
void EditorPackageFields(const std::string& item);
// Starts placing a component of `item`, named `name`, after the current
// component; the texts are those of its number fields.
void EditorCreateComponent(const std::string& item, const std::array<std::string, 4>& numbers,
                           const std::string& name);
// One placement click at photo pixels (x, y), the component named `name`.
void EditorPlacementClick(int x, int y, const std::string& name);
// The name field's text at the window's opening: the running placement's
// component, so that a placement continued after a closing keeps its name.
std::string EditorNameAtOpening();
// The name for the next component: trailing number + 1, or "_1" appended.
std::string NextComponentName(const std::string& name);
// Arms Move Pin (not at the header), then moves the pin on the next click.
void EditorArmMovePin();
void EditorMovePinClick(int x, int y);
