// Polygons split into triangles cover exactly the polygon: n - 2 triangles, each wound
// as the polygon is, whose areas add up to the polygon's, with every edge of the
// polygon the side of exactly one triangle (and marked as such).

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "Triangulation.h"

namespace {

// Twice the signed area in the plane the polygon lies in, seen along `normal`.
double area2(GLKVector3 a, GLKVector3 b, GLKVector3 c, GLKVector3 normal) {
    GLKVector3 n = GLKVector3CrossProduct(GLKVector3Subtract(b, a), GLKVector3Subtract(c, a));
    return double(n.x) * normal.x + double(n.y) * normal.y + double(n.z) * normal.z;
}

void expectCovered(const std::vector<GLKVector3>& polygon, GLKVector3 normal, const std::string& what) {
    const uint32_t n = static_cast<uint32_t>(polygon.size());
    auto triangles = scene::triangulate(polygon);
    ASSERT_EQ(triangles.size(), n - 2) << what;
    double polygonArea = 0, sum = 0;
    for (uint32_t i = 1; i + 1 < n; ++i) polygonArea += area2(polygon[0], polygon[i], polygon[i + 1], normal);
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const auto& t : triangles) {
        double a = area2(polygon[t[0]], polygon[t[1]], polygon[t[2]], normal);
        EXPECT_GE(a, -1e-6 * std::fabs(polygonArea)) << what << ": a triangle turned the wrong way";
        sum += a;
        uint8_t inner = scene::innerSides(t, n);
        for (int k = 0; k < 3; ++k) {
            uint32_t from = t[k], to = t[(k + 1) % 3];
            bool edge = to == (from + 1) % n;
            if (edge) ++edges[{from, to}];
            EXPECT_EQ(bool(inner & (1u << k)), !edge) << what;
        }
    }
    EXPECT_NEAR(sum, polygonArea, 1e-5 * std::fabs(polygonArea)) << what;
    EXPECT_EQ(edges.size(), n) << what << ": every edge of the polygon, once";
    for (const auto& [edge, count] : edges) EXPECT_EQ(count, 1) << what;
}

// A random polygon that every ray from the centre crosses once.
std::vector<std::pair<float, float>> radial(int corners, std::mt19937& random) {
    std::uniform_real_distribution<float> radius(0.2f, 5.0f);
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i < corners; ++i) {
        float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(corners), r = radius(random);
        points.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return points;
}

std::vector<GLKVector3> inPlane(const std::vector<std::pair<float, float>>& points, bool tilted) {
    std::vector<GLKVector3> polygon;
    for (auto [u, v] : points)
        polygon.push_back(tilted ? GLKVector3{u, 0.6f * v, 0.8f * v} : GLKVector3{u, v, 0});
    return polygon;
}

}  // namespace

TEST(Triangulation, ConcavePolygonsAreCoveredExactly) {
    std::vector<std::pair<std::string, std::vector<std::pair<float, float>>>> shapes = {
        {"L", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}},
        {"comb", {{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}},
    };
    std::vector<std::pair<float, float>> star;  // twelve points, alternately far and near
    for (int i = 0; i < 24; ++i) {
        float r = i % 2 ? 1.0f : 3.0f, a = 0.2618f * static_cast<float>(i);
        star.push_back({r * std::cos(a), r * std::sin(a)});
    }
    shapes.push_back({"star", star});
    std::mt19937 random(11);
    for (int k = 0; k < 20; ++k) shapes.push_back({"random", radial(5 + k * 7, random)});
    for (const auto& [name, points] : shapes)
        for (bool tilted : {false, true}) {
            GLKVector3 normal = tilted ? GLKVector3{0, -0.8f, 0.6f} : GLKVector3{0, 0, 1};
            expectCovered(inPlane(points, tilted), normal, name);
            // The same polygon running the other way round faces the other way.
            std::vector<std::pair<float, float>> reversed(points.rbegin(), points.rend());
            expectCovered(inPlane(reversed, tilted), {-normal.x, -normal.y, -normal.z}, name + " reversed");
        }
}

TEST(Triangulation, LargePolygonsAreNotGivenUpOn) {
    // Its long spikes cross many cells of the search grid; the effort bound must allow them.
    std::mt19937 random(5);
    expectCovered(inPlane(radial(20000, random), false), {0, 0, 1}, "20000 corners");
}

TEST(Triangulation, DegenerateAndCrossingPolygonsStillGiveTheirTriangles) {
    // Collinear corners, a polygon of no area, repeated corners, a bow tie, not numbers.
    float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::vector<GLKVector3>> polygons = {
        inPlane({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {0, 1}}, false),
        inPlane({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}, false),
        inPlane({{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}}, false),
        inPlane({{0, 0}, {2, 2}, {2, 0}, {0, 2}, {-1, 1}}, false),
        {{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}, {1, 1, 0}, {0, 1, 0}},
    };
    for (const auto& polygon : polygons) EXPECT_EQ(scene::triangulate(polygon).size(), polygon.size() - 2);
}
