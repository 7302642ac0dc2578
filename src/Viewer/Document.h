#pragma once

#include <optional>
#include <string>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include "MQAFile.h"
#include "ViewerTypes.h"

// A failure to read or write a document, as the window presents it.
struct DocumentError {
    static constexpr int kReadError = 256;   // the file could not be read as a document
    static constexpr int kWriteError = 512;  // the scene could not be turned into bytes

    QString domain;
    int code = 0;
    QString description;  // the reason text exactly
    // Where in the file, when known: line, column, the line itself.
    std::optional<MQAPlace> place;
    // What compatibility reading takes to open the file, in plain words ("LF line ends"),
    // when it would.
    QString compatibilityHint;
};

// One open document: it owns its scene, read from its file by a worker. A new document
// holds an empty scene. Nothing here marks a document as edited or writes to its file.
class Document : public QObject {
    Q_OBJECT
    Q_PROPERTY(SceneHandle model READ model NOTIFY modelChanged)
    Q_PROPERTY(QUrl fileURL READ fileURL NOTIFY fileURLChanged)

public:
    static inline const QString kErrorDomain = QStringLiteral("Zelto");

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    // Always a scene.
    SceneHandle model() const { return _model; }

    // How the scene was read: strictly or by compatibility reading.
    MQAReading reading() const { return _reading; }
    // Reading a file is done in two halves: a worker builds the scene from the file's
    // bytes (SceneLoader), and the document adopts it here, on the main thread, in place
    // of the current one, between one modelWillChange and one modelChanged.
    void adoptScene(SceneHandle scene, MQAReading reading);

    // The file the document was read from; empty for a new document.
    QUrl fileURL() const { return _fileURL; }
    void setFileURL(const QUrl& url);
    // The file's name, or "Untitled".
    QString displayName() const;

signals:
    void modelWillChange();
    void modelChanged();
    void fileURLChanged();

private:
    SceneHandle _model;
    QUrl _fileURL;
    MQAReading _reading = MQAReading::Strict;
};
