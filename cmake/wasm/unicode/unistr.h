// SPDX-License-Identifier: GPL-3.0-or-later
// The part of ICU's UnicodeString the profile store uses to fold names, for the
// WebAssembly build only: ICU's data alone would outweigh the whole page. Folding goes
// through the C library's case mapping (upper, then lower, so that final sigma and the
// like meet their capitals); it differs from ICU's full folding only where one letter
// folds to several (ß and "ss", ligatures).
#pragma once

#include <wctype.h>
#include <cstdint>
#include <string>
#include <string_view>

namespace icu {

using StringPiece = std::string_view;

class UnicodeString {
  public:
    // Well-formed UTF-8 only: the store folds nothing else this way.
    static UnicodeString fromUTF8(StringPiece text) {
        UnicodeString s;
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
            char32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
            for (std::size_t k = 1; k <= extra && i + k < text.size(); ++k)
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            s.code_ += c;
            i += extra + 1;
        }
        return s;
    }

    UnicodeString& foldCase() {
        for (char32_t& c : code_) c = char32_t(towlower(towupper(wint_t(c))));
        return *this;
    }

    std::string& toUTF8String(std::string& out) const {
        for (const char32_t c : code_) {
            if (c < 0x80) {
                out += char(c);
            } else if (c < 0x800) {
                out += char(0xC0 | (c >> 6));
                out += char(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                out += char(0xE0 | (c >> 12));
                out += char(0x80 | ((c >> 6) & 0x3F));
                out += char(0x80 | (c & 0x3F));
            } else {
                out += char(0xF0 | (c >> 18));
                out += char(0x80 | ((c >> 12) & 0x3F));
                out += char(0x80 | ((c >> 6) & 0x3F));
                out += char(0x80 | (c & 0x3F));
            }
        }
        return out;
    }

  private:
    std::u32string code_;
};

}  // namespace icu
