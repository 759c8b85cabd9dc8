#include "VoiceMarkup.h"

#include "CodePage.h"
#include "EventPump.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace lectern::speech {

const char16_t NeutralChars[29] = {u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8',  u'9',  u'0',
                                   u'.', u',', u' ', u'/', u'+', u'-', u'*', u':',  u'\'', u'"',
                                   u'@', u'#', u'$', u'%', u'^', u'&', u'|', u'\\', u';'};

namespace {

enum UnitClass : uint8_t { Narrow, Wide, Neutral };

// One lookup per unit instead of a set search and a code-page test.
const std::array<uint8_t, 65536>& unitClasses() {
    static const auto table = [] {
        std::array<uint8_t, 65536> t{};
        for (int u = 0; u < 65536; ++u)
            t[u] = isWideInCodePage950(char16_t(u)) ? Wide : Narrow;
        for (char16_t n : NeutralChars)
            t[n] = Neutral;
        return t;
    }();
    return table;
}

} // namespace

bool isNeutral(char16_t unit) {
    return std::ranges::find(NeutralChars, unit) != std::end(NeutralChars);
}

char16_t convertCharacter(ScriptConversion direction, char16_t ch) {
    switch (direction) {
    case ScriptConversion::TradToSimp:
        return TradToSimp(ch);
    case ScriptConversion::SimpToTrad:
        return SimpToTrad(ch);
    case ScriptConversion::None:
        break;
    }
    return ch;
}

ProfileMarkup buildProfileMarkup(const VoiceProfile& profile, HeadVariant variant, bool ownMarkup) {
    if (ownMarkup)
        return {};
    QString head = variant == HeadVariant::Plain ? QStringLiteral("<VOICE REQUIRED=\"NAME=")
                                                 : QStringLiteral("<VOICE REQUIRED=\" NAME=");
    head += profile.voiceName;
    head += QStringLiteral("\"><volume level=\"") + QString::number(profile.volume);
    head += QStringLiteral("\"><rate speed=\"") + QString::number(profile.speed);
    head += QStringLiteral("\"><pitch middle=\"") + QString::number(profile.pitch);
    head += QStringLiteral("\">");
    return {head, QStringLiteral("</pitch></rate></volume></VOICE><silence msec=\"0\"/>")};
}

QString BuildVoiceMarkup(QStringView text, CommaRule rule, const MarkupContext& context,
                         QString& currentRunText) {
    QString output;
    if (text.isEmpty())
        return output;

    const auto& classes = unitClasses();
    const QStringView comma = u", ";
    const bool commaAfterEvery = rule == CommaRule::AfterEveryRun;

    // Neutral characters before the first letter follow the script of the
    // text's opening: decided once, on the text as given, before conversion.
    const QStringView opening = text.first(std::min<qsizetype>(text.size(), 20));
    const RunKind leadingKind =
        codePage950ByteCount(opening) > opening.size() ? RunKind::Other : RunKind::Abc;

    // Markup adds a fixed head and tail per run; most texts change script
    // every few dozen characters.
    const qsizetype perRun = std::max(context.abc.head.size() + context.abc.tail.size(),
                                      context.other.head.size() + context.other.tail.size());
    output.reserve(text.size() + text.size() / 16 * (perRun + 2) + perRun + 2);

    // At most one run is open at a time, so one buffer serves both kinds.
    QString run;
    run.reserve(256);
    RunKind kind = RunKind::Abc;

    auto flush = [&](bool withComma) {
        const ProfileMarkup& m = kind == RunKind::Abc ? context.abc : context.other;
        output += m.head;
        output += run;
        if (withComma)
            output += comma;
        output += m.tail;
        // Keeps the state's buffer rather than sharing the run's, so the next
        // run does not allocate.
        currentRunText.resize(0);
        currentRunText += run;
        run.resize(0);
    };

    for (const QChar original : text) {
        char16_t ch = original.unicode();
        if (context.conversion) {
            const ScriptConversion direction = context.conversion();
            if (direction != ScriptConversion::None)
                ch = context.convert(direction, ch);
        }
        const uint8_t cls = classes[ch];
        if (cls == Neutral) {
            if (run.isEmpty())
                kind = leadingKind;
            run += QChar(ch);
            continue;
        }
        if (context.pump)
            context.pump->maybePump();
        const RunKind wanted = cls == Wide ? RunKind::Other : RunKind::Abc;
        if (!run.isEmpty() && kind != wanted)
            flush(kind == RunKind::Abc || commaAfterEvery);
        kind = wanted;
        run += QChar(ch);
    }
    if (!run.isEmpty())
        flush(commaAfterEvery);
    return output;
}

} // namespace lectern::speech
