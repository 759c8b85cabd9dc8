#include "FollowReading.h"

#include "CodePage.h"
#include "EventPump.h"

#include <cmath>
#include <limits>

namespace lectern::speech {

namespace {

class Walker {
public:
    Walker(ReadingState& state, const FollowCallbacks& callbacks)
        : m_state(state), m_callbacks(callbacks) {}

    // False once a stop was asked for.
    bool speak(const QString& piece) {
        m_callbacks.pumpEvents(false);
        m_state.CurrentRunText = piece;
        m_state.FollowPosition += double(piece.size());
        m_callbacks.speakAndWait(piece);
        m_callbacks.pumpEvents(false);
        return !m_callbacks.takeInterrupt();
    }

    bool flushAbc(QString& run) {
        m_callbacks.selectVoice(RunKind::Abc);
        // Every word but the last keeps the space after it; two spaces in a
        // row give a piece of one space.
        qsizetype start = 0;
        for (;;) {
            const qsizetype space = run.indexOf(u' ', start);
            if (space < 0)
                break;
            if (!speak(run.mid(start, space - start + 1)))
                return false;
            start = space + 1;
        }
        if (!speak(run.mid(start)))
            return false;
        m_state.CurrentRunText = run;
        run.clear();
        return true;
    }

    bool flushOther(QString& run) {
        m_callbacks.selectVoice(RunKind::Other);
        // The parts are the lines the run spans: a line break became two
        // spaces, which ride with the line's last character so the highlight
        // stays on the same document offsets.
        qsizetype start = 0;
        for (;;) {
            const qsizetype gap = run.indexOf(u"  ", start);
            const bool last = gap < 0;
            const QStringView part =
                QStringView(run).mid(start, last ? run.size() - start : gap - start);
            if (part.isEmpty()) {
                // Nothing to say, but the offsets of the break still count.
                if (!last)
                    m_state.FollowPosition += 2;
            }
            for (qsizetype i = 0; i < part.size(); ++i) {
                QString piece(part[i]);
                if (i + 1 == part.size() && !last)
                    piece += QStringLiteral("  ");
                if (!speak(piece))
                    return false;
            }
            if (last)
                break;
            start = gap + 2;
        }
        m_state.CurrentRunText = run;
        run.clear();
        return true;
    }

private:
    ReadingState& m_state;
    const FollowCallbacks& m_callbacks;
};

} // namespace

FollowOutcome walkFollowReading(QStringView text, ReadingState& state,
                                const FollowCallbacks& callbacks) {
    Walker walker(state, callbacks);
    QString abc;
    QString other;
    const RunKind leading = leadingRunKind(text);
    for (const QChar original : text) {
        if (callbacks.takeInterrupt())
            return FollowOutcome::Interrupted;
        const char16_t ch = callbacks.convert(original.unicode());
        if (isNeutral(ch)) {
            if (!abc.isEmpty() && other.isEmpty())
                abc.append(QChar(ch));
            else if (abc.isEmpty() && !other.isEmpty())
                other.append(QChar(ch));
            else
                (leading == RunKind::Other ? other : abc).append(QChar(ch));
            continue;
        }
        callbacks.pumpEvents(true);
        if (isWideUnit(ch)) {
            if (!abc.isEmpty() && !walker.flushAbc(abc))
                return FollowOutcome::Interrupted;
            other.append(QChar(ch));
        } else {
            if (!other.isEmpty() && !walker.flushOther(other))
                return FollowOutcome::Interrupted;
            abc.append(QChar(ch));
        }
    }
    if (!abc.isEmpty() && !walker.flushAbc(abc))
        return FollowOutcome::Interrupted;
    if (!other.isEmpty() && !walker.flushOther(other))
        return FollowOutcome::Interrupted;
    return FollowOutcome::Completed;
}

int highlightStart(qsizetype currentRunLength, double followPosition, int characterPosition) {
    const double start = followPosition - double(int(currentRunLength) - characterPosition);
    const double rounded = std::nearbyint(start); // ties to even
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(rounded);
}

QString markupForDocument(const QString& markup) {
    QString text = markup.toLower();
    text.replace(QStringLiteral("</voice>"), QStringLiteral("</voice>\r\n"));
    return text;
}

QString BuildCycleMarkup(QStringView text, const MarkupContext& context, QString& currentRunText) {
    QString output;
    if (text.isEmpty())
        return output;
    for (int i = 0; i < CycleRepetitions; ++i) {
        output += BuildVoiceMarkup(text, CommaRule::AfterEveryRun, context, currentRunText);
        if (context.pump)
            context.pump->pump();
    }
    return output;
}

} // namespace lectern::speech
