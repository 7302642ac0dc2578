#pragma once

#include <optional>

#include <QImage>
#include <QSize>
#include <QString>

class QFileDialog;
class QWidget;
class WindowController;

// Pictures of a window's view: File > Export Image… writes a PNG of the current frame at
// the view's pixel size or a chosen one; Edit > Copy Image puts it on the clipboard.
namespace ImageExport {

constexpr int kMaxSide = 16384;

// What a picture is to be: its size, and whether its background is transparent (no grid,
// no axes).
struct PictureChoice {
    QSize size;
    bool transparent = false;
};
// Asks for the picture's size, the view's own or one typed in, and for its background;
// none when cancelled.
std::optional<PictureChoice> askPicture(QWidget* parent, QSize viewPixels);

// Where a picture of the document named `documentName` goes unless the user says otherwise:
// "NAME-view.png" in `folder`, or "NAME-view-2.png" and on when that is taken, so no file is
// proposed that exists already.
QString suggestedPath(const QString& folder, const QString& documentName);
// The folder pictures were last written to; none before the first.
QString lastFolder();
// Writes the image as a PNG, whole or not at all. Never writes over the document's own
// file (`documentPath`, empty for none); says why in `error` when it does not write.
bool writePng(const QImage& image, const QString& path, const QString& documentPath, QString* error);

// The dialog that asks where to write: saving, PNG, and ".png" added to a name typed
// without a suffix before the dialog checks whether the file exists. The caller owns it.
QFileDialog* saveDialog(QWidget* parent, const QString& suggestion);

void exportImage(WindowController* controller);
void copyImage(WindowController* controller);

}  // namespace ImageExport
