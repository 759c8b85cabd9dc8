#pragma once
#include <QChar>

namespace lectern::speech {

enum class ScriptConversion { None, TradToSimp, SimpToTrad };

// Per-character converters over the two conversion tables. Until the tables
// land they return the character unchanged.
char16_t TradToSimp(char16_t ch);
char16_t SimpToTrad(char16_t ch);

} // namespace lectern::speech
