#include "ZeltoMaterial.h"


ZeltoMaterial ZeltoMaterial::materialWithName(std::string_view name, float colorR, float colorG,
                                              float colorB, float colorA, float diffuse,
                                              float ambient, float emissive, float specular,
                                              float power, std::string_view textureName) {
    ZeltoMaterial material;
    material._name = name;
    material._color = {colorR, colorG, colorB, colorA};
    material._diffuse = diffuse;
    material._ambient = ambient;
    material._emissive = emissive;
    material._specular = specular;
    material._power = power;
    material._textureName = textureName;
    return material;
}
