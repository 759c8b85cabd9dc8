// Script conversion speed: a Traditional text to Simplified and a Simplified
// text to Traditional, one character at a time with the boxes' state read
// per character, as the reading commands do. Prints
// "conversion_mib_per_s: N" (the slower direction), where a MiB is 1,048,576
// bytes of the input text in UTF-8.

#include "ScriptConversion.h"
#include "VoiceMarkup.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string_view>

using namespace lectern::speech;

namespace {

// Keeps the loop's result alive.
volatile char16_t lastConverted;

// Characters drawn from one side of the full table, with some Latin words and
// punctuation between them, as a novel's text would have.
QString textFrom(std::u16string_view side, qsizetype utf8Bytes) {
    uint32_t seed = 2024;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    QString text;
    while (text.toUtf8().size() < utf8Bytes) {
        for (int i = 0; i < 4096; ++i) {
            const uint32_t r = next();
            if (r % 40 == 0)
                text += QStringLiteral(" Qt 6, ");
            else if (r % 17 == 0)
                text += QChar(u'，');
            else
                text += QChar(side[(r >> 8) % side.size()]);
        }
    }
    return text.left(text.size() * utf8Bytes / text.toUtf8().size());
}

double mibPerSecond(const QString& text, ScriptConversion direction) {
    const double mib = double(text.toUtf8().size()) / (1 << 20);
    const std::atomic<ScriptConversion> state{direction};
    double best = 1e9;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer t;
        t.start();
        QString out(text.size(), Qt::Uninitialized);
        auto* dst = reinterpret_cast<char16_t*>(out.data());
        const auto* src = reinterpret_cast<const char16_t*>(text.utf16());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const ScriptConversion d = state.load(std::memory_order_relaxed);
            dst[i] = d == ScriptConversion::None ? src[i] : convertCharacter(d, src[i]);
        }
        best = std::min(best, t.nsecsElapsed() / 1e9);
        lastConverted = out.back().unicode();
    }
    return mib / best;
}

} // namespace

int main() {
    const ConversionTable full = fullConversionTable();
    const double toSimplified =
        mibPerSecond(textFrom(full.traditional.substr(177), 1 << 20), ScriptConversion::TradToSimp);
    const double toTraditional =
        mibPerSecond(textFrom(full.simplified.substr(177), 1 << 20), ScriptConversion::SimpToTrad);
    std::printf("conversion_mib_per_s: %.1f\n", std::min(toSimplified, toTraditional));
    return 0;
}
