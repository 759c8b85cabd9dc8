#include "Selection.h"

#include <algorithm>

namespace lectern::speech {

const char16_t* const ReadClipboardQuestion = u"您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?";

namespace {

// Unit by unit, so offsets into the text stay valid after lower-casing
// (QString::toLower may expand a letter into two).
QString lowerKeepingLength(QString text) {
    char16_t* d = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (QChar::isHighSurrogate(d[i]) && i + 1 < n && QChar::isLowSurrogate(d[i + 1])) {
            const char32_t lower = QChar::toLower(QChar::surrogateToUcs4(d[i], d[i + 1]));
            if (QChar::requiresSurrogates(lower)) {
                d[i] = QChar::highSurrogate(lower);
                d[i + 1] = QChar::lowSurrogate(lower);
            }
            ++i;
        } else {
            const char32_t lower = QChar::toLower(char32_t(d[i]));
            if (!QChar::requiresSurrogates(lower))
                d[i] = char16_t(lower);
        }
    }
    return text;
}

} // namespace

QString replaceCrLf(QStringView text, QStringView replacement) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            out += replacement;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString NormaliseSelection(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return lowerKeepingLength(replaceCrLf(text.sliced(begin, end - begin), u"  "));
}

QString normaliseCaretText(QStringView text) {
    return lowerKeepingLength(replaceCrLf(text, u"  "));
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
