// Exported glTF files read back with tinygltf: the counts, materials and corners the
// scene has, and, posed by a small glTF evaluator of the tests' own, the vertex
// positions Zelto's own posing gives at every frame of every animation.

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "DocumentGenerator.h"
#include "FileSystemSource.h"
#include "FramePose.h"
#include "GltfExport.h"
#include "Metasequoia.h"
#include "SceneFigures.h"
#include "TextureImage.h"

namespace {

using Matrix = std::array<double, 16>;  // column-major

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return m;
}

Matrix fromGLK(const GLKMatrix4& g) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m[i] = g.m[i];
    return m;
}

GLKVector3 transformed(const Matrix& m, GLKVector3 p) {
    return {float(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]), float(m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]),
            float(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14])};
}

Matrix trs(const std::vector<double>& t, const std::vector<double>& q, const std::vector<double>& s) {
    double x = q[0], y = q[1], z = q[2], w = q[3];
    Matrix m = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                t[0], t[1], t[2], 1};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) m[c * 4 + r] *= s[c];
    return m;
}

template <typename T>
std::vector<T> read(const tinygltf::Model& g, int accessorIndex, int components) {
    const tinygltf::Accessor& a = g.accessors[accessorIndex];
    const tinygltf::BufferView& v = g.bufferViews[a.bufferView];
    const T* data = reinterpret_cast<const T*>(g.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset);
    return std::vector<T>(data, data + a.count * components);
}

// A glTF file posed at a time: each node's transform (animated channels sampled, linear
// and with normalised linear quaternions), then every primitive's positions, skinned.
struct Evaluator {
    const tinygltf::Model& g;

    std::vector<GLKVector3> posed(const tinygltf::Animation* animation, double time) const {
        std::vector<std::vector<double>> t(g.nodes.size()), r(g.nodes.size()), s(g.nodes.size());
        for (size_t n = 0; n < g.nodes.size(); ++n) {
            auto given = [](const std::vector<double>& v, std::vector<double> otherwise) { return v.empty() ? otherwise : v; };
            t[n] = given(g.nodes[n].translation, {0, 0, 0}), r[n] = given(g.nodes[n].rotation, {0, 0, 0, 1});
            s[n] = given(g.nodes[n].scale, {1, 1, 1});
        }
        if (animation)
            for (const tinygltf::AnimationChannel& channel : animation->channels) {
                const tinygltf::AnimationSampler& sampler = animation->samplers[channel.sampler];
                int width = channel.target_path == "rotation" ? 4 : 3;
                std::vector<float> times = read<float>(g, sampler.input, 1), values = read<float>(g, sampler.output, width);
                size_t k = 0;
                while (k + 2 < times.size() && times[k + 1] <= time) ++k;
                double u = times.size() < 2 ? 0 : std::clamp((time - times[k]) / (times[k + 1] - times[k]), 0.0, 1.0);
                std::vector<double> value(width);
                for (int i = 0; i < width; ++i)
                    value[i] = values[k * width + i] * (1 - u) + (times.size() < 2 ? 0 : values[(k + 1) * width + i] * u);
                if (width == 4) {
                    double length = std::sqrt(value[0] * value[0] + value[1] * value[1] + value[2] * value[2] + value[3] * value[3]);
                    for (double& part : value) part /= length;
                }
                (channel.target_path == "translation" ? t : channel.target_path == "rotation" ? r : s)[channel.target_node] = value;
            }
        std::vector<Matrix> global(g.nodes.size());
        std::function<void(int, const Matrix&)> walk = [&](int n, const Matrix& parent) {
            global[n] = multiply(parent, trs(t[n], r[n], s[n]));
            for (int child : g.nodes[n].children) walk(child, global[n]);
        };
        for (int n : g.scenes[0].nodes) walk(n, fromGLK(GLKMatrix4Identity));
        std::vector<GLKVector3> out;
        for (size_t n = 0; n < g.nodes.size(); ++n) {
            const tinygltf::Node& node = g.nodes[n];
            if (node.mesh < 0) continue;
            for (const tinygltf::Primitive& p : g.meshes[node.mesh].primitives) {
                std::vector<float> positions = read<float>(g, p.attributes.at("POSITION"), 3);
                std::vector<uint16_t> joints;
                if (node.skin >= 0) joints = read<uint16_t>(g, p.attributes.at("JOINTS_0"), 4);
                for (size_t v = 0; v < positions.size() / 3; ++v) {
                    GLKVector3 at{positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]};
                    // One joint of weight 1 per vertex; every inverse bind matrix is checked to be the identity.
                    out.push_back(transformed(node.skin >= 0 ? global[g.skins[node.skin].joints[joints[v * 4]]] : global[n], at));
                }
            }
        }
        return out;
    }
};

