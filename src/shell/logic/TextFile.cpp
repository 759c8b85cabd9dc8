#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>

namespace lectern::shell {

namespace {

QString shown(const QString& fileName) {
    return fileName.isEmpty() ? QStringLiteral("The file") : QStringLiteral("\"%1\"").arg(fileName);
}

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> prefix) {
    if (bytes.size() < qsizetype(prefix.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char b : prefix) {
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    }
    return true;
}

std::optional<QString> strictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Big5 through ICU when Qt has it, else glibc's iconv (whose BIG5-HKSCS is
// the superset that Taiwanese and Hong Kong texts are written in). Bytes that
// do not decode become U+FFFD rather than failing the whole file.
QString big5(const QByteArray& bytes) {
    QStringDecoder icu("Big5");
    if (icu.isValid())
        return icu.decode(bytes);

    iconv_t cd = iconv_open("UTF-16LE", "BIG5-HKSCS");
    if (cd == iconv_t(-1))
        cd = iconv_open("UTF-16LE", "BIG5");
    if (cd == iconv_t(-1))
        throw TextFileError(QStringLiteral("This system cannot read Big5 text."));
    QString out;
    out.reserve(bytes.size());
    QByteArray in = bytes;
    char* inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char16_t buffer[4096];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(QStringView(buffer, (sizeof buffer - outLeft) / sizeof(char16_t)));
        if (rc == size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement, skip a byte.
            out.append(QChar::ReplacementCharacter);
            ++inPtr;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

DecodedText decodeText(const QByteArray& bytes, const QString& fileName) {
    struct Mark {
        std::initializer_list<unsigned char> bytes;
        QStringConverter::Encoding encoding;
        const char* name;
    };
    // UTF-32LE before UTF-16LE: its mark begins with the other's.
    const Mark marks[] = {
        {{0xEF, 0xBB, 0xBF}, QStringConverter::Utf8, "UTF-8"},
        {{0xFF, 0xFE, 0x00, 0x00}, QStringConverter::Utf32LE, "UTF-32LE"},
        {{0x00, 0x00, 0xFE, 0xFF}, QStringConverter::Utf32BE, "UTF-32BE"},
        {{0xFF, 0xFE}, QStringConverter::Utf16LE, "UTF-16LE"},
        {{0xFE, 0xFF}, QStringConverter::Utf16BE, "UTF-16BE"},
    };
    for (const Mark& mark : marks) {
        if (startsWith(bytes, mark.bytes)) {
            QStringDecoder decoder(mark.encoding, QStringDecoder::Flag::Stateless);
            const QByteArrayView body = QByteArrayView(bytes).sliced(qsizetype(mark.bytes.size()));
            return {decoder.decode(body), QString::fromLatin1(mark.name)};
        }
    }
    if (QByteArrayView(bytes).first(std::min(bytes.size(), BinaryProbeBytes)).contains('\0'))
        throw TextFileError(
            QStringLiteral("%1 is not a text file, so it was not opened.").arg(shown(fileName)));
    if (auto text = strictUtf8(bytes))
        return {*text, QStringLiteral("UTF-8")};
    return {big5(bytes), QStringLiteral("Big5")};
}

DecodedText readTextFile(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        throw TextFileError(
            QStringLiteral("%1 no longer exists. It may have been moved or deleted.")
                .arg(shown(name)));
    if (info.isDir())
        throw TextFileError(QStringLiteral("%1 is a folder, not a file.").arg(shown(name)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(
            QStringLiteral("%1 could not be read: %2").arg(shown(name), file.errorString()));
    // The size is checked on the open file, not the listing, so a file that
    // grew since does not slip past.
    if (file.size() > MaxTextFileBytes)
        throw TextFileError(QStringLiteral("%1 is larger than %2 MiB and was not opened.")
                                .arg(shown(name))
                                .arg(MaxTextFileBytes / (1024 * 1024)));
    QByteArray bytes = file.read(MaxTextFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw TextFileError(
            QStringLiteral("%1 could not be read: %2").arg(shown(name), file.errorString()));
    if (bytes.size() > MaxTextFileBytes)
        throw TextFileError(QStringLiteral("%1 is larger than %2 MiB and was not opened.")
                                .arg(shown(name))
                                .arg(MaxTextFileBytes / (1024 * 1024)));
    return decodeText(bytes, name);
}

} // namespace lectern::shell
