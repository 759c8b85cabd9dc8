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
            t[u] = isWideUnit(char16_t(u)) ? Wide : Narrow;
        for (char16_t n : NeutralChars)
            t[n] = Neutral;
        return t;
    }();
    return table;
}

} // namespace

RunKind leadingRunKind(QStringView text) {
    const QStringView opening = text.first(std::min<qsizetype>(text.size(), 20));
    return legacyByteCount(opening) > opening.size() ? RunKind::Other : RunKind::Abc;
}

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

namespace {

// The cutting shared by the sizing pass and the writing pass, so both agree
// on where runs start and end. `unitAt` gives the (possibly converted) unit;
// the sink sees runs open, take units and close.
template <typename UnitAt, typename Sink>
void cutRuns(qsizetype length, UnitAt&& unitAt, bool commaAfterEvery, RunKind leadingKind,
             Sink& sink) {
    const auto& classes = unitClasses();
    bool open = false;
    RunKind kind = RunKind::Abc;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t ch = unitAt(i);
        const uint8_t cls = classes[ch];
        if (cls == Neutral) {
            if (!open) {
                kind = leadingKind;
                sink.open(kind);
                open = true;
            }
            sink.unit(ch);
            continue;
        }
        sink.beforeLetter();
        const RunKind wanted = cls == Wide ? RunKind::Other : RunKind::Abc;
        if (open && kind != wanted) {
            sink.close(kind, kind == RunKind::Abc || commaAfterEvery);
            open = false;
        }
        if (!open) {
            kind = wanted;
            sink.open(kind);
            open = true;
        }
        sink.unit(ch);
    }
    if (open)
        sink.close(kind, commaAfterEvery);
}

constexpr QStringView PauseComma = u", ";

// Counts the output's length so it is allocated once; tens of megabytes
// for a long text, and each regrowth would copy all of it.
struct SizingSink {
    const MarkupContext& context;
    qsizetype size = 0;

    const ProfileMarkup& markup(RunKind kind) const {
        return kind == RunKind::Abc ? context.abc : context.other;
    }
    void open(RunKind kind) { size += markup(kind).head.size(); }
    void unit(char16_t) { ++size; }
    void beforeLetter() {}
    void close(RunKind kind, bool comma) {
        size += markup(kind).tail.size() + (comma ? PauseComma.size() : 0);
    }
};

// Writes each run straight into the output, head first, so a run's text is
// never held anywhere else.
struct WritingSink {
    const MarkupContext& context;
    QString& output;
    QString& currentRunText;
    char16_t* base = nullptr;
    qsizetype used = 0;
    qsizetype runStart = 0;
    // The last flushed run, not yet copied to currentRunText.
    qsizetype flushedStart = 0;
    qsizetype flushedLength = -1;

    WritingSink(const MarkupContext& c, QString& out, QString& current, qsizetype expected)
        : context(c), output(out), currentRunText(current) {
        output = QString(expected, Qt::Uninitialized);
        base = reinterpret_cast<char16_t*>(output.data());
    }
    // A box ticked while events run can change the cut, and so the length.
    void ensure(qsizetype n) {
        if (output.size() - used >= n)
            return;
        output.resize(std::max(output.size() * 2, used + n));
        base = reinterpret_cast<char16_t*>(output.data());
    }
    void put(QStringView piece) {
        ensure(piece.size());
        std::copy(piece.utf16(), piece.utf16() + piece.size(), base + used);
        used += piece.size();
    }
    void open(RunKind kind) {
        put(kind == RunKind::Abc ? context.abc.head : context.other.head);
        runStart = used;
    }
    void unit(char16_t ch) {
        ensure(1);
        base[used++] = ch;
    }
    void beforeLetter() {
        if (context.pump)
            context.pump->maybePump([this] { publishRun(); });
    }
    // currentRunText can only be looked at by the events run inside the loop
    // or once it has returned, so it is set just before those: copying every
    // run into it took as long as writing the output. A value an event wrote
    // stays until the next flush, as it would with a copy per flush.
    void publishRun() {
        if (flushedLength < 0)
            return;
        // Keeps the state's buffer, so setting it does not allocate per run.
        currentRunText.resize(0);
        currentRunText.append(reinterpret_cast<const QChar*>(base + flushedStart), flushedLength);
        flushedLength = -1;
    }
    void close(RunKind kind, bool comma) {
        flushedStart = runStart;
        flushedLength = used - runStart;
        if (comma)
            put(PauseComma);
        put(kind == RunKind::Abc ? context.abc.tail : context.other.tail);
    }
};

} // namespace

QString BuildVoiceMarkup(QStringView text, CommaRule rule, const MarkupContext& context,
                         QString& currentRunText) {
    QString output;
    if (text.isEmpty())
        return output;

    const bool commaAfterEvery = rule == CommaRule::AfterEveryRun;
    const char16_t* const units = text.utf16();

    // Neutral characters before the first letter follow the script of the
    // text's opening: decided once, on the text as given, before conversion.
    const RunKind leadingKind = leadingRunKind(text);

    // Sized as if nothing is converted: exact unless a conversion moves a
    // character into the other script, and the writer grows then.
    SizingSink sizing{context};
    cutRuns(
        text.size(), [units](qsizetype i) { return units[i]; }, commaAfterEvery, leadingKind,
        sizing);

    WritingSink writer(context, output, currentRunText, sizing.size);
    // The boxes are read afresh for every character: events run inside the
    // loop and may tick one.
    auto converted = [&](qsizetype i) {
        const char16_t ch = units[i];
        const ScriptConversion direction =
            context.conversionState ? context.conversionState->load(std::memory_order_relaxed)
            : context.conversion    ? context.conversion()
                                    : ScriptConversion::None;
        return direction == ScriptConversion::None ? ch : context.convert(direction, ch);
    };
    cutRuns(text.size(), converted, commaAfterEvery, leadingKind, writer);
    writer.publishRun();
    output.resize(writer.used);
    return output;
}

} // namespace lectern::speech