// Every point of each list lies within `tolerance` of one of the other's.
void expectSamePoints(const std::vector<GLKVector3>& a, const std::vector<GLKVector3>& b, double tolerance,
                      const std::string& what) {
    auto covered = [&](const std::vector<GLKVector3>& from, const std::vector<GLKVector3>& in) {
        for (GLKVector3 p : from) {
            double nearest = INFINITY;
            for (GLKVector3 q : in)
                nearest = std::min(nearest, std::hypot(double(p.x) - q.x, double(p.y) - q.y, double(p.z) - q.z));
            if (nearest > tolerance) return false;
        }
        return true;
    };
    EXPECT_TRUE(covered(a, b) && covered(b, a)) << what;
}

// The posed vertices every face of the scene uses, where the viewer draws them: the
// objects as `display` shows them (mirrored halves, hidden objects), the world scaled.
std::vector<GLKVector3> viewerPose(const Metasequoia& scene, std::optional<std::string_view> name, uint64_t time,
                                   DisplayChoice display = {}, double scale = 1) {
    FramePose pose(scene, name, time);
    // The scene's place: translated, then turned about x, y and z in turn, as glRotate does.
    Matrix root = fromGLK(GLKMatrix4Identity);
    for (int axis = 0; axis < 3; ++axis) root[axis * 5] = scale;
    Matrix place = fromGLK(GLKMatrix4Identity);
    place[12] = scene.pos().x, place[13] = scene.pos().y, place[14] = scene.pos().z;
    root = multiply(root, place);
    const float angles[3] = {scene.rotate().x, scene.rotate().y, scene.rotate().z};
    for (int axis = 0; axis < 3; ++axis) {
        double a = angles[axis] * M_PI / 180, c = std::cos(a), s = std::sin(a);
        Matrix turn = fromGLK(GLKMatrix4Identity);
        int u = (axis + 1) % 3, v = (axis + 2) % 3;
        turn[u * 4 + u] = c, turn[u * 4 + v] = s, turn[v * 4 + u] = -s, turn[v * 4 + v] = c;
        root = multiply(root, turn);
    }
    std::vector<GLKVector3> out;
    for (size_t i = 0; i < scene.models().size(); ++i) {
        const ZeltoModel& model = scene.models()[i];
        const ObjectDisplay shown = scene.objectDisplays()[i];
        if (display.hideInvisible && !shown.visible) continue;
        ModelPose posed = pose.poseOf(model);
        const Matrix world = multiply(root, fromGLK(pose.modelMatrix(model)));
        // The stored half, and each mirrored copy: -1 across a set of the mirror's axes.
        for (int across = 0; across <= 7; ++across) {
            if (across && (!display.drawMirroredHalves || (across & shown.mirrorAxes) != across)) continue;
            Matrix mirrored = world;
            for (int axis = 0; axis < 3; ++axis)
                if (across & (1 << axis))
                    for (int row = 0; row < 4; ++row) mirrored[axis * 4 + row] = -mirrored[axis * 4 + row];
            for (const ZeltoFace& face : model.faces())
                for (int32_t k = 0; k < face.count(); ++k)
                    out.push_back(transformed(mirrored, posed.view().position(face.corner(k).vertex)));
        }
    }
    return out;
}

// Every point the export gives, at rest and at the frames of each animation that tell
// most (its first two, middle, last, and the loop's end), lies where the viewer draws one
// and the other way round.
void expectPosesOfTheViewer(const Metasequoia& scene, const tinygltf::Model& g, const std::string& what,
                            DisplayChoice display = {}, double scale = 1) {
    std::optional<BoundingBox> box = sceneFigures(scene).bounds;
    double tolerance = 1e-4 * scale * std::max({box->size().x, box->size().y, box->size().z});
    Evaluator evaluator{g};
    expectSamePoints(evaluator.posed(nullptr, 0), viewerPose(scene, std::nullopt, 0, display, scale), tolerance,
                     what + " at rest");
    for (const tinygltf::Animation& animation : g.animations) {
        uint64_t length = loopLength(scene, animation.name);
        for (uint64_t t : {uint64_t{0}, uint64_t{1}, length / 2, length - 1, length})
            expectSamePoints(evaluator.posed(&animation, double(t) / 30), viewerPose(scene, animation.name, t, display, scale),
                             tolerance, what + ", " + animation.name + ", frame " + std::to_string(t));
    }
}

