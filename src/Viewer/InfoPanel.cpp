#include "InfoPanel.h"

#include <map>

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

#include "Document.h"
#include "DocumentSource.h"
#include "Metasequoia.h"
#include "SceneFigures.h"
#include "ZeltoOpenGLView.h"

namespace {

QString plural(uint64_t n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString kinds(const ShapeCounts& shapes) {
    QStringList parts;
    if (shapes.lines) parts << plural(shapes.lines, "two-corner polygon", "two-corner polygons");
    if (shapes.triangles) parts << plural(shapes.triangles, "triangle", "triangles");
    if (shapes.quads) parts << plural(shapes.quads, "quad", "quads");
    return parts.isEmpty() ? QString() : " (" + parts.join(", ") + ")";
}

QString point(GLKVector3 p) { return QStringLiteral("(%1, %2, %3)").arg(p.x).arg(p.y).arg(p.z); }

QTreeWidgetItem* item(QTreeWidgetItem* parent, const QString& name, const QString& value = QString()) {
    auto* entry = new QTreeWidgetItem(parent, {name, value});
    entry->setToolTip(1, value);
    return entry;
}

// A square of the material's colour over a checker, so that its alpha shows.
QIcon swatch(Color c) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.fillRect(0, 0, 8, 8, Qt::lightGray);
    painter.fillRect(8, 8, 8, 8, Qt::lightGray);
    auto channel = [](float v) { return std::clamp(int(v * 255.0f + 0.5f), 0, 255); };
    painter.fillRect(pixmap.rect(), QColor(channel(c.r), channel(c.g), channel(c.b), channel(c.a)));
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

}  // namespace

InfoPanel::InfoPanel(Document* document, ZeltoOpenGLView* view, QWidget* parent)
    : QDockWidget(tr("Information"), parent), _document(document), _view(view) {
    setObjectName("information");
    _tree = new QTreeWidget;
    _tree->setColumnCount(2);
    _tree->setHeaderLabels({tr("Item"), tr("Value")});
    _tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    _tree->setUniformRowHeights(true);
    _tree->setMinimumWidth(340);
    setWidget(_tree);
    connect(document, &Document::modelChanged, this, &InfoPanel::refresh);
    // New textures change only what the materials say; a new scene changes everything.
    connect(view, &ZeltoOpenGLView::texturesReloaded, this, &InfoPanel::refreshMaterials);
    connect(view, &ZeltoOpenGLView::displayChoiceChanged, this, &InfoPanel::refresh);
    refresh();
}

QTreeWidgetItem* InfoPanel::section(const QString& title) const {
    for (int i = 0; i < _tree->topLevelItemCount(); ++i)
        if (_tree->topLevelItem(i)->text(0) == title) return _tree->topLevelItem(i);
    return nullptr;
}

void InfoPanel::refresh() {
    // Refreshed while hidden too: cheap next to reading, and always right when shown.
    _tree->clear();
    if (!_document) return;
    addTotals();
    addArchive();
    addObjects();
    _tree->addTopLevelItem(materialsSection());
    addBones();
    addWarnings();
    for (int i = 0; i < _tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = _tree->topLevelItem(i);
        // Long lists start folded so that the sections stay in sight.
        top->setExpanded(top->childCount() <= 50);
    }
}

void InfoPanel::addTotals() {
    const Metasequoia& scene = *_document->model();
    SceneFigures figures = sceneFigures(scene);
    auto* totals = new QTreeWidgetItem(_tree, {tr("Totals")});
    item(totals, tr("Objects"), QString::number(figures.objects));
    item(totals, tr("Vertices"), QString::number(figures.vertices));
    QTreeWidgetItem* polygons = item(totals, tr("Polygons"), QString::number(figures.polygons.total()));
    if (figures.polygons.lines) item(polygons, tr("Two corners"), QString::number(figures.polygons.lines));
    if (figures.polygons.triangles) item(polygons, tr("Triangles"), QString::number(figures.polygons.triangles));
    if (figures.polygons.quads) item(polygons, tr("Quads"), QString::number(figures.polygons.quads));
    polygons->setExpanded(true);
    item(totals, tr("Materials"), QString::number(figures.materials));

    auto* box = new QTreeWidgetItem(_tree, {tr("Bounding box")});
    if (!figures.bounds) {
        box->setText(1, tr("none (no vertices)"));
        return;
    }
    GLKVector3 size = figures.bounds->size();
    item(box, tr("From"), point(figures.bounds->low));
    item(box, tr("To"), point(figures.bounds->high));
    item(box, tr("Size"), QStringLiteral("%1 × %2 × %3").arg(size.x).arg(size.y).arg(size.z));
}

void InfoPanel::addArchive() {
    if (!_document->fileURL().isLocalFile()) return;
    const std::string path = QFile::encodeName(_document->fileURL().toLocalFile()).toStdString();
    std::optional<zelto::ArchiveListing> listing = zelto::listArchive(path);
    if (!listing) return;
    // The parts that are textures: those the materials find in the archive, not beside it.
    const zelto::DocumentFiles files(path, _document->reading() == MQAReading::Compatible);
    std::map<std::string, QString> textureOf;
    for (const ZeltoMaterial& material : _document->model()->materials()) {
        if (material.textureName().empty()) continue;
        std::string part = files.find(material.textureName()).entry;
        if (!part.empty()) textureOf.emplace(part, QString::fromStdString(material.name()));
    }
    auto* archive = new QTreeWidgetItem(_tree, {tr("Archive"), plural(listing->entries.size(), "part", "parts")});
    for (const zelto::ArchiveEntry& entry : listing->entries) {
        if (entry.folder) continue;
        QString name = QString::fromStdString(entry.name);
        QString suffix = QFileInfo(name).suffix().toLower();
        auto texture = textureOf.find(zelto::entryName(entry.name).value_or(""));
        QString what = entry.name == listing->documentEntry ? tr("the document")
                       : texture != textureOf.end()          ? tr("texture of “%1”").arg(texture->second)
                       : suffix == "mqx"                     ? tr("plug-in settings, not read")
                       : QStringList{"png", "jpg", "jpeg", "bmp", "gif"}.contains(suffix) ? tr("thumbnail, not read")
                                                                                           : tr("not read");
        if (entry.leavesArchive) what = tr("its name leads out of the archive: never used");
        if (entry.encrypted) what = tr("encrypted: never read");
        item(archive, name, tr("%1, %2").arg(what, plural(entry.size, "byte", "bytes")));
    }
}

void InfoPanel::addObjects() {
    const Metasequoia& scene = *_document->model();
    auto* objects = new QTreeWidgetItem(_tree, {tr("Objects"), QString::number(scene.models().size())});
    for (const ZeltoModel& model : scene.models()) {
        ShapeCounts shapes;
        shapes.add(model);
        QTreeWidgetItem* entry =
            item(objects, QString::fromStdString(model.name()),
                 tr("%1, %2%3, smoothing angle %4°")
                     .arg(plural(model.vertices().size(), "vertex", "vertices"),
                          plural(shapes.total(), "polygon", "polygons"), kinds(shapes))
                     .arg(model.facet()));
        for (const ZeltoAnimation& animation : model.animations())
            item(entry, tr("Animation “%1”").arg(QString::fromStdString(animation.name())),
                 plural(animation.count(), "frame", "frames"));
    }
}

void InfoPanel::refreshMaterials() {
    QTreeWidgetItem* old = section(tr("Materials"));
    if (!old || !_document) return;
    int at = _tree->indexOfTopLevelItem(old);
    bool expanded = old->isExpanded();
    delete old;
    QTreeWidgetItem* materials = materialsSection();
    _tree->insertTopLevelItem(at, materials);
    materials->setExpanded(expanded);
}

QTreeWidgetItem* InfoPanel::materialsSection() {
    const Metasequoia& scene = *_document->model();
    const TextureLibrary& textures = _view->textures();
    auto* materials = new QTreeWidgetItem(QStringList{tr("Materials"), QString::number(scene.materials().size())});
    for (const ZeltoMaterial& material : scene.materials()) {
        Color c = material.color();
        QTreeWidgetItem* entry =
            item(materials, QString::fromStdString(material.name()),
                 QStringLiteral("colour (%1, %2, %3), alpha %4").arg(c.r).arg(c.g).arg(c.b).arg(c.a));
        entry->setIcon(0, swatch(c));
        if (material.textureName().empty()) continue;
        std::string location = textures.textureURL(material.textureName());
        const zelto::DocumentFiles::Found file = textures.files().find(material.textureName());
        QString where = QString::fromStdString(file.found() ? file.path : location);
        bool found = QFileInfo(where).isFile();
        // Not beside the document: perhaps inside its archive.
        if (!file.entry.empty()) {
            found = true;
            where = tr("inside the archive, as “%1”").arg(QString::fromStdString(file.entry));
        }
        QString state = textures.textureNameMap().count(location) ? tr("loaded")
                        : found                                    ? tr("could not be read")
                                                                   : tr("missing");
        QTreeWidgetItem* texture =
            item(entry, tr("Texture “%1”").arg(QString::fromStdString(material.textureName())), state);
        item(texture, tr("Looked for at"), where);
    }
    return materials;
}

void InfoPanel::addBones() {
    const Metasequoia& scene = *_document->model();
    if (scene.bones().empty()) return;
    auto* bones = new QTreeWidgetItem(_tree, {tr("Bone animations"), QString::number(scene.bones().size())});
    for (const ZeltoAnimation& animation : scene.bones()) {
        QTreeWidgetItem* entry = item(bones, QString::fromStdString(animation.name()),
                                      tr("%1, %2").arg(plural(animation.count(), "track", "tracks"),
                                                       plural(animation.frameCount(), "frame", "frames")));
        for (uint64_t track = 0; track < animation.count(); ++track)
            item(entry, tr("Track %1").arg(track), plural(animation.boneCount(track), "frame", "frames"));
    }
}

void InfoPanel::addWarnings() {
    const std::vector<MQAWarning> warnings = warningsAsDrawn(*_document->model(), _view->displayChoice());
    if (warnings.empty()) return;
    auto* section = new QTreeWidgetItem(_tree, {tr("Reading warnings"), QString::number(warnings.size())});
    for (const MQAWarning& warning : warnings)
        item(section, warning.line ? tr("Line %1").arg(warning.line) : QString(),
             QString::fromStdString(warning.message));
}
