#include "Favourites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <stdexcept>

namespace lectern::browser {

namespace {

constexpr qint64 MaxShortcutBytes = 1 << 20;
constexpr int MaxUrlLength = 255;
// Leaves room for " (NNNN).url" within the 255 bytes a Linux name may hold.
constexpr int MaxBaseNameBytes = 200;

bool isShortcutName(const QString& name) {
    return name.contains(QLatin1String(".url"), Qt::CaseInsensitive);
}

QString unquoted(QString value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString favouritesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Lectern/Favorites");
}

QString readShortcutUrl(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Sized to the file: a shortcut is a few dozen bytes, and a buffer of
    // the full megabyte for each would dominate a large folder's walk.
    const QByteArray bytes = file.read(std::min(file.size(), MaxShortcutBytes));
    bool inSection = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close > 0)
                inSection = line.mid(1, close - 1)
                                .trimmed()
                                .compare("InternetShortcut", Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.left(equals).trimmed().compare("URL", Qt::CaseInsensitive) != 0)
            continue;
        return unquoted(QString::fromUtf8(line.mid(equals + 1).trimmed())).left(MaxUrlLength);
    }
    return {};
}

std::vector<Favourite> ListFavourites(const QString& folder) {
    std::vector<Favourite> found;
    QSet<QString> walked;
    // Folders still to walk, the next one last: the same order as walking
    // each subfolder's tree in turn, without deep recursion.
    QStringList pending{folder};
    while (!pending.isEmpty()) {
        const QString current = pending.takeLast();
        const QString canonical = QFileInfo(current).canonicalFilePath();
        if (canonical.isEmpty() || walked.contains(canonical))
            continue;
        walked.insert(canonical);

        const QFileInfoList entries = QDir(current).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
            QDir::Name | QDir::IgnoreCase);
        QStringList subfolders;
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (entry.isDir()) {
                subfolders.append(entry.filePath());
            } else if (isShortcutName(name)) {
                // A pipe or device would block the read: only plain files
                // are opened.
                found.push_back({name.left(name.size() - 4),
                                 entry.isFile() ? readShortcutUrl(entry.filePath()) : QString()});
            }
        }
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
            pending.append(*it);
    }
    return found;
}

QString shortcutBaseName(const QString& title) {
    QString name;
    name.reserve(title.size());
    for (const QChar c : title) {
        const bool unsafe =
            c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
        name += unsafe ? QChar(u'_') : c;
    }
    name = name.trimmed();
    if (name.startsWith(u'.'))
        name[0] = u'_';
    while (name.toUtf8().size() > MaxBaseNameBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Favourite") : name;
}

QString addFavourite(const QString& folder, const QString& title, const QString& url) {
    if (!QDir().mkpath(folder))
        throw std::runtime_error(QStringLiteral("The favourites folder %1 cannot be created.")
                                     .arg(folder)
                                     .toStdString());
    QString address = url;
    // A line break would end the key and start another.
    address.replace(u'\r', QLatin1String("%0D")).replace(u'\n', QLatin1String("%0A"));
    const QByteArray content = "[InternetShortcut]\nURL=" + address.toUtf8() + "\n";

    const QString base = QDir(folder).filePath(shortcutBaseName(title));
    QString lastError;
    for (int n = 1; n <= 9999; ++n) {
        const QString path =
            n == 1 ? base + QStringLiteral(".url") : base + QStringLiteral(" (%1).url").arg(n);
        QFile file(path);
        if (file.exists())
            continue;
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue; // someone else took the name just now
            lastError = file.errorString();
            break;
        }
        if (file.write(content) != content.size() || !file.flush()) {
            lastError = file.errorString();
            file.remove();
            break;
        }
        return path;
    }
    throw std::runtime_error(
        QStringLiteral("The favourite for %1 cannot be saved: %2")
            .arg(title, lastError.isEmpty() ? QStringLiteral("too many with this name") : lastError)
            .toStdString());
}

} // namespace lectern::browser
