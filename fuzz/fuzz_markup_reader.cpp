// The engine's markup reader, fed as Speak feeds it, without audio. Checks
// what synthesis relies on: offsets inside the text and in order, prosody in
// range, silences bounded.

#include "FuzzInput.h"
#include "Markup.h"

#include <cstdlib>

using namespace lectern::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = lectern::fuzz::textFromBytes(data, size);
    const ProsodyState initial{QStringLiteral("gmw/en-US"), 0, 100, 0};
    const VoiceResolver resolve = [](QStringView name) {
        return name.startsWith(u"Chinese", Qt::CaseInsensitive) ? QStringLiteral("sit/cmn")
                                                                : QString();
    };
    SpeechMarkupReader reader(text, initial, resolve);
    int lastEnd = 0;
    while (auto segment = reader.next()) {
        if (segment->kind == SpeechSegment::Kind::Silence) {
            if (segment->silenceMs < 0 || segment->silenceMs > MaxSilenceMs)
                std::abort();
            continue;
        }
        const auto& offsets = segment->offsets;
        if (offsets.size() != size_t(segment->text.size()) + 1)
            std::abort();
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] < 0 || offsets[i] > text.size())
                std::abort();
            if (i > 0 && offsets[i] < offsets[i - 1])
                std::abort();
        }
        if (!offsets.empty() && offsets.front() < lastEnd)
            std::abort();
        if (!offsets.empty())
            lastEnd = offsets.back();
        const ProsodyState& p = segment->prosody;
        if (p.rate < -10 || p.rate > 10 || p.volume < 0 || p.volume > 100 || p.pitch < -100 ||
            p.pitch > 100)
            std::abort();
    }
    return 0;
}
