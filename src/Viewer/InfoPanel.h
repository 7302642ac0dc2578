#pragma once

#include <QDockWidget>
#include <QPointer>

class Document;
class QTreeWidget;
class QTreeWidgetItem;
class ZeltoOpenGLView;

// A dock that tells what the document holds: totals and the bounding box, the parts of
// the archive it came from (for a .mqoz: the document, its .mqx and thumbnail), each object
// with its animations, each material with its colour and texture (where it is looked
// for, and whether it loaded), the bone animations and their tracks, and what reading
// warned of. It follows the document's scene and the view's textures.
class InfoPanel : public QDockWidget {
    Q_OBJECT

public:
    InfoPanel(Document* document, ZeltoOpenGLView* view, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return _tree; }
    // The top-level section of this title ("Totals", "Objects", ...), or none.
    QTreeWidgetItem* section(const QString& title) const;

    void refresh();
    // Only the materials, for textures loaded afresh.
    void refreshMaterials();

private:
    void addTotals();
    void addArchive();
    void addObjects();
    QTreeWidgetItem* materialsSection();
    void addBones();
    void addWarnings();

    QPointer<Document> _document;
    ZeltoOpenGLView* _view;
    QTreeWidget* _tree;
};
