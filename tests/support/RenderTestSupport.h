#pragma once

// Helpers for drawing-layer tests over the recording GL.

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingGL.h"

inline size_t countCalls(const std::vector<GLCall>& calls, const std::string& name) {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(),
                                             [&](const GLCall& c) { return c.name == name; }));
}

inline GLCall call(std::string name, std::vector<GLenum> enums = {}, std::vector<GLfloat> values = {}) {
    return GLCall{std::move(name), std::move(enums), std::move(values)};
}

inline bool operator==(const GLCall& a, const GLCall& b) {
    return a.name == b.name && a.enums == b.enums && a.values == b.values;
}

inline std::ostream& operator<<(std::ostream& out, const GLCall& c) {
    out << c.name << "(";
    for (GLenum e : c.enums) out << "0x" << std::hex << e << std::dec << " ";
    for (GLfloat v : c.values) out << v << " ";
    return out << ")";
}