tinygltf::Model load(const GltfExport& exported) {
    tinygltf::Model g;
    tinygltf::TinyGLTF loader;
    std::string error, warning;
    bool ok = loader.LoadBinaryFromMemory(&g, &error, &warning, reinterpret_cast<const unsigned char*>(exported.file.data()),
                                          static_cast<unsigned>(exported.file.size()));
    EXPECT_TRUE(ok) << error;
    return g;
}

std::string sample(const std::string& name) { return std::string(ZELTO_SAMPLES_DIR) + "/" + name + ".mqo"; }

Metasequoia readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Metasequoia::initWithData(bytes);
}

const char* const kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
const char* const kMaterial = "Material 1 {\r\n\t\"m\" col(0.5 0.5 0.5 1.0) dif(0.8)\r\n}\r\n";

}  // namespace

TEST(GltfExport, SamplesKeepTheirCornersMaterialsTexturesAndAnimations) {
    for (const char* name : {"flag", "materials", "animated", "arm"}) {
        Metasequoia scene = readFile(sample(name));
        GltfExportOptions options;
        options.documentPath = sample(name);
        GltfExport exported = exportGltf(scene, options);
        tinygltf::Model g = load(exported);
        ShapeCounts shapes;
        for (const ZeltoModel& model : scene.models()) shapes.add(model);
        EXPECT_EQ(exported.triangles, shapes.triangles + 2 * shapes.quads) << name;
        EXPECT_EQ(g.animations.size(), scene.animationNames().size()) << name;
        size_t textured = 0;
        for (const ZeltoMaterial& m : scene.materials()) textured += !m.textureName().empty();
        EXPECT_EQ(g.textures.size(), textured) << name;
        ASSERT_EQ(g.materials.size(), scene.materials().size()) << name;
        for (size_t i = 0; i < g.materials.size(); ++i) EXPECT_EQ(g.materials[i].name, scene.materials()[i].name()) << name;
        // Every corner, in order per material: its rest position, drawn normal and uv.
        size_t node = 1;
        for (const ZeltoModel& model : scene.models()) {
            const ModelPose rest(model);
            while (g.nodes[node].mesh < 0) ++node;
            const tinygltf::Mesh& mesh = g.meshes[g.nodes[node++].mesh];
            for (const tinygltf::Primitive& p : mesh.primitives) {
                std::vector<float> pos = read<float>(g, p.attributes.at("POSITION"), 3);
                std::vector<float> normal = read<float>(g, p.attributes.at("NORMAL"), 3);
                std::vector<float> uv = read<float>(g, p.attributes.at("TEXCOORD_0"), 2);
                std::vector<uint32_t> indices = read<uint32_t>(g, p.indices, 1);
                size_t at = 0;
                for (const ZeltoFace& face : model.faces()) {
                    if (&scene.materials()[p.material] != face.material()) continue;
                    for (int32_t k = 1; k + 1 < face.count(); ++k)
                        for (int32_t corner : {0, k + 1, k}) {
                            ASSERT_LT(at, indices.size());
                            uint32_t v = indices[at++];
                            GLKVector3 expected = model.vertices()[face.corner(corner).vertex].pos;
                            GLKVector3 n = rest.view().cornerNormal(face, corner);
                            double length = std::hypot(double(n.x), double(n.y), double(n.z));
                            EXPECT_EQ(pos[v * 3 + 1], expected.y);
                            EXPECT_NEAR(normal[v * 3], -n.x / length, 1e-6);
                            EXPECT_NEAR(normal[v * 3 + 2], -n.z / length, 1e-6);
                            EXPECT_EQ(uv[v * 2], face.corner(corner).uv.x);
                            EXPECT_EQ(uv[v * 2 + 1], face.corner(corner).uv.y);
                        }
                }
                EXPECT_EQ(at, indices.size()) << name;
            }
        }
    }
}

