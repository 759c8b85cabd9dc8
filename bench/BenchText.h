#pragma once

#include <QString>

namespace lectern::bench {

// Plain English prose of `words` words with a full stop every twelve, the
// same for every run so figures compare.
inline QString englishText(int words) {
    static const char* list[] = {"reading", "the",    "quiet",  "river",   "carries", "light",
                                 "across",  "stone",  "and",    "morning", "voices",  "speak",
                                 "of",      "gentle", "winter", "gardens", "beneath", "open"};
    QString s;
    for (int i = 0; i < words; ++i) {
        s += QString::fromLatin1(list[(i * 7 + i / 18) % 18]);
        s += (i % 12 == 11) ? QStringLiteral(". ") : QStringLiteral(" ");
    }
    return s;
}

} // namespace lectern::bench
