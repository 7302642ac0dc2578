#include "MQAFile.h"

#include <algorithm>
#include <cstdio>

#include "MQACompat.h"
#include "MQAUTF8.h"
#include "MQAReader.h"
#include "MQATreeBuilder.h"
#include "MQATreeWriter.h"

namespace {

MQAFile fileOf(std::string_view text, const MQAReadOptions& options, std::vector<MQAWarning> warnings = {}) {
    mqa::TreeBuilder builder;
    MQAReadResult read = mqa::readDocument(text, builder, options);
    MQAFile file;
    file.setType(std::move(read.type));
    file.setVersion(read.version);
    file.setBody(MQABlock::blockWithAttributes(builder.take()));
    warnings.insert(warnings.end(), read.warnings.begin(), read.warnings.end());
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const MQAWarning& a, const MQAWarning& b) { return a.line < b.line; });
    file.setWarnings(std::move(warnings));
    return file;
}

}  // namespace

MQAFile::MQAFile() = default;

MQAFile MQAFile::initWithString(std::string_view text) { return fileOf(text, MQAReadOptions()); }

MQAFile MQAFile::initWithString(std::string_view text, MQAReading reading) {
    if (reading == MQAReading::Strict) return initWithString(text);
    // What strict reading accepts, it reads; the rest is read leniently. Strict reading
    // of a document's bytes takes only UTF-8 (the text itself takes any bytes).
    try {
        if (!mqa::findInvalidUTF8(text)) return initWithString(text);
    } catch (const std::exception&) {
    }
    mqa::compat::PreparedText prepared = mqa::compat::prepareText(text);
    MQAReadOptions options;
    options.lenient = true;
    return fileOf(prepared.text, options, std::move(prepared.warnings));
}

std::string MQAFile::stringValue() const {
    std::string out;
    out.reserve(4096);
    out.append("Metasequoia Document\r\n");
    char version[64];
    std::snprintf(version, sizeof version, " Ver %.1f\r\n\r\n", static_cast<double>(_version));
    out.append("Format ").append(_type).append(version);
    mqa::TreeWriter writer(out);
    for (const MQAAttribute& attribute : _body.attributes()) writer.writeAttribute(attribute, 0);
    out.append("Eof\r\n");
    return out;
}
