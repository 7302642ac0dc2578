#include "HostileDocuments.h"

#include <cmath>
#include <cstdio>

#include "DocumentGenerator.h"

namespace bench {
namespace {

constexpr const char* kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
constexpr const char* kMaterial = "Material 1 {\r\n\t\"grey\" col(0.700 0.700 0.700 1.000)\r\n}\r\n";

void appendf(std::string& out, const char* format, double a, double b, double c) {
    char line[96];
    int n = std::snprintf(line, sizeof line, format, a, b, c);
    out.append(line, static_cast<size_t>(n));
}

std::string repeated(std::string_view head, std::string_view line, size_t count, std::string_view tail) {
    std::string out(head);
    out.reserve(head.size() + line.size() * count + tail.size());
    for (size_t i = 0; i < count; ++i) out.append(line);
    out.append(tail);
    return out;
}

// Triangles (0, i, i + 1) around vertex 0, their far corners on a wavy circle.
std::string fan(size_t triangles) {
    std::string out = std::string(kHeader) + kMaterial + "Object \"fan\" {\r\n\tshading 1\r\n\tfacet 0\r\n";
    out.append("\tvertex " + std::to_string(triangles + 1) + " {\r\n\t\t0 0 0\r\n");
    for (size_t i = 0; i < triangles; ++i) {
        double angle = 2 * M_PI * static_cast<double>(i) / static_cast<double>(triangles);
        appendf(out, "\t\t%.5f %.5f %.5f\r\n", 100 * std::cos(angle), 10 * std::sin(7 * angle), 100 * std::sin(angle));
    }
    out.append("\t}\r\n\tface " + std::to_string(triangles) + " {\r\n");
    for (size_t i = 0; i < triangles; ++i)
        out.append("\t\t3 V(0 " + std::to_string(1 + i) + " " + std::to_string(1 + (i + 1) % triangles) + ")\r\n");
    out.append("\t}\r\n}\r\nEof\r\n");
    return out;
}

// A star of `points` points: its corners alternate between two radii, so every inner
// corner is concave.
std::string star(size_t points) {
    size_t corners = 2 * points;
    // Version 1.1, as strict reading keeps only the first four corners of a face.
    std::string out = std::string("Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n") + kMaterial;
    out.append("Object \"star\" {\r\n\tvertex ").append(std::to_string(corners)).append(" {\r\n");
    for (size_t i = 0; i < corners; ++i) {
        double angle = 2 * M_PI * static_cast<double>(i) / static_cast<double>(corners);
        double radius = i % 2 ? 60 : 100;
        appendf(out, "\t\t%.5f %.5f %.5f\r\n", radius * std::cos(angle), 0, radius * std::sin(angle));
    }
    out.append("\t}\r\n\tface 1 {\r\n\t\t" + std::to_string(corners) + " V(");
    for (size_t i = 0; i < corners; ++i) out.append(i ? " " : "").append(std::to_string(corners - 1 - i));
    out.append(")\r\n\t}\r\n}\r\nEof\r\n");
    return out;
}

// Triangles (0, i, i + 1) around vertex 0, nearly level: their normals are all but
// parallel and no two equal, the hardest case for grouping normals.
std::string levelFan(size_t triangles) {
    std::string out = std::string(kHeader) + kMaterial + "Object \"fan\" {\r\n\tshading 1\r\n\tfacet 0\r\n";
    out.append("\tvertex " + std::to_string(triangles + 1) + " {\r\n\t\t0 0 0\r\n");
    for (size_t i = 0; i < triangles; ++i) {
        double angle = 2 * M_PI * static_cast<double>(i) / static_cast<double>(triangles);
        appendf(out, "\t\t%.5f %.5f %.5f\r\n", 100 * std::cos(angle), 0.01 * std::sin(7 * angle), 100 * std::sin(angle));
    }
    out.append("\t}\r\n\tface " + std::to_string(triangles) + " {\r\n");
    for (size_t i = 0; i < triangles; ++i)
        out.append("\t\t3 V(0 " + std::to_string(1 + i) + " " + std::to_string(1 + (i + 1) % triangles) + ")\r\n");
    out.append("\t}\r\n}\r\nEof\r\n");
    return out;
}

// One face of the given corners (x, z), in the plane y = 0.
std::string onePolygon(const std::vector<std::pair<double, double>>& corners) {
    std::string out = std::string("Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n") + kMaterial;
    out.append("Object \"polygon\" {\r\n\tvertex ").append(std::to_string(corners.size())).append(" {\r\n");
    for (auto [x, z] : corners) appendf(out, "\t\t%.4f %.4f %.4f\r\n", x, 0, z);
    out.append("\t}\r\n\tface 1 {\r\n\t\t" + std::to_string(corners.size()) + " V(");
    for (size_t i = 0; i < corners.size(); ++i) out.append(i ? " " : "").append(std::to_string(i));
    out.append(")\r\n\t}\r\n}\r\nEof\r\n");
    return out;
}

// A band wound round and round: out along its outer edge, back along its inner one,
// a thousand corners to each turn of each edge.
std::string spiral(size_t turns) {
    const size_t side = 1000 * turns;
    std::vector<std::pair<double, double>> corners;
    for (int edge = 0; edge < 2; ++edge)
        for (size_t k = 0; k < side; ++k) {
            double t = 2 * M_PI * static_cast<double>(edge == 0 ? k : side - 1 - k) / 1000;
            double r = 10 * (1 + t / (2 * M_PI)) + (edge == 0 ? 0 : 5);
            corners.push_back({r * std::cos(t), r * std::sin(t)});
        }
    return onePolygon(corners);
}

// A U whose inside edge is a comb of `teeth` teeth of many lengths.
std::string comb(size_t teeth) {
    const double width = 2.0 * static_cast<double>(teeth) + 1;
    std::vector<std::pair<double, double>> corners = {{-2, -10}, {width + 2, -10}, {width + 2, 50}, {width, 50}};
    for (size_t t = teeth; t > 0; --t) {
        double x = 2.0 * static_cast<double>(t), tip = 49 - static_cast<double>(t * 7919 % 40);
        corners.insert(corners.end(), {{x, 0}, {x, tip}, {x - 1, tip}, {x - 1, 0}});
    }
    corners.insert(corners.end(), {{0, 0}, {0, 50}, {-2, 50}});
    return onePolygon(corners);
}

std::string claims(size_t objects) {
    std::string out(kHeader);
    for (size_t i = 0; i < objects; ++i)
        out.append("Object \"o" + std::to_string(i) +
                   "\" {\r\n\tvertex 2147483647 {\r\n\t}\r\n\tface 2147483647 {\r\n\t}\r\n}\r\n");
    out.append("Eof\r\n");
    return out;
}

// A Shift_JIS document (its names are not UTF-8) followed by comment lines that end in
// "]", as a scan for binary data might take them.
std::string shiftJISComments(size_t lines) {
    const std::string name = "\x83\x65\x83\x58\x83\x67";  // "test" in katakana
    std::string head = std::string(kHeader) + "Material 1 {\r\n\t\"" + name + "\" col(0.700 0.700 0.700 1.000)\r\n}\r\n" +
                       "Object \"" + name + "\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n" +
                       "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
    return repeated(head, "# see the notes on the model above]\r\n", lines, "Eof\r\n");
}

std::string withLineFeeds(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r') out.push_back(c);
    return out;
}

}  // namespace

const std::vector<HostileKind>& hostileKinds() {
    static const std::vector<HostileKind> kinds = {{"thumbnails", true}, {"fan", false},      {"claims", false},
                                                   {"nesting", false},   {"long-line", false}, {"lf", true},
                                                   {"polygon", true},    {"lone-cr", true},
                                                   {"sjis-comments", true}, {"level-fan", false},
                                                   {"spiral", true},     {"comb", true}};
    return kinds;
}

std::string generateHostile(std::string_view kind, size_t scale) {
    if (kind == "thumbnails") return repeated(kHeader, "Thumbnail 64 64 24 {\r\n", 2000000 * scale, "Eof\r\n");
    if (kind == "fan") return fan(60000 * scale);
    if (kind == "claims") return claims(4000 * scale);
    if (kind == "nesting") {
        std::string open = repeated(kHeader, "a {\r\n", 600000 * scale, "");
        return repeated(open, "}\r\n", 600000 * scale, "Eof\r\n");
    }
    if (kind == "long-line") return repeated(std::string(kHeader) + "x", " 1.5", 3000000 * scale, "\r\nEof\r\n");
    if (kind == "lf") return withLineFeeds(generateDocument(200000 * scale));
    if (kind == "polygon") return star(40000 * scale);
    if (kind == "level-fan") return levelFan(100000 * scale);
    if (kind == "spiral") return withLineFeeds(spiral(50 * scale));
    if (kind == "comb") return comb(62500 * scale);
    if (kind == "lone-cr") return repeated(std::string(kHeader) + "x", "\r# a comment\n", 3000000 * scale, "\r\nEof\r\n");
    if (kind == "sjis-comments") return shiftJISComments(1500000 * scale);
    return {};
}

}  // namespace bench
