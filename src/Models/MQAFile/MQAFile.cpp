#include "MQAFile.h"

#include <cstdio>
#include <algorithm>
#include <optional>
#include <system_error>

#include "MQAEnvelope.h"
#include "MQAException.h"
#include "MQAFileReading.h"
#include "MQAMemory.h"
#include "MQANumber.h"
#include "MQAReadAhead.h"
#include "MQAScan.h"
#include "MQATextStorage.h"
#include "MQATreeReader.h"
#include "MQATreeWriter.h"

namespace {

constexpr std::string_view kUnit = "MQAFile";
constexpr int kNotMQALine = 74;
constexpr int kTypeLine = 79;
constexpr int kVersionLine = 85;

std::string formatVersion(const char* format, float version) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(version));
    return buffer;
}

// Checks the header, type and version; returns the body bounds.
mqa::EnvelopeMatch checkEnvelope(std::string_view text, MQAFile& file) {
    std::optional<mqa::EnvelopeMatch> match = mqa::matchEnvelope(text);
    if (!match) MQARaise("This is not MQA file.", kUnit, kNotMQALine);
    file.setType(std::string(match->type));
    if (!mqa::equalsIgnoringCase(match->type, "text"))
        MQARaise("'" + file.type() + "' type is unsupported.", kUnit, kTypeLine);
    file.setVersion(mqa::parseFloat(match->version));
    if (file.version() != 1.0f)
        MQARaise(formatVersion("Ver %.1f is unsupported.", file.version()), kUnit, kVersionLine);
    return *match;
}

// Removes comment and blank lines from text[start, end) and reads the attributes.
MQABlock readBody(std::string&& text, size_t start, size_t end, const MQAReadOptions& options) {
    end = mqa::removeCommentLines(text, start, end);
    end = mqa::removeBlankLines(text, start, end);
    text.resize(end);
    MQATextStorage storage(std::move(text));
    storage.setRange({start, end - start});
    // Declared after the storage it reads, so its thread has ended before the text goes.
    std::optional<MQAReadAhead> readAhead;
    if (end - start >= options.readAheadBytes) {
        size_t from = options.readAheadFrom ? start + options.readAheadFrom : start + (end - start) / 2;
        const char* base = storage.text().data();
        if (const char* lineStart = MQAReadAhead::lineStartAfter(base + std::min(from, end), base + end)) {
            try {
                readAhead.emplace(lineStart, base + end);
            } catch (const std::system_error&) {
                // No thread to be had: read alone, which gives the same result.
            }
        }
    }
    MQABlock body;
    MQATreeReader reader(storage);
    reader.setReadAhead(readAhead ? &*readAhead : nullptr);
    reader.readList(body.attributes());
    return body;
}

}  // namespace

MQAFile::MQAFile() = default;

MQAFile MQAFile::initWithString(std::string_view text) {
    MQAFile file;
    mqa::EnvelopeMatch match = checkEnvelope(text, file);
    std::string body(text.substr(match.bodyStart, match.bodyEnd - match.bodyStart));
    size_t length = body.size();
    file._body = readBody(std::move(body), 0, length, MQAReadOptions());
    mqa::returnThreadSlab();
    return file;
}

MQAFile MQAFile::initWithString(std::string&& text) {
    return mqa::readDocument(std::move(text), MQAReadOptions());
}

MQAFile mqa::readDocument(std::string&& text, const MQAReadOptions& options) {
    MQAFile file;
    mqa::EnvelopeMatch match = checkEnvelope(text, file);
    file.setBody(readBody(std::move(text), match.bodyStart, match.bodyEnd, options));
    // This thread's partly used tree memory goes back once the tree lets it go, instead
    // of staying with the thread until its next document or its end.
    mqa::returnThreadSlab();
    return file;
}

std::string MQAFile::stringValue() const {
    MQATextStorage storage;
    std::string& out = storage.text();
    out.append("Metasequoia Document\r\n");
    out.append("Format ").append(_type).append(formatVersion(" Ver %.1f\r\n\r\n", _version));
    MQATreeWriter writer(out);
    for (const MQAAttribute& attribute : _body.attributes()) writer.writeAttribute(attribute, 0);
    out.append("Eof\r\n");
    return std::move(out);
}
