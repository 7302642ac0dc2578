#include "GltfExport.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "DocumentSource.h"
#include "GltfAnimation.h"
#include "GltfBuffer.h"
#include "GltfFinite.h"
#include "GltfMaterials.h"
#include "GltfMesh.h"
#include "GltfModel.h"
#include "GltfSkeleton.h"
#include "MQAException.h"
#include "MQAProgress.h"
#include "PercentEncoding.h"
#include "Metasequoia.h"
#include "ModelPose.h"
#include "SceneFigures.h"
#include "TextureFiles.h"
#include "TransformSplit.h"

namespace {

constexpr double kFramesPerSecond = 30;
constexpr uint32_t kMostJoints = 65534;  // joints are unsigned shorts, one kept for "unposed"

void checkCancelled(const MQAProgress* progress) {
    if (progress && progress->isCancelled()) throw MQACancelled();
}

void setTransform(tinygltf::Node& node, const TransformSplit& split) {
    node.translation.assign(split.translation.begin(), split.translation.end());
    node.rotation.assign(split.rotation.begin(), split.rotation.end());
    node.scale.assign(split.scale.begin(), split.scale.end());
}

int addNode(tinygltf::Model& gltf, tinygltf::Node node) {
    gltf.nodes.push_back(std::move(node));
    return static_cast<int>(gltf.nodes.size()) - 1;
}

// The scene's place: where its origin goes (as it is, so that one not finite is warned
// of), its turn, and the export's scale, which scales the origin's place too.
TransformSplit scenePlace(const Metasequoia& scene, double scale) {
    GLKMatrix4 turn = scene.sceneMatrix();
    TransformSplit place;
    place.translation = {turn.m[12] * scale, turn.m[13] * scale, turn.m[14] * scale};
    turn.m[12] = turn.m[13] = turn.m[14] = 0;
    place.rotation = splitTransform(turn).rotation;
    place.scale = {scale, scale, scale};
    return place;
}

// A model that went out, and the node that stands for it.
struct ExportedModel {
    const ZeltoModel* model;
    int node;
    bool skinned;
};

std::string axesName(int32_t across) {
    std::string name;
    for (int axis = 0; axis < 3; ++axis)
        if (across & (1 << axis)) name += static_cast<char>('x' + axis);
    return name;
}

// Its mirrored copies, as the window draws them. One its node moves is a child node
// that mirrors the same mesh (glTF turns the winding of a mirrored mesh itself); one
// joints move stands beside it with joints of its own under a mirror, and triangles
// wound the other way where the mirror turns it inside out.
void addMirroredCopies(tinygltf::Model& gltf, GltfBuffer& buffer, const ExportedModel& exported, int32_t mirrorAxes,
                       GltfSkeleton* skeleton) {
    const int mesh = gltf.nodes[static_cast<size_t>(exported.node)].mesh;
    if (mesh < 0) return;
    int turned = -1;
    for (const MirrorCopy& copy : MirrorCopies(mirrorAxes)) {
        tinygltf::Node node;
        node.name = exported.model->name() + " (mirrored across " + axesName(copy.across) + ")";
        node.mesh = mesh;
        if (!exported.skinned) {
            node.scale = {copy.scale.x, copy.scale.y, copy.scale.z};
            const int index = addNode(gltf, node);
            gltf.nodes[static_cast<size_t>(exported.node)].children.push_back(index);
            continue;
        }
        if (copy.turned) {
            if (turned < 0) turned = addTurnedMesh(gltf, buffer, mesh);
            node.mesh = turned;
        }
        node.skin = skeleton->mirroredSkin(copy);
        gltf.scenes[0].nodes.push_back(addNode(gltf, node));
    }
}

// One animation: every frame of the name's loop, as the viewer shows it, and the one
// after its last, where glTF players start again. Returns whether every matrix split
// exactly.
bool addAnimationNamed(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene, const std::string& name,
                       const std::vector<ExportedModel>& models, const GltfSkeleton* skeleton, int root,
                       const TransformSplit& place) {
    const uint64_t frames = std::max<uint64_t>(1, loopLength(scene, name));
    std::vector<float> times;
    std::vector<GltfTrack> tracks;
    std::vector<const ZeltoModel*> moved;  // the models whose nodes their own animations move
    for (const ExportedModel& exported : models)
        if (!exported.skinned && !exported.model->animations().empty()) {
            tracks.push_back({{exported.node}, {}, {}, {}, {}});
            moved.push_back(exported.model);
        }
    const size_t jointTracks = tracks.size();
    if (skeleton)
        for (uint32_t j = 0; j < skeleton->joints(); ++j) tracks.push_back({skeleton->nodesOfJoint(j), {}, {}, {}, {}});
    // A name that moves nothing here still gets its animation: the root standing still.
    const bool still = tracks.empty();
    if (still) tracks.push_back({{root}, {}, {}, {}, {}});
    bool exact = true;
    for (uint64_t t = 0; t <= frames; ++t) {
        times.push_back(static_cast<float>(static_cast<double>(t) / kFramesPerSecond));
        for (size_t i = 0; i < moved.size(); ++i) {
            TransformSplit split = splitTransform(moved[i]->matrixForAnimationName(name, t));
            exact = exact && split.exact;
            tracks[i].add(split);
        }
        if (still) tracks[0].add(place);
        if (!skeleton) continue;
        std::optional<std::vector<GLKMatrix4>> bones = scene.bonesForName(name, t);
        for (uint32_t j = 0; j < skeleton->joints(); ++j) {
            bool posed = j + 1 < skeleton->joints() && bones && j < bones->size();
            TransformSplit split = splitTransform(posed ? (*bones)[j] : GLKMatrix4Identity);
            exact = exact && split.exact;
            tracks[jointTracks + j].add(split);
        }
    }
    addAnimation(gltf, buffer, name, times, tracks);
    return exact;
}

// The text file's JSON names its buffer by `resourcesName` instead of carrying it.
std::string withBufferBeside(std::string json, const std::string& resourcesName) {
    const std::string dataUri = "data:application/octet-stream;base64,";
    size_t start = json.find(dataUri);
    if (start == std::string::npos) return json;
    size_t end = json.find('"', start);
    return json.replace(start, end - start, percentEncoded(resourcesName));
}

}  // namespace

