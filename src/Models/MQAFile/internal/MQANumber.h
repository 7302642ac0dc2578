#pragma once

// Conversions between numbers and the document's text forms.

#include <cstdint>
#include <string>
#include <string_view>

namespace mqa {

// "-?\d+\.\d+" to the nearest 32-bit float (correctly rounded).
float parseFloat(std::string_view text);

// Leading number of a free text (whitespace skipped, optional sign); 0 when there is none.
int32_t leadingInt(std::string_view text);
float leadingFloat(std::string_view text);

// A float in the %g form of the given precision (7 for 32-bit values, 16 for 64-bit),
// rewritten where needed so that the float pattern reads it back: 15 -> "15.0",
// 1e-05 -> "0.00001". Infinities are written as a number too large for a 32-bit float.
void appendFloat(std::string& out, double value, int precision);
void appendInt(std::string& out, int32_t value);

// The nearest float; beyond the largest float, infinity (a plain conversion would be
// undefined there).
float narrowToFloat(double value);

// Saturating conversion toward zero; NaN gives 0.
int32_t truncateToInt(double value);

}  // namespace mqa
