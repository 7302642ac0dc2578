#pragma once

// Values handed between the document, the window's controllers and the view.

#include <memory>
#include <string>

#include <QMetaType>

class Metasequoia;

// The document's scene, which nothing changes once it is made, so any thread may read
// it. The document holds it, and so does an export while it writes it; the view keeps a
// weak reference, so it reads none once the document lets its scene go.
using SceneHandle = std::shared_ptr<const Metasequoia>;
// One animation name of the picker's list. The list holds the only strong reference;
// the view keeps a weak one.
using AnimationNameHandle = std::shared_ptr<const std::string>;

Q_DECLARE_METATYPE(SceneHandle)
Q_DECLARE_METATYPE(AnimationNameHandle)
