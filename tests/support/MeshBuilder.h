#pragma once

// Builds vertex and face lists for model tests.

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ZeltoModel.h"

class MeshBuilder {
public:
    explicit MeshBuilder(size_t maxVertices = 256) { _vertices.reserve(maxVertices); }

    uint32_t vertex(GLKVector3 p, int32_t bone = -1) {
        _vertices.push_back(ZeltoVertex::initWithPosX(p.x, p.y, p.z, bone));
        return static_cast<uint32_t>(_vertices.size() - 1);
    }

    // A face over existing vertices (2 to 4); `tag` goes into u of corner 0 so tests
    // can follow a face through the sort.
    void face(std::initializer_list<uint32_t> corners, const ZeltoMaterial* material = nullptr,
              float tag = 0) {
        std::vector<uint32_t> v(corners);
        while (v.size() < 4) v.push_back(ZeltoFace::kNoVertex);
        _faces.push_back(ZeltoFace::faceWithMaterial(material, v[0], v[1], v[2], v[3], tag, 0, 0, 0,
                                                     0, 0, 0, 0));
    }

    // The same model from the faces stably sorted by material, with their document order.
    ZeltoModel buildPresorted(float facet = 59.5f) {
        std::vector<uint32_t> byMaterial(_faces.size());
        for (uint32_t i = 0; i < byMaterial.size(); ++i) byMaterial[i] = i;
        std::stable_sort(byMaterial.begin(), byMaterial.end(), [&](uint32_t a, uint32_t b) {
            return std::less<const ZeltoMaterial*>()(_faces[a].material(), _faces[b].material());
        });
        std::vector<ZeltoFace> sorted;
        std::vector<uint32_t> documentOrder(_faces.size());
        for (uint32_t position = 0; position < byMaterial.size(); ++position) {
            sorted.push_back(_faces[byMaterial[position]]);
            documentOrder[byMaterial[position]] = position;
        }
        return ZeltoModel::modelWithName("test", facet, std::move(_vertices), std::move(sorted),
                                         std::move(documentOrder), {});
    }

    ZeltoModel build(float facet = 59.5f, std::vector<ZeltoAnimation> animations = {}) {
        return ZeltoModel::modelWithName("test", facet, std::move(_vertices), std::move(_faces),
                                         std::move(animations));
    }

private:
    std::vector<ZeltoVertex> _vertices;
    std::vector<ZeltoFace> _faces;
};
