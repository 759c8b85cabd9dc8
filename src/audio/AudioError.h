#pragma once
// Failures of audio conversion and sound files; the description is plain
// words a user can read.

#include <QString>

#include <stdexcept>

namespace lectern::audio {

class AudioError : public std::runtime_error {
public:
    explicit AudioError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    QString description() const { return m_description; }

private:
    QString m_description;
};

// The user stopped the work; nothing was finished.
class Cancelled : public AudioError {
public:
    Cancelled() : AudioError(QStringLiteral("取消匯出")) {}
};

} // namespace lectern::audio
