#include "LookUp.h"

#include "Selection.h"

namespace lectern::browser {

const char16_t* const LookUpNothingSelected = u"請在此頁籤反白選擇您要查詢的單字!";
const char16_t* const LookUpTooLong = u"您所選取的單字過長 !";
const char16_t* const LookUpClipboardAsk = u"您並未選取文字 , 要查詢剪貼簿的文字嗎 ?";

namespace {

QStringView trimmedSpaces(QStringView text) {
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

QString selectedWord(LookUpSources& sources) {
    switch (sources.currentTab()) {
    case 0: {
        const BrowserSelection selection = sources.browserSelection();
        const QString page = normaliseLookUpText(selection.page);
        if (!page.isEmpty() || !selection.frame)
            return page;
        return normaliseLookUpText(*selection.frame);
    }
    case 1:
        return normaliseLookUpText(sources.documentSelection());
    default:
        return {};
    }
}

} // namespace

QString normaliseLookUpText(QStringView text) {
    return speech::replaceCrLf(trimmedSpaces(text), u" ").toLower();
}

std::optional<QString> gatherLookUpWord(LookUpSources& sources, speech::Prompter& prompter) {
    using speech::PromptAnswer;
    using speech::PromptButtons;
    using speech::PromptIcon;

    QString word;
    try {
        word = selectedWord(sources);
    } catch (...) {
        // A page that cannot be asked has nothing selected; the clipboard
        // may still have the word.
    }
    if (word.isEmpty()) {
        const QString raw = sources.clipboardText();
        const QString clipboard = speech::replaceCrLf(raw, u" ");
        if (clipboard.isEmpty()) {
            prompter.prompt(speech::messageTitle(), QString::fromUtf16(LookUpNothingSelected),
                            PromptIcon::Exclamation, PromptButtons::Ok);
            return std::nullopt;
        }
        const QString question = QString::fromUtf16(LookUpClipboardAsk) +
                                 QStringLiteral("\r\n\r\n剪貼簿內容 :\r\n\r\n") + raw.left(100);
        if (prompter.prompt(speech::questionTitle(), question, PromptIcon::None,
                            PromptButtons::YesNo) != PromptAnswer::Yes)
            return std::nullopt;
        word = clipboard;
    }
    if (word.size() > LongestLookUpWord) {
        prompter.prompt(speech::messageTitle(), QString::fromUtf16(LookUpTooLong),
                        PromptIcon::Error, PromptButtons::Ok);
        return std::nullopt;
    }
    if (trimmedSpaces(word).isEmpty())
        return std::nullopt;
    return word;
}

QUrl lookUpUrl(const QUrl& site, const QString& word) {
    QByteArray address =
        site.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toEncoded();
    address += "/search?q=define+" + QUrl::toPercentEncoding(word);
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}

} // namespace lectern::browser
