#include "ScriptConversion.h"

#include <array>
#include <string_view>

namespace lectern::speech {

namespace {

#include "conversion_common.inc"
#include "conversion_full.inc"

constexpr std::u16string_view SkipSet = u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
                                        u"VWXYZ,<.>/?;:'[{]}\\|=+-_)(`~!@#$%^&*";

constexpr ConversionTable CommonTable{CommonTraditional, CommonSimplified};
constexpr ConversionTable FullTable{FullTraditional, FullSimplified};

static_assert(SkipSet.size() == 93);
static_assert(CommonTable.traditional.size() == CommonTable.simplified.size());
static_assert(FullTable.traditional.size() == FullTable.simplified.size());

using Index = std::array<char16_t, 65536>;

// Every unit's answer in one direction, so a lookup costs one load whatever
// the table sizes. Filled so that the common table beats the full one and a
// character's first position in a table beats its later ones.
Index buildIndex(std::u16string_view ConversionTable::*from,
                 std::u16string_view ConversionTable::*to) {
    Index index;
    std::array<bool, 65536> answered{};
    for (int u = 0; u < 65536; ++u)
        index[u] = char16_t(u);
    for (char16_t ch : SkipSet)
        answered[ch] = true;
    for (const ConversionTable& table : {CommonTable, FullTable}) {
        const std::u16string_view keys = table.*from;
        const std::u16string_view values = table.*to;
        for (size_t p = 0; p < keys.size(); ++p) {
            if (answered[keys[p]])
                continue;
            answered[keys[p]] = true;
            index[keys[p]] = values[p];
        }
    }
    return index;
}

const Index& tradToSimpIndex() {
    static const Index index =
        buildIndex(&ConversionTable::traditional, &ConversionTable::simplified);
    return index;
}

const Index& simpToTradIndex() {
    static const Index index =
        buildIndex(&ConversionTable::simplified, &ConversionTable::traditional);
    return index;
}

} // namespace

char16_t TradToSimp(char16_t ch) {
    return tradToSimpIndex()[ch];
}

char16_t SimpToTrad(char16_t ch) {
    return simpToTradIndex()[ch];
}

bool isConversionSkipped(char16_t ch) {
    return SkipSet.find(ch) != std::u16string_view::npos;
}

ConversionTable commonConversionTable() {
    return CommonTable;
}

ConversionTable fullConversionTable() {
    return FullTable;
}

} // namespace lectern::speech
