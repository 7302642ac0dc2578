#pragma once

// Builds scenes from document bodies and reports build errors as text.

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
