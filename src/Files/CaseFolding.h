#pragma once

// Names compared as Windows compares them, for documents made there: ASCII letters in
// either case are the same letter (other characters are compared as they are).

#include <string>
#include <string_view>
#include <vector>

namespace zelto {

std::string asciiLowered(std::string_view s);
bool equalIgnoringCase(std::string_view a, std::string_view b);

// The paths below `folder` that `relative` ("Tex/Body.PNG") names when each of its parts
// is matched ignoring case: folders for all parts but the last, anything but a folder for
// the last. In order of preference: at each part, the one spelled exactly first, then the
// others in sorted order. "." and ".." parts are taken as they are. None when nothing
// matches, or `folder` cannot be listed.
std::vector<std::string> pathsIgnoringCase(const std::string& folder, std::string_view relative);

}  // namespace zelto
