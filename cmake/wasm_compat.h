// SPDX-License-Identifier: GPL-3.0-or-later
// What Debian's emscripten 3.1.6 (its libc++ predates them) lacks of the C++20 library
// the core uses; included before every source of the WebAssembly build only.
#pragma once

#ifdef __cplusplus
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <type_traits>

#ifndef __cpp_lib_bit_cast
namespace std {
template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
             is_trivially_copyable_v<From>)
To bit_cast(const From& from) noexcept {
    To to;
    memcpy(&to, &from, sizeof(To));
    return to;
}
}  // namespace std
#endif

// Floating-point <charconv> as the standard defines it, over printf and strtod (the C
// locale, so a point). Its double overloads are missing; a double would otherwise bind
// to the deleted bool overloads.
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
namespace std {
inline to_chars_result to_chars(char* first, char* last, double value, chars_format fmt,
                                int precision) {
    char text[400];
    const int n = snprintf(text, sizeof text,
                           fmt == chars_format::scientific ? "%.*e"
                           : fmt == chars_format::fixed    ? "%.*f"
                                                           : "%.*g",
                           precision, value);
    if (n < 0 || n >= int(sizeof text) || n > last - first) return {last, errc::value_too_large};
    memcpy(first, text, size_t(n));
    return {first + n, errc()};
}

// The shortest text that reads back to `value`, fixed or scientific, whichever is
// shorter (fixed on a tie).
inline to_chars_result to_chars(char* first, char* last, double value) {
    char sci[64];
    if (value != value || value - value != 0) {  // nan, inf
        const int n = snprintf(sci, sizeof sci, "%g", value);
        if (n > last - first) return {last, errc::value_too_large};
        memcpy(first, sci, size_t(n));
        return {first + n, errc()};
    }
    int digits = 1;
    for (; digits < 17; ++digits) {
        snprintf(sci, sizeof sci, "%.*e", digits - 1, value);
        if (strtod(sci, nullptr) == value) break;
    }
    snprintf(sci, sizeof sci, "%.*e", digits - 1, value);
    // "-d.ddde+XX": sign, digits and exponent.
    const char* p = sci;
    string sign, mantissa;
    if (*p == '-') sign = "-", ++p;
    for (; *p != 'e'; ++p)
        if (*p != '.') mantissa += *p;
    const int exponent = atoi(p + 1);
    string fixed = sign;
    if (exponent >= 0) {
        string whole = mantissa.substr(0, min<size_t>(mantissa.size(), size_t(exponent) + 1));
        whole.append(size_t(exponent) + 1 - whole.size(), '0');
        fixed += whole;
        if (mantissa.size() > size_t(exponent) + 1)
            fixed += "." + mantissa.substr(size_t(exponent) + 1);
    } else {
        fixed += "0." + string(size_t(-exponent - 1), '0') + mantissa;
    }
    string scientific = sign + mantissa.substr(0, 1);
    if (mantissa.size() > 1) scientific += "." + mantissa.substr(1);
    char e[16];
    snprintf(e, sizeof e, "e%c%02d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    scientific += e;
    const string& best = fixed.size() <= scientific.size() ? fixed : scientific;
    if (ptrdiff_t(best.size()) > last - first) return {last, errc::value_too_large};
    memcpy(first, best.data(), best.size());
    return {first + best.size(), errc()};
}

// No blanks, no plus sign and no hexadecimal, as from_chars reads.
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
    const char* digits = first < last && *first == '-' ? first + 1 : first;
    if (digits == last || *digits == '+' || *digits == ' ' || *digits == '\t' ||
        *digits == '-')
        return {first, errc::invalid_argument};
    string text(first, last);
    if (last - digits > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        text.resize(size_t(digits + 1 - first));
    char* end = nullptr;
    errno = 0;
    const double v = strtod(text.c_str(), &end);
    if (end == text.c_str()) return {first, errc::invalid_argument};
    const char* stop = first + (end - text.c_str());
    if (errno == ERANGE && (v > 1 || v < -1)) return {stop, errc::result_out_of_range};
    value = v;
    return {stop, errc()};
}
}  // namespace std
#endif
#endif
