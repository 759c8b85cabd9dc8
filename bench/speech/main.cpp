// Markup building speed on a long mixed English/Chinese text.
// Prints "markup_mib_per_s: N", where a MiB is 1,048,576 bytes of the input
// text in UTF-8 (what a user would see as the file's size).

#include "EventPump.h"
#include "FollowReading.h"
#include "VoiceMarkup.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>

using namespace lectern::speech;

namespace {

QString mixedText(qsizetype utf8Bytes) {
    static const char16_t* const latin[] = {u"the ",     u"reader ",  u"speaks ", u"Chapter 3, ",
                                            u"version ", u"2024 ",    u"and ",    u"(see p. 12) ",
                                            u"Qt ",      u"e-mail: ", u"okay! ",  u"\"quoted\" "};
    static const char16_t chinese[] = u"的一是在不了有和人這中大為上個國我以要他時來用們生到作地於"
                                      u"出就分對成會可主發年動同工也能下過子說產種面而方後多定行學"
                                      u"，。、「」！？";
    const int chineseCount = int(std::size(chinese)) - 1;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    QString text;
    qsizetype bytes = 0;
    while (bytes < utf8Bytes) {
        if (next() % 2) {
            const int words = 1 + next() % 6;
            for (int i = 0; i < words; ++i) {
                const QString w = QString::fromUtf16(latin[next() % std::size(latin)]);
                text += w;
                bytes += w.size();
            }
        } else {
            const int chars = 2 + next() % 14;
            for (int i = 0; i < chars; ++i) {
                text += QChar(chinese[next() % chineseCount]);
                bytes += 3;
            }
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString text = mixedText(1 << 20);
    const double mib = double(text.toUtf8().size()) / (1 << 20);

    MarkupContext context;
    context.abc = buildProfileMarkup({QStringLiteral("English (America)"), -2, 100, 0},
                                     HeadVariant::Plain, false);
    context.other = buildProfileMarkup({QStringLiteral("Chinese (Mandarin)"), 0, 80, 10},
                                       HeadVariant::Plain, false);
    // The boxes' state, as the window keeps it.
    const std::atomic<ScriptConversion> conversion{ScriptConversion::None};
    context.conversionState = &conversion;
    EventPump pump;
    context.pump = &pump;

    double best = 1e9;
    qsizetype outSize = 0;
    for (int run = 0; run < 9; ++run) {
        QString current;
        QElapsedTimer t;
        t.start();
        const QString markup = BuildVoiceMarkup(text, CommaRule::AfterAbcRun, context, current);
        best = std::min(best, t.nsecsElapsed() / 1e9);
        outSize = markup.size();
    }
    std::printf("markup_mib_per_s: %.1f\n", mib / best);
    std::printf("markup_output_units_per_input_unit: %.2f\n", double(outSize) / text.size());

    // The repeated reading of a 10,000-character mixed selection.
    const QString selection = text.left(10000);
    double bestCycle = 1e9;
    for (int run = 0; run < 5; ++run) {
        QString current;
        QElapsedTimer t;
        t.start();
        const QString markup = BuildCycleMarkup(selection, context, current);
        bestCycle = std::min(bestCycle, t.nsecsElapsed() / 1e6);
        outSize = markup.size();
    }
    std::printf("speak_cycle_ms: %.1f\n", bestCycle);
    return 0;
}
