// zelto-inspect: reads a document and prints what the library makes of it.
//   zelto-inspect --tree FILE   the document tree written back as document text

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "MQAFile.h"
#include "MQAUTF8.h"

namespace {

constexpr int kReadError = 1;
constexpr int kFileError = 2;

int usage() {
    std::cerr << "usage: zelto-inspect --tree FILE\n";
    return kFileError;
}

std::optional<std::string> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(bytes).str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--tree") != 0) return usage();
    std::optional<std::string> bytes = readFile(argv[2]);
    if (!bytes) {
        std::cerr << "zelto-inspect: cannot read " << argv[2] << ": " << std::strerror(errno) << "\n";
        return kFileError;
    }
    if (std::optional<size_t> bad = mqa::findInvalidUTF8(*bytes)) {
        std::cerr << mqa::invalidUTF8Message(*bad) << "\n";
        return kReadError;
    }
    try {
        MQAFile file = MQAFile::initWithString(std::move(*bytes));
        std::string text = file.stringValue();
        std::fwrite(text.data(), 1, text.size(), stdout);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return kReadError;
    }
    return 0;
}
