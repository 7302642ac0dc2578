#include "ViewPreferences.h"

#include <QColor>
#include <QSettings>

#include "ZeltoOpenGLView.h"

namespace {

constexpr const char* kMirrorsKey = "view/drawMirroredHalves";
constexpr const char* kHideKey = "view/hideInvisibleObjects";
constexpr const char* kGridKey = "view/showGrid";
constexpr const char* kAxesKey = "view/showAxes";
constexpr const char* kBackgroundKey = "view/background";
constexpr const char* kAntialiasingKey = "view/antialiasing";

}  // namespace

namespace ViewPreferences {

DisplayChoice displayForCompatibleDocuments() {
    QSettings settings;
    DisplayChoice modelled = DisplayChoice::asModelled();
    return {settings.value(kMirrorsKey, modelled.drawMirroredHalves).toBool(),
            settings.value(kHideKey, modelled.hideInvisible).toBool()};
}

void setDisplayForCompatibleDocuments(DisplayChoice choice) {
    QSettings settings;
    settings.setValue(kMirrorsKey, choice.drawMirroredHalves);
    settings.setValue(kHideKey, choice.hideInvisible);
}

void restoreLook(ZeltoOpenGLView* view) {
    QSettings settings;
    view->setShowsGrid(settings.value(kGridKey, true).toBool());
    view->setShowsAxes(settings.value(kAxesKey, true).toBool());
    QColor colour(settings.value(kBackgroundKey).toString());
    if (colour.isValid())
        view->setBackground(Color{colour.redF(), colour.greenF(), colour.blueF(), 0.0f});
    else
        view->setBackground(std::nullopt);
    view->setAntialiasing(settings.value(kAntialiasingKey, false).toBool());
}

void remember(Look look, bool on) {
    const char* key = look == Look::Grid ? kGridKey : look == Look::Axes ? kAxesKey : kAntialiasingKey;
    QSettings().setValue(key, on);
}

void rememberBackground(const std::optional<Color>& colour) {
    QSettings settings;
    if (colour)
        settings.setValue(kBackgroundKey, QColor::fromRgbF(colour->r, colour->g, colour->b).name());
    else
        settings.remove(kBackgroundKey);
}

}  // namespace ViewPreferences
