#pragma once

#include <string>
#include <string_view>

// A file name as a relative URI reference: every byte but letters, digits and "-._~"
// written as %XX (so "旗#1.bin" is "%E6%97%97%231.bin"); glTF readers decode it back.
std::string percentEncoded(std::string_view name);