TEST(GltfExport, PosesMatchTheViewersAtEveryFrame) {
    // Bones (the arm, a generated sway of four bones), object animations (spinning and
    // bobbing models), and one whose frames rotate, scale and mirror.
    std::string mirrored = std::string(kHeader) + kMaterial +
                           "Object \"m\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t10 0 0\r\n\t\t0 20 5\r\n\t}\r\n"
                           "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n\tanimation \"turn\" {\r\n"
                           "\t\t0.0 0.0 -2.0 0.0 0.0 3.0 0.0 0.0 2.0 0.0 0.0 0.0 5.0 6.0 7.0 1.0\r\n\t\t-1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 0.0 0.0 1.0\r\n\t}\r\n}\r\nEof\r\n";
    std::vector<std::pair<std::string, Metasequoia>> scenes;
    scenes.emplace_back("arm", readFile(sample("arm")));
    scenes.emplace_back("animated", readFile(sample("animated")));
    scenes.emplace_back("sway", Metasequoia::initWithData(bench::generateDocument(200, true)));
    scenes.emplace_back("mirrored", Metasequoia::initWithData(mirrored));
    scenes.back().second.setPos({10, -20, 30});
    scenes.back().second.setRotate({15, -40, 70});
    for (auto& [what, scene] : scenes) {
        GltfExport exported = exportGltf(scene, GltfExportOptions());
        for (const std::string& warning : exported.warnings) EXPECT_EQ(warning.find("animation"), std::string::npos) << warning;
        tinygltf::Model g = load(exported);
        for (const tinygltf::Skin& skin : g.skins) {
            std::vector<float> inverse = read<float>(g, skin.inverseBindMatrices, 16);
            for (size_t i = 0; i < inverse.size(); ++i) EXPECT_EQ(inverse[i], GLKMatrix4Identity.m[i % 16]);
        }
        expectPosesOfTheViewer(scene, g, what);
    }
}

