#pragma once
// Reading a plain-text file for the document page: the encoding is guessed
// from the bytes, and files that would only fill the pane with garbage or
// exhaust memory are refused with a description.

#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace lectern::shell {

inline constexpr qint64 MaxTextFileBytes = 64LL * 1024 * 1024;
// A NUL byte this early means the file is not text (unless a byte-order
// mark says it is UTF-16 or UTF-32).
inline constexpr qsizetype BinaryProbeBytes = 8 * 1024;

class TextFileError : public std::runtime_error {
public:
    explicit TextFileError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    const QString& description() const { return m_description; }

private:
    QString m_description;
};

struct DecodedText {
    QString text;
    // "UTF-8", "UTF-16LE", "Big5", ...
    QString encoding;
};

// A byte-order mark decides; otherwise UTF-8 when the bytes are valid UTF-8,
// otherwise Big5. Throws TextFileError for bytes that are not text.
DecodedText decodeText(const QByteArray& bytes, const QString& fileName = QString());

// Reads and decodes the file. Throws TextFileError when the file is missing,
// unreadable, larger than MaxTextFileBytes or not text. Safe to call off the
// UI thread.
DecodedText readTextFile(const QString& path);

} // namespace lectern::shell
