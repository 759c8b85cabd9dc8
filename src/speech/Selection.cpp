#include "Selection.h"

#include <algorithm>
#include <array>

namespace lectern::speech {

const char16_t* const ReadClipboardQuestion = u"您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?";

namespace {

const std::array<char16_t, 65536>& lowerCaseTable() {
    static const auto table = [] {
        std::array<char16_t, 65536> t{};
        for (char32_t u = 0; u < 65536; ++u) {
            const char32_t lower = QChar::toLower(u);
            // A unit whose lower case needs a pair stays, so offsets hold.
            t[u] = QChar::requiresSurrogates(lower) ? char16_t(u) : char16_t(lower);
        }
        // QChar keeps U+0130 because its full lower case is two units; the
        // simple mapping, one unit, is "i".
        t[0x130] = u'i';
        return t;
    }();
    return table;
}

enum class Trim { Spaces, None };

// One pass over the units, writing straight into the result: selections can
// be megabytes long. Each unit maps to one unit (or a CR LF pair to two
// spaces), so offsets into the text stay valid after lower-casing, unlike
// QString::toLower, which may expand a letter into two.
QString normalise(QStringView text, Trim trim) {
    const char16_t* begin = text.utf16();
    const char16_t* end = begin + text.size();
    if (trim == Trim::Spaces) {
        while (begin != end && *begin == u' ')
            ++begin;
        while (end != begin && end[-1] == u' ')
            --end;
    }
    QString out(end - begin, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    const auto& lower = lowerCaseTable();
    for (const char16_t* p = begin; p != end; ++p) {
        const char16_t c = *p;
        if (c == u'\r' && p + 1 != end && p[1] == u'\n') {
            *d++ = u' ';
            *d++ = u' ';
            ++p;
        } else if (QChar::isHighSurrogate(c) && p + 1 != end && QChar::isLowSurrogate(p[1])) {
            const char32_t cased = QChar::toLower(QChar::surrogateToUcs4(c, p[1]));
            if (QChar::requiresSurrogates(cased)) {
                *d++ = QChar::highSurrogate(cased);
                *d++ = QChar::lowSurrogate(cased);
            } else {
                *d++ = c;
                *d++ = p[1];
            }
            ++p;
        } else {
            *d++ = lower[c];
        }
    }
    return out;
}

} // namespace

QString replaceCrLf(QStringView text, QStringView replacement) {
    QString out;
    const qsizetype n = text.size();
    out.reserve(n);
    qsizetype copied = 0;
    for (qsizetype i = text.indexOf(u"\r\n"); i >= 0; i = text.indexOf(u"\r\n", copied)) {
        out.append(text.sliced(copied, i - copied));
        out.append(replacement);
        copied = i + 2;
    }
    out.append(text.sliced(copied));
    return out;
}

QString NormaliseSelection(QStringView text) {
    return normalise(text, Trim::Spaces);
}

QString normaliseCaretText(QStringView text) {
    return normalise(text, Trim::None);
}

QString clipboardQuestion(const QString& question, const QString& rawClipboard) {
    qsizetype shown = std::min<qsizetype>(rawClipboard.size(), 100);
    // Never end the excerpt on half a surrogate pair.
    if (shown > 0 && shown < rawClipboard.size() && rawClipboard.at(shown - 1).isHighSurrogate() &&
        rawClipboard.at(shown).isLowSurrogate())
        --shown;
    return question + QStringLiteral("\r\n\r\n剪貼簿內容 :\r\n\r\n") + rawClipboard.first(shown) +
           QStringLiteral("...");
}

} // namespace lectern::speech
