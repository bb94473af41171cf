// The two result trees beside the scopes: the test tree (every component
// with its pins and a result icon each) and the bad tree (the Bad pins).
#pragma once
#include <string>

// Brings the test tree in line with `records`, sets its icons and selects the
// current record's entry. Entries whose text did not change are kept.
void YRM_BuildTestTree();
// Brings the bad tree in line with `records`.
void YRM_BuildBadTree();
// The plan's title entry: the plan file name without the working folder.
std::string TreeTitle();
