#include "PercentEncoding.h"

std::string percentEncoded(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    uri.reserve(name.size());
    for (char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                                byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (unreserved) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}
