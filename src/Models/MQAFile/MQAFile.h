#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MQABlock.h"
#include "MQAException.h"

// How a document is read: exactly by the grammar, or also as modellers and exporters
// write it (compatibility reading). Compatibility reading gives what strict reading
// gives for every document strict reading accepts; for the others it reads the bytes
// as their code page says (a byte-order mark skipped), the header of versions 1.1 and
// 1.2 and without its blank line, and the body leniently (see MQAReadOptions), and
// warns about each liberty it takes.
enum class MQAReading { Strict, Compatible };

// A whole document: the header's format type and version, and the body's attributes.
class MQAFile {
public:
    MQAFile();  // type "Text", version 1.0, empty body

    // Reads a whole document; throws MQAException with the reason text on malformed input.
    static MQAFile initWithString(std::string_view text);
    static MQAFile initWithString(std::string_view text, MQAReading reading);

    std::string stringValue() const;

    const std::string& type() const { return _type; }
    void setType(std::string type) { _type = std::move(type); }
    float version() const { return _version; }
    void setVersion(float version) { _version = version; }
    const MQABlock& body() const { return _body; }
    MQABlock& body() { return _body; }
    void setBody(MQABlock body) { _body = std::move(body); }

    // What reading left out or changed without an error, such as text after the body's end.
    const std::vector<MQAWarning>& warnings() const { return _warnings; }
    void setWarnings(std::vector<MQAWarning> warnings) { _warnings = std::move(warnings); }

private:
    std::string _type = "Text";
    float _version = 1.0f;
    MQABlock _body;
    std::vector<MQAWarning> _warnings;
};
