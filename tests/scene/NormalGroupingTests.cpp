// The corners at a vertex are grouped as the plain greedy partition groups them: the
// first corner left seeds a group of every corner left that joins it.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "NormalGrouping.h"
#include "ZeltoFace.h"

namespace {

// For each face, the index of its group (-1 when flat); each group's faces in order.
struct Groups {
    std::vector<int> links;
    std::vector<std::vector<uint32_t>> faces;
    bool operator==(const Groups&) const = default;
};

// Faces 0 to n - 1 meeting at one vertex, grouped by the grouper.
Groups grouped(const std::vector<GLKVector3>& faceNormals, float facet, scene::CancelCheck& cancel) {
    const FacetTest test(facet);
    std::vector<ZeltoNormal> normals;
    std::vector<uint32_t> normalFaces;
    Groups groups;
    groups.links.assign(faceNormals.size(), -2);
    NormalGrouper grouper(
        faceNormals, test, {},
        [&](uint32_t entry, uint32_t link) {
            groups.links[entry >> 2] = link == ZeltoCorner::kNormalFlat ? -1 : static_cast<int>(link);
        },
        normals, normalFaces, cancel);
    std::vector<uint32_t> entries;
    for (uint32_t f = 0; f < faceNormals.size(); ++f) entries.push_back(f << 2);
    grouper.group(entries);
    for (size_t k = 0; k < normals.size(); ++k) {
        size_t end = k + 1 < normals.size() ? normals[k + 1].firstFace : normalFaces.size();
        groups.faces.emplace_back(normalFaces.begin() + normals[k].firstFace, normalFaces.begin() + end);
    }
    return groups;
}

// The same by the definition, looking at every pair.
Groups greedy(const std::vector<GLKVector3>& faceNormals, float facet) {
    const FacetTest test(facet);
    Groups groups;
    groups.links.assign(faceNormals.size(), -1);
    std::vector<bool> taken(faceNormals.size(), false);
    for (size_t seed = 0; seed < faceNormals.size(); ++seed) {
        if (taken[seed]) continue;
        GLKVector3 s = faceNormals[seed];
        std::vector<uint32_t> group;
        for (size_t i = seed; i < faceNormals.size(); ++i) {
            GLKVector3 n = faceNormals[i];
            float dot = (s.y * n.y + s.x * n.x) + s.z * n.z;
            if (!taken[i] && (test.accepts(dot) || n == s)) group.push_back(static_cast<uint32_t>(i));
        }
        taken[seed] = true;
        for (uint32_t i : group) taken[i] = true;
        if (group.size() < 2) continue;
        for (uint32_t i : group) groups.links[i] = static_cast<int>(groups.faces.size());
        groups.faces.push_back(group);
    }
    return groups;
}

GLKVector3 unit(float x, float y, float z) {
    float r = 1.0f / std::sqrt(x * x + y * y + z * z);
    return {x * r, y * r, z * r};
}

// Face normals at one vertex, of several kinds, some of them repeated.
std::vector<GLKVector3> normalsOfKind(const std::string& kind, size_t count, std::mt19937& random) {
    std::uniform_real_distribution<float> angle(0, 6.2831853f), unitRange(-1, 1);
    std::vector<GLKVector3> normals;
    for (size_t f = 0; f < count; ++f) {
        if (f % 9 == 8) {  // a repeat of an earlier one
            normals.push_back(normals[std::uniform_int_distribution<size_t>(0, f - 1)(random)]);
            continue;
        }
        GLKVector3 n;
        if (kind == "great circles" || kind == "mixed") {
            float a = angle(random);
            n = f % 3 ? GLKVector3{std::sin(a), 0, std::cos(a)} : GLKVector3{0.6f * std::sin(a), 0.8f, 0.6f * std::cos(a)};
        } else {
            // Nearly parallel and unequal, as round a vertex where thousands of thin triangles meet.
            n = unit(1e-4f * unitRange(random), 1e-4f * unitRange(random), 1);
            if (kind == "nearly parallel, lengths off by rounding") {
                float scale = 1 + static_cast<float>(static_cast<int>(f % 5) - 2) * 1.2e-7f;
                n = {n.x * scale, n.y * scale, n.z * scale};
            }
        }
        if (kind == "mixed" && f % 7 == 1) n = {std::numeric_limits<float>::quiet_NaN(), 0, 0};
        if (kind == "mixed" && f % 7 == 2) n = {0, 0, 0};
        if (kind == "mixed" && f % 7 == 3) n = {n.x * 1.2f, n.y * 1.2f, n.z * 1.2f};  // not of unit length
        if (kind == "mixed" && f % 7 == 4) n = {-0.0f, 1, -0.0f};
        normals.push_back(n);
    }
    return normals;
}

}  // namespace

// Few corners, many, and thousands nearly parallel (where equal normals must group and
// unequal ones must not), for smoothing angles from none to nearly all.
TEST(NormalGrouping, MatchesTheGreedyPartitionOnEveryKindOfVertex) {
    std::mt19937 random(3);
    for (std::string kind : {"great circles", "mixed", "nearly parallel", "nearly parallel, lengths off by rounding"})
        for (size_t count : {40, 400, 3000})
            for (float facet : {0.0f, 0.001f, 0.5f, 20.0f, 90.0f, 179.0f}) {
                if (count == 3000 && kind != "nearly parallel" && facet > 1) continue;
                std::vector<GLKVector3> normals = normalsOfKind(kind, count, random);
                scene::CancelCheck never;
                EXPECT_EQ(grouped(normals, facet, never), greedy(normals, facet))
                    << kind << ", " << count << " faces, smoothing angle " << facet;
            }
}

// Grouping notes its work as it goes, so a cancel stops it midway through one vertex.
TEST(NormalGrouping, AVertexOfManyCornersStopsWhenCancelled) {
    std::mt19937 random(5);
    std::vector<GLKVector3> normals = normalsOfKind("nearly parallel", 200000, random);
    size_t checks = 0;
    scene::CancelCheck counting([&] { ++checks; });
    grouped(normals, 0, counting);
    EXPECT_GE(checks, normals.size() / scene::CancelCheck::kEvery);
    size_t left = checks / 2;
    scene::CancelCheck cancelling([&] {
        if (--left == 0) throw MQACancelled();
    });
    EXPECT_THROW(grouped(normals, 0, cancelling), MQACancelled);
}
