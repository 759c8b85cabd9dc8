// Voice markup with random options and texts. Checks that every run is
// closed, elements nest, and the text comes out whole and in order.

#include "FuzzInput.h"
#include "VoiceMarkup.h"

#include <QStringList>

#include <cstdlib>

using namespace lectern::speech;

namespace {

// A stand-in conversion that changes most characters but never makes a tag.
char16_t shiftUp(ScriptConversion, char16_t ch) {
    const char16_t shifted = char16_t(ch ^ 1);
    return shifted == u'<' || shifted == u'>' || ch == u'<' || ch == u'>' ? ch : shifted;
}

bool hasAngleBrackets(QStringView text) {
    return text.contains(u'<') || text.contains(u'>');
}

// Tags must close in the order they opened.
bool wellNested(QStringView markup) {
    QStringList open;
    qsizetype i = 0;
    while ((i = markup.indexOf(u'<', i)) >= 0) {
        const qsizetype end = markup.indexOf(u'>', i);
        if (end < 0)
            return false;
        QStringView tag = markup.mid(i + 1, end - i - 1);
        i = end + 1;
        if (tag.endsWith(u'/'))
            continue;
        if (tag.startsWith(u'/')) {
            if (open.isEmpty() || open.takeLast().compare(tag.mid(1), Qt::CaseInsensitive) != 0)
                return false;
            continue;
        }
        const qsizetype space = tag.indexOf(u' ');
        open.append((space < 0 ? tag : tag.first(space)).toString());
    }
    return open.isEmpty();
}

// Markup with the tags taken out.
QString plainText(QStringView markup) {
    QString out;
    bool inTag = false;
    for (QChar c : markup) {
        if (c == u'<')
            inTag = true;
        else if (c == u'>')
            inTag = false;
        else if (!inTag)
            out.append(c);
    }
    return out;
}

bool isSubsequence(QStringView needle, QStringView hay) {
    qsizetype j = 0;
    for (qsizetype i = 0; i < hay.size() && j < needle.size(); ++i)
        if (hay[i] == needle[j])
            ++j;
    return j == needle.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t options = lectern::fuzz::takeByte(data, size);
    const QString text = lectern::fuzz::textFromBytes(data, size);

    const bool ownMarkup = options & 1;
    const CommaRule rule = options & 2 ? CommaRule::AfterEveryRun : CommaRule::AfterAbcRun;
    const HeadVariant variant = options & 4 ? HeadVariant::SpacedName : HeadVariant::Plain;
    const bool convert = options & 8;

    const VoiceProfile abc{QStringLiteral("English (America)"), int(options % 21) - 10, 100, 0};
    const VoiceProfile other{QStringLiteral("Chinese (Mandarin)"), 0, options % 101,
                             int(options % 201) - 100};
    MarkupContext context;
    context.abc = buildProfileMarkup(abc, variant, ownMarkup);
    context.other = buildProfileMarkup(other, variant, ownMarkup);
    if (convert) {
        context.conversion = [] { return ScriptConversion::TradToSimp; };
        context.convert = shiftUp;
    }

    QString currentRun;
    const QString markup = BuildVoiceMarkup(text, rule, context, currentRun);

    if (!hasAngleBrackets(text) && !ownMarkup) {
        if (!wellNested(markup))
            std::abort();
        if (markup.count(u"<VOICE") != markup.count(u"</VOICE>"))
            std::abort();
    }
    if (!convert && !hasAngleBrackets(text) && !isSubsequence(text, plainText(markup)))
        std::abort();
    return 0;
}
