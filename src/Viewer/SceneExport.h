#pragma once

#include <QString>
#include <QStringList>

#include "MQAFile.h"

class MQAProgress;
class WindowController;

// File > Export glTF…: the document as glTF 2.0 (see GltfExport.h), read afresh from its
// file on a worker thread while a progress dialog, which can cancel it, shows.
namespace SceneExport {

// Reads the document at `documentPath` and writes it to `out` (.glb, or .gltf with its
// .bin beside it), on any thread. Returns why it did not, or an empty text; what the
// export could not carry over exactly goes in `warnings`. Never writes over the document.
QString exportFile(const QString& documentPath, MQAReading reading, const QString& out, MQAProgress* progress,
                   QStringList* warnings);

void exportGltf(WindowController* controller);

}  // namespace SceneExport
