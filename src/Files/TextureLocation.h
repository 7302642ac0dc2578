#pragma once

#include <optional>
#include <string>
#include <string_view>

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
