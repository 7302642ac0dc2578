#include <gtest/gtest.h>

#include <cmath>

#include "MeshBuilder.h"
#include "TriangleRuns.h"
#include "ZeltoMaterial.h"

namespace {

struct RunShape {
    const ZeltoMaterial* material;
    uint32_t indexCount;
    bool lines;
    bool operator==(const RunShape&) const = default;
};

std::vector<RunShape> shapes(const TriangleRuns& runs) {
    std::vector<RunShape> out;
    for (const TriangleRuns::Run& run : runs.runs()) out.push_back({run.material, run.indexCount, run.lines});
    return out;
}

}  // namespace

// Each stretch of one material makes a run of triangles, also one with none, so material
// changes come where they come face by face; asked for, its two-corner faces follow as a
// run of lines, and faces with a corner not a finite point are left out and counted. A
// run's indices name only its own elements.
TEST(TriangleRuns, StretchesMakeRunsOfTrianglesThenLines) {
    ZeltoMaterial a = ZeltoMaterial::materialWithName("a", 1, 0, 0, 1, 1, 0, 0, 0, 5, "");
    ZeltoMaterial b = ZeltoMaterial::materialWithName("b", 0, 1, 0, 1, 1, 0, 0, 0, 5, "");
    const ZeltoMaterial* first = std::less<const ZeltoMaterial*>()(&a, &b) ? &a : &b;
    const ZeltoMaterial* second = first == &a ? &b : &a;
    MeshBuilder mesh;
    for (int i = 0; i < 5; ++i) mesh.vertex({float(i), float(i * i % 3), 0});
    uint32_t far = mesh.vertex({NAN, 0, 0});
    mesh.face({0, 1, 2, 3}, first);
    mesh.face({3, 4}, first);
    mesh.face({0, 4}, second);
    mesh.face({1, 2, far}, second);
    ZeltoModel model = mesh.build();

    TriangleRuns drawn(model);
    EXPECT_EQ(shapes(drawn), (std::vector<RunShape>{{first, 6, false}, {second, 3, false}}));
    EXPECT_EQ(drawn.facesLeftOut(), 0u);

    TriangleRunChoices choices;
    choices.lines = true;
    choices.finiteFacesOnly = true;
    TriangleRuns exported(model, choices);
    EXPECT_EQ(shapes(exported),
              (std::vector<RunShape>{{first, 6, false}, {first, 2, true}, {second, 0, false}, {second, 2, true}}));
    EXPECT_EQ(exported.facesLeftOut(), 1u);
    for (const TriangleRuns::Run& run : exported.runs())
        for (uint32_t index : exported.indices().subspan(run.firstIndex, run.indexCount)) {
            EXPECT_GE(index, run.firstElement);
            EXPECT_LT(index, run.firstElement + run.elementCount);
        }
    // The quad's triangles: corners (1, 2, 0) and (2, 3, 0).
    std::vector<uint32_t> corners;
    for (uint32_t index : exported.indices().subspan(0, 6)) corners.push_back(exported.elements()[index].corner);
    EXPECT_EQ(corners, (std::vector<uint32_t>{1, 2, 0, 2, 3, 0}));
}