// Mirrored halves (of a model its node moves, and of one bones move) and hidden objects
// go out as the window shows them, and the scale scales all of it, the unit noted.
TEST(GltfExport, MirrorsHiddenObjectsAndTheScaleFollowTheWindow) {
    std::ifstream in(sample("arm"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.insert(text.find("\tdepth 0"), "\tmirror 1\r\n\tmirror_axis 2\r\n");
    text.insert(text.find("BoneAnimation"),
                "Object \"spinner\" {\r\n\tmirror 1\r\n\tmirror_axis 5\r\n\tvertex 3 {\r\n\t\t10 0 0\r\n\t\t40 0 5\r\n"
                "\t\t10 30 20\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n\tanimation \"wave\" {\r\n"
                "\t\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\r\n\t\t0 0 -1 0 0 1 0 0 1 0 0 0 10 0 0 1\r\n\t}\r\n}\r\n"
                "Object \"ghost\" {\r\n\tvisible 0\r\n\tvertex 3 {\r\n\t\t0 500 0\r\n\t\t1 500 0\r\n\t\t0 501 0\r\n\t}\r\n"
                "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n");
    Metasequoia scene = Metasequoia::initWithData(text);
    for (DisplayChoice display : {DisplayChoice{}, DisplayChoice::asModelled()}) {
        GltfExportOptions options;
        options.display = display;
        options.scale = display.drawMirroredHalves ? 0.01 : 1;
        tinygltf::Model g = load(exportGltf(scene, options));
        EXPECT_EQ(g.asset.extras.Get("metresPerDocumentUnit").GetNumberAsDouble(), options.scale);
        expectPosesOfTheViewer(scene, g, display.drawMirroredHalves ? "as modelled" : "as stored", display, options.scale);
    }
    // The arm's copy, which joints mirrored across y move, is turned inside out: its
    // triangles go the other way round.
    tinygltf::Model g = load(exportGltf(scene, [] {
        GltfExportOptions options;
        options.display = DisplayChoice::asModelled();
        return options;
    }()));
    std::vector<const tinygltf::Mesh*> armMeshes(2);
    for (const tinygltf::Node& node : g.nodes)
        if (node.skin >= 0) armMeshes[static_cast<size_t>(node.skin)] = &g.meshes[static_cast<size_t>(node.mesh)];
    ASSERT_TRUE(armMeshes[0] && armMeshes[1]);
    std::vector<uint32_t> stored = read<uint32_t>(g, armMeshes[0]->primitives[0].indices, 1);
    std::vector<uint32_t> turned = read<uint32_t>(g, armMeshes[1]->primitives[0].indices, 1);
    ASSERT_EQ(stored.size(), turned.size());
    for (size_t t = 0; t < stored.size(); t += 3)
        EXPECT_TRUE(turned[t] == stored[t + 2] && turned[t + 1] == stored[t + 1] && turned[t + 2] == stored[t]) << t;
}

TEST(GltfExport, ShearIsWarnedOfAndDocumentsWithoutPartsExport) {
    std::string sheared = std::string(kHeader) + kMaterial +
                          "Object \"s\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
                          "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n\tanimation \"lean\" {\r\n"
                          "\t\t1.0 0.0 0.0 0.0 0.5 1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 0.0 0.0 1.0\r\n\t}\r\n}\r\nEof\r\n";
    Metasequoia shear = Metasequoia::initWithData(sheared);
    GltfExport exported = exportGltf(shear, GltfExportOptions());
    ASSERT_EQ(exported.warnings.size(), 1u);
    EXPECT_NE(exported.warnings[0].find("\"lean\""), std::string::npos);
    // Two-corner polygons only, naming no material (read for compatibility, they take the
    // default one) and with no animations: left out, as the window leaves them out; kept
    // when asked for, as lines in an unlit, untextured material of the same colour.
    Metasequoia lines = Metasequoia::initWithData(std::string(kHeader) +
                                                  "Object \"l\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
                                                  "\tface 2 {\r\n\t\t2 V(0 1)\r\n\t\t2 V(1 2)\r\n\t}\r\n}\r\nEof\r\n",
                                                  MQAReading::Compatible);
    GltfExport leftOut = exportGltf(lines, GltfExportOptions());
    EXPECT_TRUE(load(leftOut).meshes.empty() && leftOut.lines == 0);
    GltfExportOptions keep;
    keep.lines = true;
    tinygltf::Model g = load(exportGltf(lines, keep));
    ASSERT_EQ(g.meshes.size(), 1u);
    ASSERT_EQ(g.meshes[0].primitives.size(), 1u);
    const tinygltf::Primitive& line = g.meshes[0].primitives[0];
    EXPECT_EQ(line.mode, TINYGLTF_MODE_LINE);
    EXPECT_EQ(read<uint32_t>(g, line.indices, 1).size(), 4u);
    ASSERT_TRUE(g.materials.size() == 2 && g.animations.empty());
    const tinygltf::Material& unlit = g.materials[static_cast<size_t>(line.material)];
    EXPECT_TRUE(unlit.extensions.count("KHR_materials_unlit") && unlit.pbrMetallicRoughness.baseColorTexture.index < 0);
    EXPECT_EQ(unlit.pbrMetallicRoughness.baseColorFactor, g.materials[0].pbrMetallicRoughness.baseColorFactor);
    EXPECT_EQ(g.extensionsUsed, std::vector<std::string>{"KHR_materials_unlit"});
    // An empty document, without materials: a root node and nothing else.
    Metasequoia empty = Metasequoia::initWithData(std::string(kHeader) + "Scene {\r\n\tpos 0.0 0.0 0.0\r\n}\r\nEof\r\n");
    tinygltf::Model none = load(exportGltf(empty, GltfExportOptions()));
    EXPECT_EQ(none.nodes.size(), 1u);
    EXPECT_TRUE(none.buffers.empty());
}

TEST(GltfExport, TgaTexturesGoInAsPngAndTheDocumentIsNeverWrittenOver) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    // A 2 x 1 uncompressed 24-bit TGA: one blue pixel, one red, top row first.
    const unsigned char tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 255, 0, 0, 0, 0, 255};
    std::ofstream(folder + "/t.tga", std::ios::binary).write(reinterpret_cast<const char*>(tga), sizeof tga);
    const std::string document = folder + "/d.mqo";
    std::ofstream(document, std::ios::binary)
        << std::string(kHeader) << "Material 1 {\r\n\t\"m\" col(1 1 1 1) dif(1) tex(\"t.tga\")\r\n}\r\n"
        << "Object \"o\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\nEof\r\n";
    Metasequoia scene = readFile(document);
    GltfExportOptions options;
    options.documentPath = document;
    GltfExport exported = exportGltf(scene, options);
    tinygltf::Model g = load(exported);
    ASSERT_EQ(g.images.size(), 1u);
    EXPECT_EQ(g.images[0].mimeType, "image/png");
    const tinygltf::BufferView& view = g.bufferViews[g.images[0].bufferView];
    QImage png = QImage::fromData(g.buffers[0].data.data() + view.byteOffset, static_cast<int>(view.byteLength), "PNG")
                     .convertToFormat(QImage::Format_RGBA8888);
    EXPECT_EQ(png, decodeTextureImage(QString::fromStdString(folder + "/t.tga")));
    EXPECT_EQ(png.pixel(0, 0), qRgb(0, 0, 255));

    // Over the document, as the file or as a text file's buffer: refused, and it is kept.
    GltfExportOptions text = options;
    text.binary = false;
    GltfExport textExport = exportGltf(scene, text);
    EXPECT_THROW(writeGltfExport(exported, GltfFiles{document, ""}, document), std::runtime_error);
    EXPECT_THROW(writeGltfExport(textExport, GltfFiles{folder + "/d.gltf", document}, document), std::runtime_error);
    EXPECT_TRUE(readFile(document).models().size() == 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder + "/d.gltf")));
}

