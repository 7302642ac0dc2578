#pragma once

// Builds scenes from document bodies and reports build errors as text.

#include <cstdio>
#include <string>
#include <string_view>

#include "DocumentText.h"
#include "Metasequoia.h"

inline Metasequoia sceneOf(std::initializer_list<std::string_view> lines) {
    return Metasequoia::initWithString(document(lines));
}

// The reason a whole document's text fails to build, or "no error".
inline std::string buildErrorOfText(const std::string& text) {
    try {
        Metasequoia::initWithString(text);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

inline std::string buildError(std::initializer_list<std::string_view> lines) {
    return buildErrorOfText(document(lines));
}

inline GLKMatrix4 translationMatrix(float x, float y, float z) {
    GLKMatrix4 m = GLKMatrix4Identity;
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
    return m;
}

// A box object around a centre, its faces seen from outside, with material 0; `lines`
// open the object.
inline std::string boxObject(const std::string& name, GLKVector3 centre, GLKVector3 size,
                             const std::string& lines = "") {
    auto number = [](double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f", value);
        return std::string(text);
    };
    std::string text = "Object \"" + name + "\" {\r\n" + lines + "\tvertex 8 {\r\n";
    for (int i = 0; i < 8; ++i)
        text += "\t\t" + number(centre.x + (i & 1 ? size.x : -size.x) / 2) + " " +
                number(centre.y + (i & 2 ? size.y : -size.y) / 2) + " " +
                number(centre.z + (i & 4 ? size.z : -size.z) / 2) + "\r\n";
    return text + "\t}\r\n\tface 6 {\r\n\t\t4 V(0 1 3 2) M(0)\r\n\t\t4 V(4 6 7 5) M(0)\r\n\t\t4 V(0 4 5 1) M(0)\r\n"
                  "\t\t4 V(2 3 7 6) M(0)\r\n\t\t4 V(0 2 6 4) M(0)\r\n\t\t4 V(1 5 7 3) M(0)\r\n\t}\r\n}\r\n";
}

// A scene of these objects and one grey material.
inline Metasequoia sceneOfObjects(const std::string& objects) {
    return Metasequoia::initWithString(
        documentWithBody("Material 1 {\r\n\t\"m\" col(0.800 0.800 0.800 1.000)\r\n}\r\n" + objects));
}
