#include "ReplacingFile.h"

#include "AudioError.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace lectern::audio {

ReplacingFile::ReplacingFile(const QString& finalPath) : m_finalPath(finalPath) {
    const QFileInfo target(finalPath);
    QTemporaryFile reserve(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX"));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw AudioError(QStringLiteral("The file \"%1\" cannot be written in its folder: %2")
                             .arg(finalPath, reserve.errorString()));
    m_path = reserve.fileName();
}

ReplacingFile::~ReplacingFile() {
    if (!m_committed)
        QFile::remove(m_path);
}

void ReplacingFile::commit() {
    const QByteArray from = QFile::encodeName(m_path), to = QFile::encodeName(m_finalPath);
    struct stat old {};
    mode_t mode;
    if (::stat(to.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(from.constData(), mode);
    if (::rename(from.constData(), to.constData()) != 0)
        throw AudioError(QStringLiteral("The file \"%1\" cannot be replaced: %2")
                             .arg(m_finalPath, QString::fromLocal8Bit(std::strerror(errno))));
    m_committed = true;
}

} // namespace lectern::audio
