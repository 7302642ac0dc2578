#include "DocumentGenerator.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <map>
#include <vector>

namespace bench {
namespace {

// printf into the document, of any length.
void appendf(std::string& out, const char* format, auto... args) {
    char buffer[256];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<size_t>(n));
        return;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) + 1);
    std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, format, args...);
    out.resize(at + static_cast<size_t>(n));
}

}  // namespace

std::string generateDocument(size_t faces, bool bones) {
    // Half the grid cells are quads and half are split into two triangles, so three
    // faces take two cells.
    size_t cells = (faces * 2 + 2) / 3;
    size_t columns = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(cells))));
    size_t rows = (cells + columns - 1) / columns;
    size_t vertices = (columns + 1) * (rows + 1);

    std::string out;
    out.reserve(faces * 100 + vertices * 30 + 4096);
    out.append("Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n");
    out.append("Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tlookat 0.0000 0.0000 0.0000\r\n}\r\n");
    out.append("Material 2 {\r\n");
    out.append("\t\"skin\" shader(3) col(0.800 0.700 0.600 1.000) dif(0.800) amb(0.600) "
               "emi(0.000) spc(0.000) power(5.00) tex(\"skin.png\")\r\n");
    out.append("\t\"cloth\" shader(3) col(0.200 0.300 0.900 1.000) dif(0.800) amb(0.600) "
               "emi(0.000) spc(0.500) power(30.00)\r\n");
    out.append("}\r\n");
    out.append("Object \"surface\" {\r\n\tdepth 0\r\n\tfolding 0\r\n\tvisible 15\r\n\tlocking 0\r\n");
    out.append("\tshading 1\r\n\tfacet 59.5\r\n\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n");
    appendf(out, "\tvertex %zu {\r\n", vertices);
    for (size_t r = 0; r <= rows; ++r)
        for (size_t c = 0; c <= columns; ++c) {
            double x = (static_cast<double>(c) - columns / 2.0) * 1.5;
            double z = (static_cast<double>(r) - rows / 2.0) * 1.5;
            double y = 20.0 * std::sin(x * 0.05) * std::cos(z * 0.07);
            if (bones)
                appendf(out, "\t\t%.4f %.4f %.4f b(%zu)\r\n", x, y, z,
                        (r * 2 / (rows + 1)) * 2 + c * 2 / (columns + 1));
            else
                appendf(out, "\t\t%.4f %.4f %.4f\r\n", x, y, z);
        }
    out.append("\t}\r\n");
    appendf(out, "\tface %zu {\r\n", faces);
    size_t written = 0;
    for (size_t cell = 0; written < faces; ++cell) {
        size_t r = cell / columns, c = cell % columns;
        size_t a = r * (columns + 1) + c, b = a + 1, d = a + columns + 1, e = d + 1;
        double u0 = static_cast<double>(c) / columns, u1 = static_cast<double>(c + 1) / columns;
        double v0 = static_cast<double>(r) / rows, v1 = static_cast<double>(r + 1) / rows;
        int material = static_cast<int>(cell / 7 % 2);
        if (cell % 2 == 0) {
            appendf(out, "\t\t4 V(%zu %zu %zu %zu) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n",
                    a, d, e, b, material, u0, v0, u0, v1, u1, v1, u1, v0);
            ++written;
        } else {
            appendf(out, "\t\t3 V(%zu %zu %zu) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f)\r\n", a, d, e,
                    material, u0, v0, u0, v1, u1, v1);
            if (++written == faces) break;
            appendf(out, "\t\t3 V(%zu %zu %zu) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f)\r\n", a, e, b,
                    material, u0, v0, u1, v1, u1, v0);
            ++written;
        }
    }
    out.append("\t}\r\n}\r\n");
    if (bones) {
        out.append("BoneAnimation \"sway\" {\r\n");
        for (int bone = 0; bone < 4; ++bone) {
            appendf(out, "\tbone %d {\r\n", bone);
            for (int frame = 0; frame < 30; ++frame) {
                double lift = 40.0 * std::sin(6.283185307179586 * (frame / 30.0 + bone / 4.0));
                appendf(out, "\t\t1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 %.4f 0.0 1.0\r\n", lift);
            }
            out.append("\t}\r\n");
        }
        out.append("}\r\n");
    }
    out.append("Eof\r\n");
    return out;
}

std::string generateObj(size_t faces) {
    size_t cells = (faces * 2 + 2) / 3;
    size_t columns = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(cells))));
    size_t rows = (cells + columns - 1) / columns;
    std::string out;
    out.reserve(faces * 60 + (columns + 1) * (rows + 1) * 50);
    out.append("# the generated surface\nmtllib surface.mtl\no surface\n");
    for (size_t r = 0; r <= rows; ++r)
        for (size_t c = 0; c <= columns; ++c) {
            double x = (static_cast<double>(c) - columns / 2.0) * 1.5;
            double z = (static_cast<double>(r) - rows / 2.0) * 1.5;
            double y = 20.0 * std::sin(x * 0.05) * std::cos(z * 0.07);
            appendf(out, "v %.4f %.4f %.4f\n", x, y, z);
        }
    // One texture coordinate per grid point, as the document's faces give them.
    for (size_t r = 0; r <= rows; ++r)
        for (size_t c = 0; c <= columns; ++c)
            appendf(out, "vt %.5f %.5f\n", static_cast<double>(c) / columns, static_cast<double>(r) / rows);
    size_t written = 0;
    int current = -1;
    for (size_t cell = 0; written < faces; ++cell) {
        size_t r = cell / columns, c = cell % columns;
        size_t a = r * (columns + 1) + c + 1, b = a + 1, d = a + columns + 1, e = d + 1;  // 1-based
        int material = static_cast<int>(cell / 7 % 2);
        if (material != current) {
            out.append(material ? "usemtl cloth\n" : "usemtl skin\n");
            current = material;
        }
        if (cell % 2 == 0) {
            appendf(out, "f %zu/%zu %zu/%zu %zu/%zu %zu/%zu\n", a, a, d, d, e, e, b, b);
            ++written;
        } else {
            appendf(out, "f %zu/%zu %zu/%zu %zu/%zu\n", a, a, d, d, e, e);
            if (++written == faces) break;
            appendf(out, "f %zu/%zu %zu/%zu %zu/%zu\n", a, a, e, e, b, b);
            ++written;
        }
    }
    return out;
}

