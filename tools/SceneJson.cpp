#include "SceneJson.h"

#include <cmath>
#include <cstdio>
#include <span>

#include "FramePose.h"
#include "Metasequoia.h"

namespace {

// Appends JSON values to a string. Floats have nine significant digits, enough to tell
// every 32-bit float apart; JSON has no NaN or infinity, so those are written as null.
class JsonWriter {
public:
    std::string out;

    void number(float value) {
        if (!std::isfinite(value)) {
            out += "null";
            return;
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
        out += buffer;
    }
    void integer(long long value) { out += std::to_string(value); }
    void text(std::string_view value) {
        out += '"';
        for (char c : value) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        static const char kHex[] = "0123456789abcdef";
                        out += "\\u00";
                        out += kHex[(c >> 4) & 0xf];
                        out += kHex[c & 0xf];
                    } else {
                        out += c;
                    }
            }
        }
        out += '"';
    }
    void numbers(std::span<const float> values) {
        out += '[';
        for (size_t i = 0; i < values.size(); ++i) {
            if (i) out += ", ";
            number(values[i]);
        }
        out += ']';
    }
    void vector(GLKVector3 v) {
        const float values[] = {v.x, v.y, v.z};  // members are not an array: copy them into one
        numbers(values);
    }
    void matrix(const GLKMatrix4& m) { numbers(m.m); }
    void key(std::string_view name) {
        text(name);
        out += ": ";
    }
};

void writeModel(JsonWriter& json, const Metasequoia& scene, const ZeltoModel& model, const PoseView& pose,
                const GLKMatrix4& matrix) {
    const ZeltoMaterial* firstMaterial = scene.materials().data();
    json.out += "{";
    json.key("number");
    json.integer(model.number());
    json.out += ", ";
    json.key("name");
    json.text(model.name());
    json.out += ", ";
    json.key("facet");
    json.number(model.facet());
    json.out += ", ";
    json.key("matrix");
    json.matrix(matrix);
    json.out += ",\n  ";
    json.key("vertices");
    json.out += "[";
    for (size_t i = 0; i < model.vertices().size(); ++i) {
        const ZeltoVertex& v = model.vertices()[i];
        json.out += i ? ",\n   {" : "\n   {";
        json.key("pos");
        json.vector(v.pos);
        json.out += ", ";
        json.key("bone");
        json.integer(v.bone);
        json.out += ", ";
        json.key("affinePos");
        json.vector(pose.position(static_cast<uint32_t>(i)));
        json.out += "}";
    }
    json.out += "],\n  ";
    json.key("faces");
    json.out += "[";
    for (size_t i = 0; i < model.faces().size(); ++i) {
        const ZeltoFace& face = model.faces()[i];
        json.out += i ? ",\n   {" : "\n   {";
        json.key("material");
        if (face.material())
            json.integer(face.material() - firstMaterial);
        else
            json.out += "null";
        json.out += ", ";
        json.key("vertices");
        json.out += "[";
        for (int32_t k = 0; k < face.count(); ++k) {
            if (k) json.out += ", ";
            json.integer(face.corner(k).vertex);
        }
        json.out += "], ";
        json.key("uv");
        json.out += "[";
        for (int32_t k = 0; k < face.count(); ++k) {
            if (k) json.out += ", ";
            const GLKVector2 uv = face.corner(k).uv;
            const float values[] = {uv.x, uv.y};
            json.numbers(values);
        }
        json.out += "], ";
        json.key("normals");
        json.out += "[";
        for (int32_t k = 0; k < face.count(); ++k) {
            if (k) json.out += ", ";
            uint32_t link = face.corner(k).normal;
            json.integer(link >= ZeltoCorner::kNormalFlat ? -1 : static_cast<long long>(link));
        }
        json.out += "], ";
        json.key("faceNormal");
        json.vector(pose.faceNormal(face));
        json.out += "}";
    }
    json.out += "],\n  ";
    json.key("normals");
    json.out += "[";
    for (size_t i = 0; i < model.normals().size(); ++i) {
        json.out += i ? ",\n   {" : "\n   {";
        json.key("normal");
        json.vector(pose.sharedNormal(i));
        json.out += ", ";
        json.key("faces");
        json.out += "[";
        std::span<const uint32_t> faces = model.facesOfNormal(i);
        for (size_t k = 0; k < faces.size(); ++k) {
            if (k) json.out += ", ";
            json.integer(faces[k]);
        }
        json.out += "]}";
    }
    json.out += "],\n  ";
    json.key("animations");
    json.out += "[";
    for (size_t i = 0; i < model.animations().size(); ++i) {
        const ZeltoAnimation& animation = model.animations()[i];
        if (i) json.out += ", ";
        json.out += "{";
        json.key("name");
        json.text(animation.name());
        json.out += ", ";
        json.key("frames");
        json.integer(static_cast<long long>(animation.count()));
        json.out += "}";
    }
    json.out += "]}";
}

}  // namespace

