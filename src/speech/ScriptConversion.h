#pragma once
#include <QChar>

#include <string_view>

namespace lectern::speech {

enum class ScriptConversion { None, TradToSimp, SimpToTrad };

// Per-character converters over the two conversion tables: the common table
// wins over the full one, and within a table the first position of the
// character wins. Digits, ASCII letters and most ASCII marks (the skip set)
// and characters in neither table come back unchanged. Each call is one
// lookup in an index built on first use.
char16_t TradToSimp(char16_t ch);
char16_t SimpToTrad(char16_t ch);

// Characters that are never converted.
bool isConversionSkipped(char16_t ch);

// One table: two sides of equal length whose characters correspond by position.
struct ConversionTable {
    std::u16string_view traditional;
    std::u16string_view simplified;
};
ConversionTable commonConversionTable();
ConversionTable fullConversionTable();

} // namespace lectern::speech
