#include "SpokenFile.h"

#include "SpeechEngine.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lectern::engine {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a file of this kind cannot be spoken; empty for a regular file.
QString refusal(const QString& path, mode_t mode) {
    const auto notAFile = [&](const char* what) {
        return QStringLiteral("\"%1\" is %2, not a file; only a regular file can be spoken.")
            .arg(path, QLatin1String(what));
    };
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return notAFile("a folder");
    if (S_ISFIFO(mode))
        return notAFile("a pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return notAFile("a device");
    if (S_ISSOCK(mode))
        return notAFile("a socket");
    return notAFile("something else");
}

QString tooLarge(const QString& path) {
    return QStringLiteral("The file \"%1\" is larger than 64 MiB, the most that can be spoken.")
        .arg(path);
}

} // namespace

std::shared_ptr<SpokenFile> SpokenFile::open(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // Looked at before opening: opening a device or a pipe can block or
    // have effects of its own.
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        throw EngineError(
            QStringLiteral("The file \"%1\" cannot be read: %2.").arg(path, systemError(errno)));
    if (const QString why = refusal(path, info.st_mode); !why.isEmpty())
        throw EngineError(why);
    if (info.st_size > MaxBytes)
        throw EngineError(tooLarge(path));

    // Non-blocking, and checked again on the open file: the name may have
    // been pointed elsewhere in between.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw EngineError(
            QStringLiteral("The file \"%1\" cannot be read: %2.").arg(path, systemError(errno)));
    std::shared_ptr<SpokenFile> file(new SpokenFile(fd, path));
    if (::fstat(fd, &info) != 0)
        throw EngineError(
            QStringLiteral("The file \"%1\" cannot be read: %2.").arg(path, systemError(errno)));
    if (const QString why = refusal(path, info.st_mode); !why.isEmpty())
        throw EngineError(why);
    if (info.st_size > MaxBytes)
        throw EngineError(tooLarge(path));
    return file;
}

SpokenFile::~SpokenFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SpokenFile::readText() const {
    QByteArray bytes;
    // One byte past the limit tells a file that grew since it was opened.
    constexpr qsizetype kChunk = 1 << 20;
    for (;;) {
        const qsizetype used = bytes.size();
        if (used > MaxBytes)
            throw EngineError(tooLarge(m_path));
        bytes.resize(used + kChunk);
        const ssize_t n = ::pread(m_fd, bytes.data() + used, size_t(kChunk), off_t(used));
        if (n < 0 && errno == EINTR) {
            bytes.resize(used);
            continue;
        }
        if (n < 0)
            throw EngineError(QStringLiteral("The file \"%1\" cannot be read: %2.")
                                  .arg(m_path, systemError(errno)));
        bytes.resize(used + n);
        if (n == 0)
            break;
    }
    return QString::fromUtf8(bytes);
}

} // namespace lectern::engine
