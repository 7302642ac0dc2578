#pragma once

#include <QString>
#include <QStringList>

#include "MQAFile.h"
#include "ObjectDisplay.h"
#include "ViewerTypes.h"

class MQAProgress;
class WindowController;

// File > Export glTF…: the scene the window shows as glTF 2.0 (see GltfExport.h), its
// objects as the view shows them (mirrored halves, hidden objects) at the scale the
// dialog asks for, written on a worker thread while the message bar shows how far it got
// and offers Cancel. The scene is shared, never read again from its file.
namespace SceneExport {

// Writes `scene`, read from `documentPath` as `reading` reads (its textures are looked for
// beside it), to `out` (.glb, or .gltf with its .bin beside it), on any thread: its
// objects as `display` shows them, `scale` metres to its unit. Returns why it did not, or
// an empty text; what the export could not carry over exactly goes in `warnings`. Never
// writes over the document.
QString exportFile(const SceneHandle& scene, const QString& documentPath, MQAReading reading, const QString& out,
                   MQAProgress* progress, QStringList* warnings, DisplayChoice display = {}, double scale = 1);

void exportGltf(WindowController* controller);

}  // namespace SceneExport
