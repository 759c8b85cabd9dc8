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

int codePage950ByteCount(QStringView text) {
    int bytes = 0;
    for (QChar c : text)
        bytes += isWideInCodePage950(c.unicode()) ? 2 : 1;
    return bytes;
}

} // namespace lectern::speech
