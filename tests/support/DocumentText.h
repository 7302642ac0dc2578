#pragma once

// Helpers that build document text for tests: lines joined with CR LF inside the
// standard header and end marker.

#include <initializer_list>
#include <string>
#include <string_view>

inline std::string documentWithBody(std::string_view body) {
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
    text.append(body);
    text.append("Eof\r\n");
    return text;
}

inline std::string crlfLines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) text.append(line).append("\r\n");
    return text;
}

inline std::string document(std::initializer_list<std::string_view> lines) {
    return documentWithBody(crlfLines(lines));
}
