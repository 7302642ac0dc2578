#include <gtest/gtest.h>

#include <map>

#include "MQAException.h"
#include "SceneTestSupport.h"

TEST(SceneContainer, TextAndBytesFormsAreTheSameFiftyBytes) {
    const std::string expected = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nEof\r\n";
    ASSERT_EQ(expected.size(), 50u);
    Metasequoia built = sceneOf({"Material 1 {", "\"m\"", "}", "Object \"o\" {", "}"});
    Metasequoia empty;
    for (const Metasequoia* scene : {&built, &empty}) {
        EXPECT_EQ(scene->stringValue(), expected);
        EXPECT_EQ(scene->data(), expected);
    }
    // The form does not read back: its body is empty.
    EXPECT_THROW(Metasequoia::initWithString(expected), MQAException);
}

TEST(SceneContainer, BytesMustBeUTF8) {
    std::string valid = document({"Object \"\xC3\xA9t\xC3\xA9\" {", "}"});
    EXPECT_EQ(Metasequoia::initWithData(valid).models()[0].name(), "\xC3\xA9t\xC3\xA9");
    std::string cut = valid.substr(0, valid.size() - 5) + "\xE2\x82";  // cut-off sequence
    try {
        Metasequoia::initWithData(cut);
        FAIL() << "cut-off UTF-8 opened";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The file is not valid UTF-8 text (invalid byte sequence at byte " +
                      std::to_string(cut.size() - 2) + ").");
    }
    EXPECT_THROW(Metasequoia::initWithData(document({"x \"\xC0\xAF\""})), std::runtime_error);
}

