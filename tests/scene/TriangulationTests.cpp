// Polygons split into triangles cover exactly the polygon: n - 2 triangles, each wound
// as the polygon is, whose areas add up to the polygon's and, taken without their sign,
// to no more (so none overlap), with every edge of the polygon the side of exactly one
// triangle (and marked as such).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "Triangulation.h"

namespace {

using Outline = std::vector<std::pair<double, double>>;

// Twice the signed area in the plane the polygon lies in, seen along `normal`.
double area2(GLKVector3 a, GLKVector3 b, GLKVector3 c, GLKVector3 normal) {
    double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    double v[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    return (u[1] * v[2] - u[2] * v[1]) * normal.x + (u[2] * v[0] - u[0] * v[2]) * normal.y +
           (u[0] * v[1] - u[1] * v[0]) * normal.z;
}

// `normal`: the polygon's plane's, either way.
void expectCovered(const std::vector<GLKVector3>& polygon, GLKVector3 normal, const std::string& what) {
    const uint32_t n = static_cast<uint32_t>(polygon.size());
    scene::PolygonSplit split = scene::triangulate(polygon);
    EXPECT_TRUE(split.exact) << what;
    ASSERT_EQ(split.triangles.size(), n - 2) << what;
    double polygonArea = 0, sum = 0, unsignedSum = 0;
    for (uint32_t i = 1; i + 1 < n; ++i) polygonArea += area2(polygon[0], polygon[i], polygon[i + 1], normal);
    if (polygonArea < 0) {  // seen from the side it faces
        normal = {-normal.x, -normal.y, -normal.z};
        polygonArea = -polygonArea;
    }
    std::vector<int> edgeUses(n, 0);
    size_t inverted = 0;
    for (const scene::Triangle& t : split.triangles) {
        double a = area2(polygon[t[0]], polygon[t[1]], polygon[t[2]], normal);
        if (a < -1e-9 * polygonArea) ++inverted;
        sum += a;
        unsignedSum += std::fabs(a);
        uint8_t inner = scene::innerSides(t, n);
        for (uint32_t k = 0; k < 3; ++k) {
            uint32_t from = t[k], to = t[(k + 1) % 3];
            bool edge = to == (from + 1) % n;
            if (edge) ++edgeUses[from];
            ASSERT_EQ(bool(inner & (1u << k)), !edge) << what;
        }
    }
    EXPECT_EQ(inverted, 0u) << what << ": triangles turned the wrong way";
    EXPECT_NEAR(sum, polygonArea, 1e-9 * polygonArea) << what;
    EXPECT_NEAR(unsignedSum, polygonArea, 1e-9 * polygonArea) << what << ": triangles overlap";
    EXPECT_EQ(static_cast<size_t>(std::count(edgeUses.begin(), edgeUses.end(), 1)), n)
        << what << ": every edge of the polygon, once";
}

// An anticlockwise polygon that every ray from the centre crosses once; its corners
// alternate between `low` and `high` radii, or take random ones between them.
Outline star(size_t corners, double low, double high, std::mt19937* random) {
    std::uniform_real_distribution<double> radius(low, high);
    Outline points;
    for (size_t i = 0; i < corners; ++i) {
        double a = 2 * M_PI * double(i) / double(corners), r = random ? radius(*random) : i % 2 ? low : high;
        points.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return points;
}

// A band wound `turns` times round the centre: out along its outer edge, back along
// its inner one.
Outline spiral(size_t corners, double turns) {
    const size_t side = corners / 2;
    Outline points;
    for (int edge = 0; edge < 2; ++edge)
        for (size_t k = 0; k < side; ++k) {
            double t = double(edge == 0 ? k : side - 1 - k) / double(side - 1) * turns * 2 * M_PI;
            double r = 1 + t + (edge == 0 ? 0 : 3.5);
            points.push_back({r * std::cos(t), -r * std::sin(t)});
        }
    return points;
}

// A U whose inside edge is a comb of `teeth` random lengths, with the bottom edge cut
// into many corners on one line, each tooth's tip running level.
Outline comb(size_t teeth, std::mt19937& random) {
    std::uniform_int_distribution<int> length(1, 40);
    const double width = 2.0 * double(teeth) + 1;
    Outline points;
    for (size_t k = 0; k <= 4 * teeth; ++k) points.push_back({width * double(k) / double(4 * teeth), -10});
    points.push_back({width + 2, -10});
    points.push_back({width + 2, 50});
    points.push_back({width, 50});
    for (size_t t = teeth; t > 0; --t) {
        double x = 2.0 * double(t), tip = 50 - length(random);
        points.push_back({x, 0});
        points.push_back({x, tip});
        points.push_back({x - 1, tip});
        points.push_back({x - 1, 0});
    }
    points.push_back({0, 0});
    points.push_back({0, 50});
    points.push_back({-2, 50});
    points.push_back({-2, -10});
    return points;
}

std::vector<GLKVector3> inPlane(const Outline& points, bool tilted) {
    std::vector<GLKVector3> polygon;
    for (auto [u, v] : points) {
        float x = static_cast<float>(u), y = static_cast<float>(v);
        polygon.push_back(tilted ? GLKVector3{x, 0.6f * y, 0.8f * y} : GLKVector3{x, y, 0});
    }
    return polygon;
}

}  // namespace

// Simple polygons of every kind and size, in a plane of their own or tilted, running
// either way round: every one is covered exactly.
TEST(Triangulation, SimplePolygonsAreCoveredExactly) {
    std::mt19937 random(11);
    std::vector<std::pair<std::string, Outline>> shapes = {
        {"L", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}},
        {"a corner on a side", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {0, 1}}},
        {"corners on a line, repeated", {{0, 0}, {1, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {1, 1}, {0, 2}, {0, 2}}},
        {"a spike back along a side", {{0, 0}, {4, 0}, {4, 3}, {2, 3}, {3, 3}, {0, 3}}},
        {"star", star(24, 1, 3, nullptr)},
        {"large star", star(100000, 60, 100, nullptr)},
        {"spiral", spiral(600, 6)},
        {"tight spiral", spiral(20000, 60)},
        {"large spiral", spiral(100000, 25)},
        {"comb", comb(5, random)},
        {"large comb", comb(20000, random)},
    };
    for (int k = 0; k < 12; ++k) shapes.push_back({"random star", star(5 + k * k * 40, 0.2, 5, &random)});
    for (int k = 0; k < 100; ++k) shapes.push_back({"small random star", star(5 + k % 10, 0.2, 5, &random)});
    for (int k = 0; k < 6; ++k) shapes.push_back({"random comb", comb(2 + k * 15, random)});
    for (const auto& [name, points] : shapes)
        for (bool tilted : {false, true}) {
            GLKVector3 normal = tilted ? GLKVector3{0, -0.8f, 0.6f} : GLKVector3{0, 0, 1};
            std::string what = name + " of " + std::to_string(points.size()) + (tilted ? ", tilted" : "");
            expectCovered(inPlane(points, tilted), normal, what);
            if (points.size() > 1000) continue;
            Outline reversed(points.rbegin(), points.rend());
            expectCovered(inPlane(reversed, tilted), normal, what + ", reversed");
        }
}

// Polygons that cross themselves or have no area still give their n - 2 triangles, in
// bounded time, marked as only approximate.
TEST(Triangulation, PolygonsThatAreNotSimpleAreSplitApproximately) {
    float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    Outline pentagon = star(5, 1, 1, nullptr), twice;
    for (int k = 0; k < 10; ++k) twice.push_back({pentagon[k % 5].first * (k < 5 ? 2 : 1.5), pentagon[k % 5].second * (k < 5 ? 2 : 1.5)});
    std::vector<std::vector<GLKVector3>> polygons = {
        inPlane({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}, false),   // no area
        inPlane({{0, 0}, {2, 2}, {2, 0}, {0, 2}, {-1, 1}}, false),  // a bow tie
        inPlane({pentagon[0], pentagon[2], pentagon[4], pentagon[1], pentagon[3]}, false),  // a star in one line
        inPlane({{0, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 0}, {3, 3}, {3, 6}, {6, 6}, {6, 3}, {3, 3}}, false),  // a hole
        inPlane(twice, false),                                                                 // wound twice
        {{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}, {1, 1, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, 0, 0}, {inf, 0, 0}, {1, 1, 0}, {0, 1, 0}},
    };
    Outline crossing = spiral(100000, 25);
    std::swap(crossing[10], crossing[60000]);  // crosses many times
    polygons.push_back(inPlane(crossing, false));
    for (const auto& polygon : polygons) {
        scene::PolygonSplit split = scene::triangulate(polygon);
        EXPECT_EQ(split.triangles.size(), polygon.size() - 2);
        EXPECT_FALSE(split.exact) << polygon.size();
    }
}

// A polygon of many corners notes its work as it goes, so a cancel stops it midway.
TEST(Triangulation, LargePolygonsStopWhenCancelled) {
    std::vector<GLKVector3> polygon = inPlane(spiral(200000, 30), false);
    size_t checks = 0;
    scene::CancelCheck counting([&] { ++checks; });
    EXPECT_TRUE(scene::triangulate(polygon, counting).exact);
    EXPECT_GE(checks, polygon.size() / scene::CancelCheck::kEvery);
    size_t left = checks / 2;
    scene::CancelCheck cancelling([&] {
        if (--left == 0) throw MQACancelled();
    });
    EXPECT_THROW(scene::triangulate(polygon, cancelling), MQACancelled);
}