std::string poseAndWriteJson(const Metasequoia& scene, std::optional<std::string_view> animation,
                             uint64_t time) {
    FramePose framePose(scene, animation, time);
    const std::optional<std::vector<GLKMatrix4>>& pose = framePose.boneList();

    JsonWriter json;
    json.out += "{";
    json.key("materials");
    json.out += "[";
    for (size_t i = 0; i < scene.materials().size(); ++i) {
        const ZeltoMaterial& m = scene.materials()[i];
        json.out += i ? ",\n  {" : "\n  {";
        json.key("name");
        json.text(m.name());
        json.out += ", ";
        json.key("color");
        Color c = m.color();
        const float rgba[] = {c.r, c.g, c.b, c.a};
        json.numbers(rgba);
        const std::pair<const char*, float> factors[] = {{"diffuse", m.diffuse()},
                                                         {"ambient", m.ambient()},
                                                         {"emissive", m.emissive()},
                                                         {"specular", m.specular()},
                                                         {"power", m.power()}};
        for (const auto& [name, value] : factors) {
            json.out += ", ";
            json.key(name);
            json.number(value);
        }
        json.out += ", ";
        json.key("texture");
        json.text(m.textureName());
        json.out += "}";
    }
    json.out += "],\n";
    json.key("models");
    json.out += "[";
    for (size_t i = 0; i < scene.models().size(); ++i) {
        const ZeltoModel& model = scene.models()[i];
        GLKMatrix4 matrix = framePose.modelMatrix(model);
        json.out += i ? ",\n " : "\n ";
        writeModel(json, scene, model, framePose.poseOf(model), matrix);
    }
    json.out += "],\n";
    json.key("bones");
    json.out += "[";
    for (size_t i = 0; i < scene.bones().size(); ++i) {
        const ZeltoAnimation& bone = scene.bones()[i];
        if (i) json.out += ", ";
        json.out += "{";
        json.key("name");
        json.text(bone.name());
        json.out += ", ";
        json.key("frames");
        json.out += "[";
        for (size_t k = 0; k < bone.tracks().size(); ++k) {
            if (k) json.out += ", ";
            json.integer(static_cast<long long>(bone.tracks()[k].size()));
        }
        json.out += "]}";
    }
    json.out += "],\n";
    json.key("animationNames");
    json.out += "[";
    std::vector<std::string> names = scene.animationNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) json.out += ", ";
        json.text(names[i]);
    }
    json.out += "],\n";
    json.key("pose");
    if (!pose) {
        json.out += "null";
    } else {
        json.out += "[";
        for (size_t i = 0; i < pose->size(); ++i) {
            if (i) json.out += ", ";
            json.matrix((*pose)[i]);
        }
        json.out += "]";
    }
    json.out += "}\n";
    return std::move(json.out);
}
