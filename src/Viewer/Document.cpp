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

std::optional<QByteArray> Document::dataOfType(const QString&, DocumentError* error) const {
    try {
        std::optional<std::string> bytes = _model->data();
        if (!bytes) return std::nullopt;
        return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
    } catch (const std::exception& exception) {
        if (error)
            *error = DocumentError{kErrorDomain, DocumentError::kWriteError,
                                   QString::fromUtf8(exception.what()), std::nullopt};
        return std::nullopt;
    }
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
