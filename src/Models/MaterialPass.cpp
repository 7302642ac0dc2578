#include "SceneReading.h"
#include "ScenePasses.h"

namespace scene {

std::vector<ZeltoMaterial> readMaterials(const MQABlock& body) {
    std::vector<ZeltoMaterial> materials;
    const MQAAttribute* chunk = body.attributeForName("material");
    if (!chunk || !chunk->block()) return materials;
    const std::vector<MQAAttribute>& lines = chunk->block()->attributes();
    materials.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const SceneLine line(lines[i]);
        auto describe = [i] { return "Material line " + std::to_string(i + 1); };
        Place where(describe, &line);
        std::string name = textOfParam(line, 0, where);
        auto factor = [&](const char* key, float fallback) {
            const MQAParam* param = line.paramForName(key);
            return param ? floatAt(*param, 0, quoted(key), where) : fallback;
        };
        Color color{0.8f, 0.8f, 0.8f, 1.0f};
        if (const MQAParam* col = line.paramForName("col"))
            color = {floatAt(*col, 0, "\"col\"", where), floatAt(*col, 1, "\"col\"", where),
                     floatAt(*col, 2, "\"col\"", where), floatAt(*col, 3, "\"col\"", where)};
        float diffuse = factor("dif", 0.5f);
        float ambient = factor("amb", 0.5f);
        float emissive = factor("emi", 0.5f);
        float specular = factor("spc", 0.5f);
        float power = factor("power", 0.5f);
        const MQAParam* tex = line.paramForName("tex");
        std::string texture = tex ? textAt(*tex, 0, "\"tex\"", where) : std::string();
        materials.push_back(ZeltoMaterial::materialWithName(name, color.r, color.g, color.b,
                                                            color.a, diffuse, ambient, emissive,
                                                            specular, power, texture));
    }
    return materials;
}

}  // namespace scene
