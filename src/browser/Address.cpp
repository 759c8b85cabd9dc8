#include "Address.h"

#include <stdexcept>

namespace lectern::browser {

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QUrl addressFromUserInput(const QString& text) {
    if (text.trimmed().isEmpty())
        return QUrl(QStringLiteral("about:blank"));
    // An address with a scheme is taken as written: the guesswork below
    // would turn a mistyped one into a request to a host named "http".
    const QString written = text.trimmed();
    const bool hasScheme = written.contains(QLatin1String("://"));
    const QUrl url = hasScheme ? QUrl(written) : QUrl::fromUserInput(text);
    const bool needsHost =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty() ||
        (needsHost && url.host().isEmpty()))
        throw std::runtime_error(
            QStringLiteral("\"%1\" is not an address that can be opened.").arg(text).toStdString());
    return url;
}

} // namespace lectern::browser
