#include "CodePage.h"

#include <cstdint>

namespace lectern::speech {

namespace {
constexpr uint8_t kWide[8192] = {
#include "cp950_wide.inc"
};
} // namespace

bool isWideInCodePage950(char16_t unit) {
    return (kWide[unit >> 3] >> (unit & 7)) & 1;
}

bool isWideUnit(char16_t unit) {
    const auto in = [unit](char16_t first, char16_t last) { return unit >= first && unit <= last; };
    return isWideInCodePage950(unit) || in(0x3400, 0x4DBF) || in(0x4E00, 0x9FFF) ||
           in(0xF900, 0xFAFF) || in(0x3000, 0x303F) || in(0xFF01, 0xFF60) || in(0xFFE0, 0xFFE6);
}

int legacyByteCount(QStringView text) {
    int bytes = 0;
    for (QChar c : text)
        bytes += isWideUnit(c.unicode()) ? 2 : 1;
    return bytes;
}

} // namespace lectern::speech