// Infinities the document holds (texture coordinates of 1e999, read for compatibility)
// and a place that is not finite: every number written is finite, and each replacement
// is warned of where it was.
TEST(GltfExport, NumbersThatAreNotFiniteGoInAsZeroWithAWarning) {
    Metasequoia scene = Metasequoia::initWithData(
        std::string(kHeader) + kMaterial +
            "Object \"o\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
            "\tface 1 {\r\n\t\t3 V(0 1 2) M(0) UV(1e999 0.5 0.25 -1e999 0.75 1)\r\n\t}\r\n}\r\nEof\r\n",
        MQAReading::Compatible);
    scene.setPos({INFINITY, 2, 3});
    GltfExport exported = exportGltf(scene, GltfExportOptions());
    tinygltf::Model g = load(exported);
    for (size_t a = 0; a < g.accessors.size(); ++a) {
        if (g.accessors[a].componentType != TINYGLTF_COMPONENT_TYPE_FLOAT) continue;
        for (float value : read<float>(g, static_cast<int>(a), tinygltf::GetNumComponentsInType(g.accessors[a].type)))
            ASSERT_TRUE(std::isfinite(value)) << "accessor " << a;
    }
    std::vector<float> uv = read<float>(g, g.meshes[0].primitives[0].attributes.at("TEXCOORD_0"), 2);
    std::multiset<float> uvs(uv.begin(), uv.end()), expected{0, 0.5, 0.25, 0, 0.75, 1};
    EXPECT_EQ(uvs, expected);
    EXPECT_EQ(g.nodes[0].translation, (std::vector<double>{0, 2, 3}));
    EXPECT_EQ(exported.warnings, (std::vector<std::string>{
                                     "model \"o\", texture coordinates: 2 values are not a finite number and went in as 0",
                                     "node \"scene\": a part of its place that is not finite went in as the identity's"}));
}

