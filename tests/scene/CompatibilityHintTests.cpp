// What a refused document would take to open, in plain words: each cause of a strict
// refusal that compatibility reading gets past, read the way the window reads a file it
// offers compatibility reading for.

#include <gtest/gtest.h>

#include "CompatibilityHint.h"
#include "FileBytes.h"
#include "Metasequoia.h"

namespace {

const std::string kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
const std::string kMaterial = "Material 1 {\r\n\t\"m\" col(1.000 0.500 0.250 1.000)\r\n}\r\n";

std::string triangleObject(const std::string& name = "o", const std::string& settings = "") {
    return "Object \"" + name + "\" {\r\n" + settings +
           "\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
           "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
}

std::string withLineFeeds(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    return text.replace(text.find(what), what.size(), with);
}

// The hint for a document strict reading refuses, read again for compatibility as the
// tools do; "(opens strictly)" or "(no hint)" otherwise.
std::string hintFor(const std::string& bytes) {
    try {
        Metasequoia::initWithData(bytes, MQAReading::Strict);
        return "(opens strictly)";
    } catch (const std::exception&) {
    }
    std::string hint = compatibilityHintFor(zelto::DocumentBytes(std::string(bytes)));
    return hint.empty() ? "(no hint)" : hint;
}

}  // namespace

TEST(CompatibilityHint, NamesEachCauseInPlainWords) {
    const std::string valid = kHeader + kMaterial + triangleObject() + "Eof\r\n";
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // a name in Shift_JIS
    struct Case {
        const char* cause;
        std::string document;
        std::string hint;
    } cases[] = {
        {"LF", withLineFeeds(valid), "LF line ends"},
        {"no blank line", replaced(valid, "\r\n\r\n", "\r\n"), "no blank line after the header"},
        {"newer format", replaced(valid, "Ver 1.0", "Ver 1.1"), "format 1.1 from a newer modeller"},
        {"byte-order mark", "\xEF\xBB\xBF" + valid, "a byte-order mark at the start"},
        {"Shift_JIS", kHeader + kMaterial + triangleObject(sjis) + "Eof\r\n", "Shift_JIS text rather than UTF-8"},
        {"exponents", replaced(valid, "1.0 0.0 0.0", "1e0 0.0 0.0"), "numbers in exponent notation"},
        {"integers among decimals", replaced(valid, "col(1.000", "col(1"), "integers among decimals"},
        {"no material", replaced(valid, kMaterial, ""), "faces naming no material"},
        {"binary thumbnail", replaced(valid, kMaterial, "Thumbnail 4 2 24 rgb raw 24 {\r\n\t00FF00AA00FF00AA\r\n}\r\n" + kMaterial),
         "a \"Thumbnail\" chunk that compatibility reading skips"},
        // Several causes at once, in the file's order; what strict reading says as well
        // (hidden and mirrored objects) and chunks it reads (a scene's settings) go unnamed.
        {"several", withLineFeeds(replaced(kHeader + "Scene {\r\n\tpos 0 0 1500\r\n}\r\n" + kMaterial +
                                               triangleObject("o", "\tvisible 0\r\n\tmirror 1\r\n") + "Eof\r\n",
                                           "Ver 1.0", "Ver 1.2")),
         "LF line ends and format 1.2 from a newer modeller"},
        {"binary vertices",
         replaced(valid, "\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n",
                  "\tBVertex 3 {\r\n\t\tVector 3 [36]\r\n" + std::string(36, '\0') + "\r\n\t}\r\n"),
         "binary vertices"},
        {"empty file", "", "the file is empty"},
        {"header and Eof", kHeader + "Eof\r\n", "a document with no chunks"},
        {"valid", valid, "(opens strictly)"},
        {"not a document", "Not a model\r\n", "(no hint)"},
    };
    for (const Case& c : cases) EXPECT_EQ(hintFor(c.document), c.hint) << c.cause;
}
