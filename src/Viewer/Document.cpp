#include "Document.h"

#include <exception>

#include <QFileInfo>

#include "Metasequoia.h"

Document::Document(QObject* parent) : QObject(parent), _model(std::make_shared<Metasequoia>()) {}

Document::~Document() = default;

void Document::adoptScene(SceneHandle scene, MQAReading reading) {
    // The way it was read is the new scene's already when observers hear it is coming:
    // textures resolve by it.
    _reading = reading;
    emit modelWillChange();
    _model = std::move(scene);
    emit modelChanged();
}

void Document::setFileURL(const QUrl& url) {
    if (url == _fileURL) return;
    _fileURL = url;
    emit fileURLChanged();
}

QString Document::displayName() const {
    if (_fileURL.isEmpty()) return tr("Untitled");
    return QFileInfo(_fileURL.toLocalFile()).fileName();
}
