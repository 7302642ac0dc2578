#pragma once

#include <string>
#include <string_view>

#include "GLKMath.h"

// One material: a base colour with alpha, factors that scale it into the lighting
// colours, a shininess power and an optional texture file name (empty for none).
class ZeltoMaterial {
public:
    static ZeltoMaterial materialWithName(std::string_view name, float colorR, float colorG,
                                          float colorB, float colorA, float diffuse, float ambient,
                                          float emissive, float specular, float power,
                                          std::string_view textureName);

    // Sets the OpenGL material of both faces: diffuse, ambient, specular, emission and
    // shininess, in that order.
    void apply() const;

    const std::string& name() const { return _name; }
    Color color() const { return _color; }
    float diffuse() const { return _diffuse; }
    float ambient() const { return _ambient; }
    float emissive() const { return _emissive; }
    float specular() const { return _specular; }
    float power() const { return _power; }
    const std::string& textureName() const { return _textureName; }

private:
    float _emissive = 0;
    float _specular = 0;
    float _ambient = 0;
    std::string _textureName;
    float _power = 0;
    Color _color;
    float _diffuse = 0;
    std::string _name;
};