GltfExport exportGltfModel(const Metasequoia& scene, const GltfExportOptions& options, tinygltf::Model& gltf) {
    if (!(options.scale > 0) || !std::isfinite(options.scale))
        throw std::invalid_argument("the scale must be a finite number above 0");
    GltfExport exported;
    gltf.asset.version = "2.0";
    gltf.asset.generator = "Zelto";
    // glTF's unit is the metre: what a document's unit was taken for.
    tinygltf::Value::Object unit;
    unit["metresPerDocumentUnit"] = tinygltf::Value(options.scale);
    gltf.asset.extras = tinygltf::Value(unit);
    GltfBuffer buffer(gltf);
    const zelto::DocumentFiles besideDocument(options.documentPath, options.lenientPaths);
    TextureFiles textures(options.textureFiles ? *options.textureFiles : besideDocument, options.textureBudget);
    std::map<const ZeltoMaterial*, int> materials = addMaterials(gltf, buffer, scene, textures, exported.warnings);
    exported.textures = gltf.textures.size();

    tinygltf::Node rootNode;
    rootNode.name = "scene";
    const TransformSplit place = scenePlace(scene, options.scale);
    setTransform(rootNode, place);
    const int root = addNode(gltf, rootNode);
    gltf.scenes.emplace_back();
    gltf.scenes[0].nodes.push_back(root);
    gltf.defaultScene = 0;

    // Joints: one per bone track (the most any bone animation has), and one that never moves.
    uint32_t joints = 0;
    for (const ZeltoAnimation& animation : scene.bones()) joints = std::max<uint32_t>(joints, static_cast<uint32_t>(animation.count()));
    if (joints > kMostJoints) {
        exported.warnings.push_back("the bone animations have " + std::to_string(joints) +
                                    " bones, more than glTF can bind; the models are exported unskinned");
        joints = 0;
    }

    // Meshes, at rest: the vertices as stored and the normals they give; the objects the
    // window would leave out are left out.
    std::vector<ExportedModel> models;
    uint64_t facesDone = 0;
    if (options.progress) {
        uint64_t faces = 0;
        for (const ZeltoModel& model : scene.models()) faces += model.faces().size();
        options.progress->setTotal(faces);
    }
    GltfLineMaterials lineMaterials(gltf);
    const std::vector<ObjectDisplay>& displays = scene.objectDisplays();
    for (size_t i = 0; i < scene.models().size(); ++i) {
        checkCancelled(options.progress);
        const ZeltoModel& model = scene.models()[i];
        const ObjectDisplay display = i < displays.size() ? displays[i] : ObjectDisplay{};
        facesDone += model.faces().size();
        if (options.display.hideInvisible && !display.visible) continue;
        GltfMeshFigures figures;
        tinygltf::Node node;
        node.name = model.name();
        node.mesh = addMesh(gltf, buffer, model, ModelPose(model), materials, options.lines ? &lineMaterials : nullptr,
                            joints, figures);
        if (options.progress) options.progress->reached(facesDone);
        exported.triangles += figures.triangles;
        exported.lines += figures.lines;
        if (figures.skipped)
            exported.warnings.push_back("model \"" + model.name() + "\": " + std::to_string(figures.skipped) +
                                        " faces with a corner that is not a finite point are left out");
        if (!figures.skinned) setTransform(node, splitTransform(model.matrixForAnimationName("", 0)));
        if (figures.skinned && !model.animations().empty())
            exported.warnings.push_back("model \"" + model.name() + "\" follows bones and has object animations; "
                                        "glTF moves a skinned mesh by its joints alone, so they are left out");
        int index = addNode(gltf, node);
        (figures.skinned ? gltf.scenes[0].nodes : gltf.nodes[static_cast<size_t>(root)].children).push_back(index);
        models.push_back({&model, index, figures.skinned});
    }
    std::optional<GltfSkeleton> skeleton;
    if (std::any_of(models.begin(), models.end(), [](const ExportedModel& m) { return m.skinned; })) {
        skeleton.emplace(gltf, buffer, joints, scene.bonesForName(std::nullopt, 0), root);
        for (const ExportedModel& model : models)
            if (model.skinned) gltf.nodes[static_cast<size_t>(model.node)].skin = skeleton->skin();
    }
    if (options.display.drawMirroredHalves)
        for (const ExportedModel& model : models) {
            const size_t i = static_cast<size_t>(model.model - scene.models().data());
            if (i < displays.size() && displays[i].mirrorAxes)
                addMirroredCopies(gltf, buffer, model, displays[i].mirrorAxes, skeleton ? &*skeleton : nullptr);
        }

    for (const std::string& name : scene.animationNames()) {
        checkCancelled(options.progress);
        size_t before = gltf.animations.size();
        if (!addAnimationNamed(gltf, buffer, scene, name, models, skeleton ? &*skeleton : nullptr, root, place))
            exported.warnings.push_back("animation \"" + name + "\": a frame's matrix shears or projects, which glTF "
                                        "cannot move a node by; the closest translation, rotation and scale stand for it");
        exported.animations += gltf.animations.size() - before;
    }

    keepNumbersFinite(gltf, buffer, exported.warnings);
    if (gltf.buffers[0].data.empty()) gltf.buffers.clear();
    return exported;
}

void writeGltfModel(const tinygltf::Model& gltf, std::ostream& out, bool binary) {
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&gltf, out, !binary, binary))
        throw std::runtime_error("the glTF file could not be put together");
}

GltfExport exportGltf(const Metasequoia& scene, const GltfExportOptions& options) {
    tinygltf::Model gltf;
    GltfExport exported = exportGltfModel(scene, options, gltf);
    std::ostringstream out;
    writeGltfModel(gltf, out, options.binary);
    exported.file = std::move(out).str();
    if (!options.binary) {
        exported.file = withBufferBeside(std::move(exported.file), options.resourcesName);
        if (!gltf.buffers.empty()) exported.resources.assign(gltf.buffers[0].data.begin(), gltf.buffers[0].data.end());
    }
    return exported;
}
