#include "GltfExport.h"

#include <algorithm>
#include <sstream>

#include "DocumentSource.h"
#include "GltfBuffer.h"
#include "GltfFinite.h"
#include "GltfMaterials.h"
#include "GltfMesh.h"
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

// The keyframes of one node over an animation: translation, rotation and scale.
struct NodeTrack {
    int node;
    std::vector<float> translations, rotations, scales;
    void add(const TransformSplit& split) {
        translations.insert(translations.end(), split.translation.begin(), split.translation.end());
        std::array<double, 4> q = split.rotation;
        // Each rotation on the same side as the one before, so the way between is short.
        if (rotations.size() >= 4) {
            const float* last = &rotations[rotations.size() - 4];
            if (last[0] * q[0] + last[1] * q[1] + last[2] * q[2] + last[3] * q[3] < 0)
                for (double& part : q) part = -part;
        }
        rotations.insert(rotations.end(), q.begin(), q.end());
        scales.insert(scales.end(), split.scale.begin(), split.scale.end());
    }
};

void addAnimation(tinygltf::Model& gltf, GltfBuffer& buffer, const std::string& name, const std::vector<float>& times,
                  const std::vector<NodeTrack>& tracks) {
    tinygltf::Animation animation;
    animation.name = name;
    const int input = buffer.addFloats(times, 1, TINYGLTF_TYPE_SCALAR, 0, true);
    for (const NodeTrack& track : tracks) {
        for (const auto& [path, values, type] :
             {std::tuple{"translation", &track.translations, TINYGLTF_TYPE_VEC3},
              std::tuple{"rotation", &track.rotations, TINYGLTF_TYPE_VEC4}, std::tuple{"scale", &track.scales, TINYGLTF_TYPE_VEC3}}) {
            tinygltf::AnimationSampler sampler;
            sampler.input = input;
            sampler.output = buffer.addFloats(*values, type == TINYGLTF_TYPE_VEC4 ? 4 : 3, type, 0);
            sampler.interpolation = "LINEAR";
            animation.samplers.push_back(sampler);
            tinygltf::AnimationChannel channel;
            channel.sampler = static_cast<int>(animation.samplers.size()) - 1;
            channel.target_node = track.node;
            channel.target_path = path;
            animation.channels.push_back(channel);
        }
    }
    if (!animation.channels.empty()) gltf.animations.push_back(animation);
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

GltfExport exportGltf(const Metasequoia& scene, const GltfExportOptions& options) {
    GltfExport exported;
    tinygltf::Model gltf;
    gltf.asset.version = "2.0";
    gltf.asset.generator = "Zelto";
    GltfBuffer buffer(gltf);
    const zelto::DocumentFiles besideDocument(options.documentPath, options.lenientPaths);
    TextureFiles textures(options.textureFiles ? *options.textureFiles : besideDocument, options.textureBudget);
    std::map<const ZeltoMaterial*, int> materials = addMaterials(gltf, buffer, scene, textures, exported.warnings);
    exported.textures = gltf.textures.size();

    tinygltf::Node rootNode;
    rootNode.name = "scene";
    // The scene's place: where its origin goes (as it is, so that one not finite is
    // warned of), and its turn, which has no scale to speak of.
    GLKMatrix4 turn = scene.sceneMatrix();
    TransformSplit place;
    place.translation = {turn.m[12], turn.m[13], turn.m[14]};
    turn.m[12] = turn.m[13] = turn.m[14] = 0;
    place.rotation = splitTransform(turn).rotation;
    rootNode.translation.assign(place.translation.begin(), place.translation.end());
    rootNode.rotation.assign(place.rotation.begin(), place.rotation.end());
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

    // Meshes, at rest: the vertices as stored and the normals they give.
    std::vector<int> modelNodes;
    std::vector<bool> skinned;
    uint64_t facesDone = 0;
    if (options.progress) {
        uint64_t faces = 0;
        for (const ZeltoModel& model : scene.models()) faces += model.faces().size();
        options.progress->setTotal(faces);
    }
    for (const ZeltoModel& model : scene.models()) {
        checkCancelled(options.progress);
        GltfMeshFigures figures;
        tinygltf::Node node;
        node.name = model.name();
        node.mesh = addMesh(gltf, buffer, model, ModelPose(model), materials, joints, figures);
        facesDone += model.faces().size();
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
        modelNodes.push_back(index);
        skinned.push_back(figures.skinned);
    }
    const bool anySkinned = std::find(skinned.begin(), skinned.end(), true) != skinned.end();
    std::vector<int> jointNodes;
    if (anySkinned) {
        std::optional<std::vector<GLKMatrix4>> rest = scene.bonesForName(std::nullopt, 0);
        tinygltf::Skin skin;
        for (uint32_t j = 0; j <= joints; ++j) {
            tinygltf::Node node;
            node.name = j < joints ? "bone " + std::to_string(j) : "unposed";
            bool posed = j < joints && rest && j < rest->size();
            setTransform(node, splitTransform(posed ? (*rest)[j] : GLKMatrix4Identity));
            jointNodes.push_back(addNode(gltf, node));
            gltf.nodes[static_cast<size_t>(root)].children.push_back(jointNodes.back());
        }
        skin.joints = jointNodes;
        // The joints pose from the vertices as stored: every inverse bind matrix is the
        // identity. Written out, as some readers do not take the default.
        std::vector<float> identities;
        for (size_t j = 0; j < jointNodes.size(); ++j) identities.insert(identities.end(), GLKMatrix4Identity.m.begin(), GLKMatrix4Identity.m.end());
        skin.inverseBindMatrices = buffer.addFloats(identities, 16, TINYGLTF_TYPE_MAT4, 0);
        gltf.skins.push_back(skin);
        for (size_t i = 0; i < modelNodes.size(); ++i)
            if (skinned[i]) gltf.nodes[static_cast<size_t>(modelNodes[i])].skin = 0;
    }

    // Animations: every frame of each name's loop, as the viewer shows it.
    for (const std::string& name : scene.animationNames()) {
        checkCancelled(options.progress);
        const uint64_t frames = std::max<uint64_t>(1, loopLength(scene, name));
        std::vector<float> times;
        std::vector<NodeTrack> tracks;
        for (size_t i = 0; i < modelNodes.size(); ++i)
            if (!skinned[i] && !scene.models()[i].animations().empty()) tracks.push_back({modelNodes[i], {}, {}, {}});
        const size_t modelTracks = tracks.size();
        for (int node : jointNodes) tracks.push_back({node, {}, {}, {}});
        // A name that moves nothing here still gets its animation: the root standing still.
        TransformSplit still;
        if (tracks.empty()) {
            still = place;
            tracks.push_back({root, {}, {}, {}});
        }
        bool exact = true;
        // The loop's frames, and the one after its last, where glTF players start again.
        for (uint64_t t = 0; t <= frames; ++t) {
            times.push_back(static_cast<float>(static_cast<double>(t) / kFramesPerSecond));
            size_t track = 0;
            for (size_t i = 0; i < modelNodes.size(); ++i) {
                if (skinned[i] || scene.models()[i].animations().empty()) continue;
                TransformSplit split = splitTransform(scene.models()[i].matrixForAnimationName(name, t));
                exact = exact && split.exact;
                tracks[track++].add(split);
            }
            if (tracks.size() == 1 && tracks[0].node == root) tracks[0].add(still);
            if (!jointNodes.empty()) {
                std::optional<std::vector<GLKMatrix4>> bones = scene.bonesForName(name, t);
                for (uint32_t j = 0; j <= joints; ++j) {
                    bool posed = j < joints && bones && j < bones->size();
                    TransformSplit split = splitTransform(posed ? (*bones)[j] : GLKMatrix4Identity);
                    exact = exact && split.exact;
                    tracks[modelTracks + j].add(split);
                }
            }
        }
        if (!exact)
            exported.warnings.push_back("animation \"" + name + "\": a frame's matrix shears or projects, which glTF "
                                        "cannot move a node by; the closest translation, rotation and scale stand for it");
        size_t before = gltf.animations.size();
        addAnimation(gltf, buffer, name, times, tracks);
        exported.animations += gltf.animations.size() - before;
    }

    keepNumbersFinite(gltf, buffer, exported.warnings);
    if (gltf.buffers[0].data.empty()) gltf.buffers.clear();
    tinygltf::TinyGLTF writer;
    std::ostringstream out;
    if (!writer.WriteGltfSceneToStream(&gltf, out, !options.binary, options.binary))
        throw std::runtime_error("the glTF file could not be put together");
    exported.file = out.str();
    if (!options.binary) {
        exported.file = withBufferBeside(std::move(exported.file), options.resourcesName);
        if (!gltf.buffers.empty()) exported.resources.assign(gltf.buffers[0].data.begin(), gltf.buffers[0].data.end());
    }
    return exported;
}