TEST(MaterialPass, DefaultsAndNamedParameters) {
    Metasequoia scene = sceneOf({"MATERIAL 3 {", "\t\"plain\"",
                                 "\t\"full\" col(1.0 0.5 0.25 0.75) DIF(0.1) amb(0.2) emi(0.3) "
                                 "spc(0.4) power(50) tex(\"t.png\")",
                                 "\t\"only col\" col(0.1 0.2 0.3 0.4)", "}",
                                 "material 1 {", "\t\"second chunk\"", "}"});
    ASSERT_EQ(scene.materials().size(), 3u);
    const ZeltoMaterial& plain = scene.materials()[0];
    EXPECT_EQ(plain.name(), "plain");
    EXPECT_EQ(plain.color(), (Color{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_EQ(plain.diffuse(), 0.5f);
    EXPECT_EQ(plain.power(), 0.5f);
    EXPECT_EQ(plain.textureName(), "");
    const ZeltoMaterial& full = scene.materials()[1];
    EXPECT_EQ(full.color(), (Color{1, 0.5f, 0.25f, 0.75f}));
    EXPECT_EQ(full.diffuse(), 0.1f);
    EXPECT_EQ(full.specular(), 0.4f);
    EXPECT_EQ(full.power(), 50.0f);
    EXPECT_EQ(full.textureName(), "t.png");
    EXPECT_EQ(scene.materials()[2].diffuse(), 0.5f);
}

TEST(ObjectPass, DefaultsAndCaseInsensitiveNames) {
    Metasequoia scene = sceneOf({"Object \"a\" {", "\tVERTEX 3 {", "\t\t0 0 0", "\t\t1 0 0 b(2)",
                                 "\t\t0 1 0", "\t}", "}", "OBJECT 42 {", "\tfacet 60",
                                 "\tvertex 0", "}", "object \"empty\""});
    ASSERT_EQ(scene.models().size(), 3u);
    const ZeltoModel& a = scene.models()[0];
    EXPECT_EQ(a.facet(), 90.0f);
    ASSERT_EQ(a.vertices().size(), 3u);
    EXPECT_EQ(a.vertices()[0].bone, -1);
    EXPECT_EQ(a.vertices()[1].bone, 2);
    EXPECT_EQ(a.vertices()[1].pos, (GLKVector3{1, 0, 0}));
    EXPECT_EQ(scene.models()[1].name(), "42");  // a number names the object by its written form
    EXPECT_EQ(scene.models()[1].facet(), 60.0f);
    EXPECT_TRUE(scene.models()[1].vertices().empty());
    EXPECT_TRUE(scene.models()[2].faces().empty());
    EXPECT_EQ(scene.models()[1].number(), a.number() + 1);
}

TEST(ObjectPass, FaceShapesMaterialsAndTextureCoordinates) {
    Metasequoia scene = sceneOf({
        "Material 2 {", "\"m0\"", "\"m1\"", "}",
        "Object \"o\" {", "\tvertex 4 {", "\t\t0 0 0", "\t\t1 0 0", "\t\t1 1 0", "\t\t0 1 0", "\t}",
        "\tface 5 {",
        "\t\t3 V(0 1 2) M(1) UV(0.1 0.2 0.3 0.4 0.5 0.6)",
        "\t\t4 v(0 1 2 3 1) uv(1 2 3 4 5 6)",
        "\t\t4 V(0 1 -1 2)",
        "\t\t2 V(0 1)",
        "\t}", "}"});
    const ZeltoModel& model = scene.models()[0];
    // Sorted by material: the faces without "m" (material 0) first, in document order.
    ASSERT_EQ(model.faces().size(), 4u);
    const ZeltoFace& quad = model.faces()[0];
    EXPECT_EQ(quad.count(), 4);  // the fifth corner index is ignored
    EXPECT_EQ(quad.material(), &scene.materials()[0]);
    EXPECT_EQ(quad.corner(3).uv, (GLKVector2{0, 0}));  // missing coordinates are zero
    EXPECT_EQ(quad.corner(2).uv, (GLKVector2{5, 6}));
    EXPECT_EQ(model.faces()[1].count(), 2);  // corner 2 absent: two corners
    EXPECT_EQ(model.faces()[2].count(), 2);
    const ZeltoFace& triangle = model.faces()[3];
    EXPECT_EQ(triangle.count(), 3);
    EXPECT_EQ(triangle.material(), &scene.materials()[1]);
    EXPECT_EQ(triangle.corner(1).vertex, 1u);
    EXPECT_EQ(triangle.corner(2).uv, (GLKVector2{0.5f, 0.6f}));
}

TEST(ObjectPass, AnimationsKeepOrderAndMatrices) {
    Metasequoia scene = sceneOf({"Object \"o\" {",
                                 "\tanimation \"walk\" {", "\t\t1 0 0 0 0 1 0 0 0 0 1 0 5 6 7 1", "\t}",
                                 "\tanimation \"walk\" {", "\t}", "}"});
    const ZeltoModel& model = scene.models()[0];
    ASSERT_EQ(model.animations().size(), 2u);
    EXPECT_EQ(model.animations()[0].animation(0), translationMatrix(5, 6, 7));
    EXPECT_EQ(model.animations()[1].count(), 0u);
    EXPECT_EQ(model.matrixForAnimationName("walk", 4), translationMatrix(5, 6, 7));
}

TEST(ScenePasses, OnlyUnknownChunksGiveAnEmptyScene) {
    Metasequoia scene = sceneOf({"Scene {", "\tpos 0 0 1500", "}", "IncludeXchg \"x\""});
    EXPECT_TRUE(scene.materials().empty() && scene.models().empty() && scene.bones().empty());
    // Objects without faces need no materials.
    EXPECT_EQ(sceneOf({"Object \"o\" {", "\tvertex 1 {", "\t\t0 0 0", "\t}", "}"}).models().size(), 1u);
}

TEST(ScenePasses, ErrorsSayWhatAndWhere) {
    EXPECT_EQ(buildError({"Material 1 {", "\tunnamed", "}"}),
              "Material line 1: parameter 0 is missing (the line has 0 parameters)");
    EXPECT_EQ(buildError({"Material 1 {", "\t\"m\" col(1 1 1)", "}"}),
              "Material line 1: \"col\" has no value 3 (it has 3 values)");
    EXPECT_EQ(buildError({"Material 1 {", "\t\"m\"", "\t\"n\" dif()", "}"}),
              "Material line 2: \"dif\" has no value 0 (it has 0 values)");
    EXPECT_EQ(buildError({"Object {", "}"}),
              "Object 1: parameter 0 is missing (the line has 0 parameters)");
    EXPECT_EQ(buildError({"Object \"body\" {", "\tfacet", "}"}),
              "Object \"body\", \"facet\": parameter 0 is missing (the line has 0 parameters)");
    EXPECT_EQ(buildError({"Object \"body\" {", "\tvertex 1 {", "\t\t0 0", "\t}", "}"}),
              "Object \"body\", vertex line 1: parameter 2 is missing (the line has 2 parameters)");
    EXPECT_EQ(buildError({"Object \"body\" {", "\tanimation \"a\" {", "\t\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0", "\t}", "}"}),
              "Object \"body\", animation \"a\", frame line 1: a matrix needs 16 numbers, the line "
              "has 15 parameters");
    EXPECT_EQ(buildError({"BoneAnimation {", "}"}),
              "Bone animation 1: parameter 0 is missing (the line has 0 parameters)");
    EXPECT_EQ(buildError({"BoneAnimation \"b\" {", "\tbone {", "\t\t1 2", "\t}", "}"}),
              "Bone animation \"b\", bone 0, frame line 1: a matrix needs 16 numbers, the line has "
              "2 parameters");
}

TEST(ScenePasses, FaceErrorsNameTheIndexAndTheSize) {
    auto withFace = [](std::string_view face) {
        return buildError({"Material 1 {", "\"m\"", "}", "Object \"body\" {", "\tvertex 2 {",
                           "\t\t0 0 0", "\t\t1 0 0", "\t}", "\tface 2 {", "\t\t2 V(0 1)", face, "\t}", "}"});
    };
    EXPECT_EQ(withFace("2 V(0 9)"),
              "Object \"body\", face line 2: vertex index 9 is out of range (2 vertices)");
    EXPECT_EQ(withFace("2 V(0 1) M(1)"),
              "Object \"body\", face line 2: material index 1 is out of range (1 materials)");
    EXPECT_EQ(withFace("2 V(0 1) M(-1)"),
              "Object \"body\", face line 2: material index -1 is out of range (1 materials)");
    EXPECT_EQ(withFace("1 V(0)"),
              "Object \"body\", face line 2: corner 1 has no vertex (a face needs vertices for its "
              "first two corners)");
    EXPECT_EQ(withFace("2 V(-1 1)"),
              "Object \"body\", face line 2: corner 0 has no vertex (a face needs vertices for its "
              "first two corners)");
    // Without a material chunk, a face without "m" refers to material 0, which is missing.
    EXPECT_EQ(buildError({"Object \"o\" {", "\tvertex 2 {", "\t\t0 0 0", "\t\t1 0 0", "\t}",
                          "\tface 1 {", "\t\t2 V(0 1)", "\t}", "}"}),
              "Object \"o\", face line 1: material index 0 is out of range (0 materials)");
    // Only the first material chunk counts.
    EXPECT_EQ(buildError({"Material 1 {", "\"a\"", "}", "Material 1 {", "\"b\"", "}",
                          "Object \"o\" {", "\tvertex 2 {", "\t\t0 0 0", "\t\t1 0 0", "\t}",
                          "\tface 1 {", "\t\t2 V(0 1) M(1)", "\t}", "}"}),
              "Object \"o\", face line 1: material index 1 is out of range (1 materials)");
}

TEST(ScenePasses, MaterialsAreSharedAndNumbersContinueAcrossDocuments) {
    auto open = [] {
        return sceneOf({"Material 1 {", "\"m\"", "}", "Object \"o\" {", "\tvertex 2 {", "\t\t0 0 0",
                        "\t\t1 0 0", "\t}", "\tface 1 {", "\t\t2 V(0 1)", "\t}", "}"});
    };
    Metasequoia first = open();
    Metasequoia second = open();
    EXPECT_EQ(first.models()[0].faces()[0].material(), &first.materials()[0]);
    EXPECT_EQ(second.models()[0].number(), first.models()[0].number() + 1);
    Metasequoia moved = std::move(first);
    EXPECT_EQ(moved.models()[0].faces()[0].material(), &moved.materials()[0]);
}

namespace {

using Replacements = std::map<size_t, std::string>;

// Lines 1 to `count` of a block, made by line(i) unless `bad` replaces them.
template <typename Line>
std::string numberedLines(size_t count, const Replacements& bad, Line line) {
    std::string text;
    for (size_t i = 1; i <= count; ++i) {
        auto replaced = bad.find(i);
        text += "\t\t" + (replaced != bad.end() ? replaced->second : line(i)) + "\r\n";
    }
    return text;
}

// An object with `faces` face lines over a strip of vertices, alternating between two
// materials, each face's first u coordinate its line number; `bad` lines replaced.
std::string largeObject(size_t faces, const Replacements& bad) {
    std::string body = "Material 2 {\r\n\"a\"\r\n\"b\"\r\n}\r\nObject \"big\" {\r\n\tvertex 3 {\r\n";
    body += "\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n\tface " + std::to_string(faces) + " {\r\n";
    body += numberedLines(faces, bad, [](size_t i) {
        return "3 V(0 1 2) M(" + std::to_string(i % 2) + ") UV(" + std::to_string(i) + " 0)";
    });
    return documentWithBody(body + "\t}\r\n}\r\n");
}

// An object of `count` vertex lines, vertex i (from 0) at (i, 2i, 3i) with bone i % 5;
// `bad` lines replaced.
std::string manyVertices(size_t count, const Replacements& bad) {
    std::string body = "Object \"cloud\" {\r\n\tvertex " + std::to_string(count) + " {\r\n";
    body += numberedLines(count, bad, [](size_t i) {
        size_t v = i - 1;
        return std::to_string(v) + " " + std::to_string(2 * v) + " " + std::to_string(3 * v) + " b(" +
               std::to_string(v % 5) + ")";
    });
    return documentWithBody(body + "\t}\r\n}\r\n");
}

}  // namespace

// Faces are placed in material order as they are read; errors name the first bad line.
TEST(ObjectPass, LargeFaceListsKeepOrderAndReportTheFirstError) {
    constexpr size_t kFaces = 80000;
    Metasequoia scene = Metasequoia::initWithString(largeObject(kFaces, {}));
    const ZeltoModel& model = scene.models()[0];
    ASSERT_EQ(model.faces().size(), kFaces);
    for (size_t i = 0; i < kFaces; ++i) {
        // Material 0 (even lines) first, each material's faces in line order.
        size_t line = i < kFaces / 2 ? 2 * (i + 1) : 2 * (i - kFaces / 2) + 1;
        ASSERT_EQ(model.faces()[i].corner(0).uv.x, static_cast<float>(line)) << i;
    }
    EXPECT_EQ(buildErrorOfText(largeObject(kFaces, {{20000, "2 V(0 7)"}, {60000, "2 V(0 1) M(5)"}})),
              "Object \"big\", face line 20000: vertex index 7 is out of range (3 vertices)");
    EXPECT_EQ(buildErrorOfText(largeObject(kFaces, {{60000, "2 V(0 1) M(5)"}, {70000, "2 V(0 7)"}})),
              "Object \"big\", face line 60000: material index 5 is out of range (2 materials)");
}

TEST(ObjectPass, LargeVertexListsKeepOrderAndReportTheFirstError) {
    constexpr size_t kVertices = 70000;
    Metasequoia scene = Metasequoia::initWithString(manyVertices(kVertices, {}));
    const std::vector<ZeltoVertex>& vertices = scene.models()[0].vertices();
    ASSERT_EQ(vertices.size(), kVertices);
    for (size_t i = 0; i < kVertices; ++i) {
        ASSERT_EQ(vertices[i].pos.z, static_cast<float>(3 * i)) << i;
        ASSERT_EQ(vertices[i].bone, static_cast<int32_t>(i % 5)) << i;
    }
    EXPECT_EQ(buildErrorOfText(manyVertices(kVertices, {{100, "1 2"}, {60000, "1 2 3 b(\"x\")"}})),
              "Object \"cloud\", vertex line 100: parameter 2 is missing (the line has 2 parameters)");
    EXPECT_EQ(buildErrorOfText(manyVertices(kVertices, {{60000, "1 2"}})),
              "Object \"cloud\", vertex line 60000: parameter 2 is missing (the line has 2 parameters)");
}
