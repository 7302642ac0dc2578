#pragma once

#include <QString>

#include "DocumentController.h"

struct DocumentError;

// Telling the user why a file did not open.
namespace ErrorDialog {

// A message box with the description as its text, the path and the place beside it, and
// the line in question as detail; with a button for compatibility reading when it would
// open the file.
DocumentController::ErrorChoice present(const QString& path, const DocumentError& error, bool offerCompatibility);

// " (line 12, column 4)", or nothing when the error has no line.
QString placeSuffix(const DocumentError& error);

}  // namespace ErrorDialog
