#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a material's texture file is looked for: the name taken relative to the folder
// of the document's file (a name with folders reaches into sub-folders); an absolute
// name as it is; without a document file, relative to the working folder. The name is
// used unchanged, and nothing checks that the file exists.
//
// Leniently (compatibility reading), "\" separates folders too, and a name that is a
// path of another machine ("C:\models\skin.png") or otherwise not found is looked for
// by its file name alone beside the document.
std::string textureLocation(const std::optional<std::string>& documentPath, std::string_view name,
                            bool lenient = false);

// Leniently, the files a name means but for the case of its ASCII letters, for documents
// made where "Body.PNG" opens "body.png": where textureLocation looks, the name as given
// and then by its file name alone, each part matched ignoring case. The files of the
// first of those that matches at all, in order of preference (see pathsIgnoringCase).
std::vector<std::string> textureLocationsIgnoringCase(const std::optional<std::string>& documentPath,
                                                      std::string_view name);
