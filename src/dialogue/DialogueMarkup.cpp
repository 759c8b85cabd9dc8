#include "DialogueMarkup.h"

#include "CellNavigation.h"

#include <cmath>

namespace lectern::dialogue {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Digits with at most one full stop and an optional sign; blanks around are
// allowed. Nothing else counts: no comma, no exponent, no "inf".
bool isDecimal(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false, stop = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            digits = true;
        else if (text[i] == u'.' && !stop)
            stop = true;
        else
            return false;
    }
    return digits;
}

} // namespace

double pauseMilliseconds(const QString& pause, int row) {
    bool ok = false;
    const double value = isDecimal(pause) ? pause.trimmed().toDouble(&ok) : 0;
    if (!ok || !std::isfinite(value * 500))
        throw DialogueError(QStringLiteral("The pause \"%1\" in dialogue row %2 is not a number.")
                                .arg(pause)
                                .arg(row));
    return value * 500;
}

void appendRowMarkup(QString& out, const DialogueRow& row, const QString& silenceMs) {
    out += u"<VOICE REQUIRED=\"NAME=";
    out += row.voice;
    out += u"\"><rate speed=\"";
    out += row.speed;
    out += u"\"><pitch middle=\"";
    out += row.pitch;
    out += u"\"><volume level=\"";
    out += row.volume;
    out += u"\">";
    out += row.text;
    out += u"</volume></pitch></rate></VOICE><silence msec=\"";
    out += silenceMs;
    out += u"\"/>";
}

DialogueMarkup BuildDialogueMarkup(const DialogueGrid& grid, QStringView rowEnd) {
    DialogueMarkup result;
    const std::vector<DialogueRow>& rows = grid.rows();
    qsizetype size = 0;
    for (const DialogueRow& row : rows)
        size += 120 + row.voice.size() + row.text.size();
    result.markup.reserve(size);
    for (size_t i = 0; i < rows.size(); ++i) {
        const DialogueRow& row = rows[i];
        if (row.voice.isEmpty()) {
            result.stoppedEarly = true;
            break;
        }
        const double ms = pauseMilliseconds(row.pause, int(i) + FirstDataRow);
        appendRowMarkup(result.markup, row, shortestDecimal(ms));
        result.markup += rowEnd;
    }
    return result;
}

} // namespace lectern::dialogue
