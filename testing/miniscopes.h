// Mini-scopes: one stored picture per row around the current record, with
// its golden and judged curves, settings, description and heading.
#pragma once

constexpr int kImageMiniScope = 948;
constexpr int kMiniScopeMargin = 50;

// Replaces image 948 with the mini-scope of row `index` of a plan whose last
// row is `count`: rows 2..count fully, row 1 the plan's file name, row
// count + 1 "END", any other row an empty picture.
void YRM_DrawMiniScope(int width, int height, int index, int count);
