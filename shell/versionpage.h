// Reading the update check's version page: the bytes after the last
// "Version: " of its body, and the version number they begin with.
#pragma once
#include <string>
#include <string_view>

// The (up to) six bytes that follow the last "Version: " of `body`; "0.000"
// when the body has none.
std::string LatestVersionText(std::string_view body);
// The decimal number at the start of that text, 0 when there is none.
float PageVersion(std::string_view body);
