#include "ScriptConversion.h"

namespace lectern::speech {

// The conversion tables are not in yet; until then both directions leave the
// character as it is.
char16_t TradToSimp(char16_t ch) {
    return ch;
}
char16_t SimpToTrad(char16_t ch) {
    return ch;
}

} // namespace lectern::speech