std::string generateSphere(size_t faces, bool obj) {
    // `segments` around, `rings` from pole to pole: segments * rings faces.
    size_t rings = std::max<size_t>(2, static_cast<size_t>(std::sqrt(static_cast<double>(faces) / 2)));
    size_t segments = std::max<size_t>(3, faces / rings);
    const double pi = 3.14159265358979323846;
    std::string out;
    out.reserve(segments * rings * (obj ? 60 : 110) + 4096);
    auto point = [&](size_t ring, size_t segment) {  // ring 1 to rings - 1
        double theta = pi * static_cast<double>(ring) / static_cast<double>(rings);
        double phi = 2 * pi * static_cast<double>(segment) / static_cast<double>(segments);
        appendf(out, obj ? "v %.4f %.4f %.4f\n" : "\t\t%.4f %.4f %.4f\r\n", 100 * std::sin(theta) * std::cos(phi),
                100 * std::cos(theta), 100 * std::sin(theta) * std::sin(phi));
    };
    // Vertex 0 is the top pole, then the rings in turn, then the bottom pole.
    auto vertexAt = [&](size_t ring, size_t segment) -> size_t {
        if (ring == 0) return 0;
        if (ring == rings) return 1 + (rings - 1) * segments;
        return 1 + (ring - 1) * segments + segment % segments;
    };
    size_t vertices = 2 + (rings - 1) * segments;
    if (obj) {
        out.append("# a UV sphere\nmtllib sphere.mtl\no sphere\nv 0.0000 100.0000 0.0000\n");
    } else {
        out.append("Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n");
        out.append("Material 2 {\r\n\t\"upper\" shader(3) col(0.800 0.700 0.600 1.000) dif(0.800) amb(0.600) "
                   "emi(0.000) spc(0.000) power(5.00) tex(\"upper.png\")\r\n\t\"lower\" shader(3) "
                   "col(0.200 0.300 0.900 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.500) power(30.00)\r\n}\r\n");
        out.append("Object \"sphere\" {\r\n\tvisible 15\r\n\tshading 1\r\n\tfacet 59.5\r\n");
        appendf(out, "\tvertex %zu {\r\n\t\t0.0000 100.0000 0.0000\r\n", vertices);
    }
    for (size_t ring = 1; ring < rings; ++ring)
        for (size_t segment = 0; segment < segments; ++segment) point(ring, segment);
    out.append(obj ? "v 0.0000 -100.0000 0.0000\n" : "\t\t0.0000 -100.0000 0.0000\r\n\t}\r\n");
    // Texture coordinates on a grid of (segments + 1) x (rings + 1), one per corner.
    auto uvIndex = [&](size_t ring, size_t segment) { return 1 + ring * (segments + 1) + segment; };
    if (obj) {
        for (size_t ring = 0; ring <= rings; ++ring)
            for (size_t segment = 0; segment <= segments; ++segment)
                appendf(out, "vt %.5f %.5f\n", static_cast<double>(segment) / segments,
                        static_cast<double>(ring) / rings);
    } else {
        appendf(out, "\tface %zu {\r\n", segments * rings);
    }
    for (size_t ring = 0; ring < rings; ++ring) {
        int material = ring < rings / 2 ? 0 : 1;
        if (obj && (ring == 0 || ring == rings / 2)) out.append(material ? "usemtl lower\n" : "usemtl upper\n");
        for (size_t segment = 0; segment < segments; ++segment) {
            // Corners counter-clockwise seen from outside; the poles' faces are triangles.
            size_t corners[4][2] = {{ring, segment}, {ring + 1, segment}, {ring + 1, segment + 1}, {ring, segment + 1}};
            std::vector<size_t> keep = {0, 1, 2, 3};
            if (ring == 0) keep = {0, 1, 2};
            if (ring == rings - 1) keep = {0, 1, 3};
            if (obj) {
                out.append("f");
                for (size_t k : keep)
                    appendf(out, " %zu/%zu", vertexAt(corners[k][0], corners[k][1]) + 1, uvIndex(corners[k][0], corners[k][1]));
                out.append("\n");
                continue;
            }
            appendf(out, "\t\t%zu V(", keep.size());
            for (size_t k : keep) appendf(out, k == keep.front() ? "%zu" : " %zu", vertexAt(corners[k][0], corners[k][1]));
            appendf(out, ") M(%d) UV(", material);
            for (size_t k : keep)
                appendf(out, k == keep.front() ? "%.5f %.5f" : " %.5f %.5f",
                        static_cast<double>(corners[k][1]) / segments, static_cast<double>(corners[k][0]) / rings);
            out.append(")\r\n");
        }
    }
    if (!obj) out.append("\t}\r\n}\r\nEof\r\n");
    return out;
}

const std::string& cachedDocument(size_t faces, bool bones) {
    static std::map<std::pair<size_t, bool>, std::string> cache;
    auto it = cache.find({faces, bones});
    if (it == cache.end()) it = cache.emplace(std::pair(faces, bones), generateDocument(faces, bones)).first;
    return it->second;
}

}  // namespace bench