namespace {

void writePng(const std::string& path, QColor colour) {
    QImage image(4, 2, QImage::Format_RGBA8888);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

QByteArray imageBytes(const tinygltf::Model& g, int texture) {
    const tinygltf::BufferView& view = g.bufferViews[g.images[g.textures[texture].source].bufferView];
    return QByteArray(reinterpret_cast<const char*>(g.buffers[0].data.data() + view.byteOffset), static_cast<qsizetype>(view.byteLength));
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string documentNaming(const std::vector<std::string>& textures) {
    std::string text = std::string(kHeader) + "Material " + std::to_string(textures.size()) + " {\r\n";
    for (size_t i = 0; i < textures.size(); ++i)
        text += "\t\"m" + std::to_string(i) + "\" col(1 1 1 1) dif(1) tex(\"" + textures[i] + "\")\r\n";
    return text + "}\r\nEof\r\n";
}

// Files as the file system gives them; once a file has been read, it is swapped for a
// link to /dev/zero, which would never end if it were read again.
struct SwappingFiles : zelto::ByteSource {
    std::string folder;
    mutable std::map<std::string, int> opens;
    zelto::SourceBytes open(const std::string& name, size_t maxBytes) const override {
        ++opens[name];
        const std::string path = folder + "/" + name;
        zelto::SourceBytes bytes = zelto::fileSystem().open(path, maxBytes);
        std::filesystem::remove(path);
        std::filesystem::create_symlink("/dev/zero", path);
        return bytes;
    }
};

}  // namespace

// One PNG named forty ways goes in once; what would pass the budget goes without, with a
// warning; the bytes that go in are those that were decoded, read once.
TEST(GltfExport, EachTextureFileGoesInOnceAsTheBytesDecodedWithinTheBudget) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    writePng(folder + "/a.png", Qt::red);
    writePng(folder + "/b.png", Qt::green);
    writePng(folder + "/c.png", Qt::blue);
    std::vector<std::string> names;
    for (std::string prefix; names.size() < 40; prefix += "./") names.push_back(prefix + "a.png");
    names.push_back("b.png");
    names.push_back("c.png");
    Metasequoia scene = Metasequoia::initWithData(documentNaming(names));
    GltfExportOptions options;
    options.documentPath = folder + "/d.mqo";
    options.textureBudget = 2 * 4 * 2 * 4;  // two 4 x 2 images
    GltfExport exported = exportGltf(scene, options);
    tinygltf::Model g = load(exported);
    ASSERT_EQ(g.images.size(), 2u);
    for (size_t m = 0; m < 40; ++m) EXPECT_EQ(g.materials[m].pbrMetallicRoughness.baseColorTexture.index, 0) << m;
    EXPECT_EQ(g.materials[40].pbrMetallicRoughness.baseColorTexture.index, 1);
    EXPECT_EQ(g.materials[41].pbrMetallicRoughness.baseColorTexture.index, -1);
    ASSERT_EQ(exported.warnings.size(), 1u);
    EXPECT_NE(exported.warnings[0].find("\"c.png\" of material \"m41\""), std::string::npos) << exported.warnings[0];
    EXPECT_NE(exported.warnings[0].find("MB left for the document's textures"), std::string::npos) << exported.warnings[0];

    const std::string original = readWhole(folder + "/a.png");
    SwappingFiles swapping;
    swapping.folder = folder;
    GltfExportOptions once;
    once.textureFiles = &swapping;
    tinygltf::Model swapped = load(exportGltf(scene, once));
    ASSERT_EQ(swapped.images.size(), 3u);  // the other spellings of a.png now reach /dev/zero, refused
    EXPECT_EQ(QImage::fromData(imageBytes(swapped, 0)), QImage::fromData(QByteArray::fromStdString(original)));
    for (const auto& [name, opens] : swapping.opens) EXPECT_EQ(opens, 1) << name;
}

namespace {

// The PNG with a chunk put in after its header chunk.
QByteArray withChunk(QByteArray png, const char* type, const QByteArray& data) {
    QByteArray chunk;
    for (int shift = 24; shift >= 0; shift -= 8) chunk.append(char(data.size() >> shift));
    chunk.append(type, 4).append(data);
    uint32_t crc = 0xffffffff;
    for (qsizetype i = 4; i < chunk.size(); ++i) {
        crc ^= static_cast<unsigned char>(chunk[i]);
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
    }
    crc ^= 0xffffffff;
    for (int shift = 24; shift >= 0; shift -= 8) chunk.append(char(crc >> shift));
    return png.insert(8 + 25, chunk);
}

// A 4 x 2 texture whose pixels have the given alphas, left to right, top row first.
void writeTexture(const std::string& path, std::initializer_list<int> alphas) {
    QImage image(4, 2, QImage::Format_RGBA8888);
    int i = 0;
    for (int alpha : alphas) image.setPixelColor(i % 4, i / 4, QColor(30 * i, 200, 90, alpha)), ++i;
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

}  // namespace

// Materials read back as the viewer draws them: linear colour factors, emission tinted by
// the texture, the blend the texture's pixels call for, what glTF has no place for in
// extras; PNGs without the chunks glTF readers refuse; a text file's buffer named by a
// percent-encoded URI.
TEST(GltfExport, MaterialsLookAsTheViewerDrawsThem) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    writeTexture(folder + "/leaf.png", {0, 255, 255, 0, 255, 0, 0, 255});
    writeTexture(folder + "/panel.png", {255, 255, 255, 255, 255, 255, 255, 255});
    writeTexture(folder + "/smoke.png", {0, 128, 255, 255, 255, 255, 255, 255});
    QFile panel(QString::fromStdString(folder + "/panel.png"));
    ASSERT_TRUE(panel.open(QIODevice::ReadOnly));
    QByteArray chunky = withChunk(withChunk(panel.readAll(), "gAMA", QByteArray("\0\1\x86\xa0", 4)), "cHRM", QByteArray(32, 1));
    chunky = withChunk(withChunk(chunky, "iCCP", QByteArray("icc\0\0x", 6)), "tEXt", "Comment\0made here");
    std::ofstream(folder + "/chunky.png", std::ios::binary).write(chunky.constData(), chunky.size());
    const std::string document = folder + "/d.mqo";
    std::ofstream(document, std::ios::binary)
        << kHeader << "Material 6 {\r\n"
        << "\t\"orange\" col(0.82353 0.45490 0.08235 1.000) dif(1.000) amb(0.300) emi(0.000) spc(0.600) power(40.00)\r\n"
        << "\t\"glass\" col(0.600 0.800 1.000 0.350) dif(0.500) amb(0.000) emi(0.000) spc(0.900) power(80.00)\r\n"
        << "\t\"leaf\" col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.000) emi(0.000) spc(0.000) power(5.00) tex(\"leaf.png\")\r\n"
        << "\t\"panel\" col(1.000 1.000 1.000 1.000) dif(0.500) amb(0.000) emi(0.600) spc(0.000) power(5.00) tex(\"panel.png\")\r\n"
        << "\t\"smoke\" col(1.000 1.000 1.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00) tex(\"smoke.png\")\r\n"
        << "\t\"chunky\" col(1.000 1.000 1.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00) tex(\"chunky.png\")\r\n"
        << "}\r\nEof\r\n";
    Metasequoia scene = readFile(document);
    GltfExportOptions options;
    options.documentPath = document;
    GltfExport exported = exportGltf(scene, options);
    EXPECT_TRUE(exported.warnings.empty());
    tinygltf::Model g = load(exported);
    ASSERT_EQ(g.materials.size(), 6u);
    auto expectNear = [](const std::vector<double>& actual, const std::vector<double>& expected, const std::string& what) {
        ASSERT_EQ(actual.size(), expected.size()) << what;
        for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4) << what << " [" << i << "]";
    };
    const tinygltf::Material &orange = g.materials[0], &glass = g.materials[1], &leaf = g.materials[2], &panelMaterial = g.materials[3];
    expectNear(orange.pbrMetallicRoughness.baseColorFactor, {0.644480, 0.174647, 0.007499, 1}, "orange");
    expectNear(glass.pbrMetallicRoughness.baseColorFactor, {0.073239, 0.132868, 0.214041, 0.35}, "glass");
    expectNear(panelMaterial.emissiveFactor, {0.318547, 0.318547, 0.318547}, "panel's emission");
    expectNear(orange.emissiveFactor, {0, 0, 0}, "orange's emission");
    EXPECT_EQ(orange.extras.Get("ambient").GetNumberAsDouble(), 0.3f);
    EXPECT_EQ(orange.extras.Get("specular").GetNumberAsDouble(), 0.6f);
    EXPECT_EQ(orange.extras.Get("power").GetNumberAsDouble(), 40);
    // The texture tints the emission only where there is emission.
    EXPECT_EQ(panelMaterial.emissiveTexture.index, panelMaterial.pbrMetallicRoughness.baseColorTexture.index);
    EXPECT_EQ(leaf.emissiveTexture.index, -1);
    const std::vector<std::string> modes{"OPAQUE", "BLEND", "MASK", "OPAQUE", "BLEND", "OPAQUE"};
    for (size_t m = 0; m < modes.size(); ++m) EXPECT_EQ(g.materials[m].alphaMode, modes[m]) << g.materials[m].name;
    EXPECT_EQ(leaf.alphaCutoff, 0.5);

    // The chunked PNG goes in with its pixels and without the chunks.
    const QByteArray embedded = imageBytes(g, g.materials[5].pbrMetallicRoughness.baseColorTexture.index);
    for (const char* chunk : {"gAMA", "cHRM", "iCCP", "tEXt"}) EXPECT_FALSE(embedded.contains(chunk)) << chunk;
    EXPECT_EQ(QImage::fromData(embedded, "PNG").convertToFormat(QImage::Format_RGBA8888),
              QImage::fromData(chunky, "PNG").convertToFormat(QImage::Format_RGBA8888));

    GltfExportOptions text = options;
    text.binary = false;
    text.resourcesName = "旗#1 \"x\".bin";
    EXPECT_NE(exportGltf(scene, text).file.find("\"uri\": \"%E6%97%97%231%20%22x%22.bin\""), std::string::npos);
}
