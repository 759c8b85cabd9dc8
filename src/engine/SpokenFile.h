#pragma once
// A file whose text is spoken (the is-filename speak flag). Opening checks
// what the name points at without blocking; the text is read later, on the
// engine thread, so neither a slow disk nor a huge file holds up the window.

#include <QString>

#include <cstdint>
#include <memory>

namespace lectern::engine {

class SpokenFile {
public:
    static constexpr int64_t MaxBytes = int64_t(64) << 20;

    // Throws EngineError, with a description, for anything but a readable
    // regular file of at most MaxBytes: a pipe, a device, a folder, a
    // missing or too large file.
    static std::shared_ptr<SpokenFile> open(const QString& path);
    ~SpokenFile();
    SpokenFile(const SpokenFile&) = delete;
    SpokenFile& operator=(const SpokenFile&) = delete;

    // The whole file as UTF-8 text. Throws EngineError when reading fails or
    // the file grew past MaxBytes since it was opened.
    QString readText() const;

private:
    SpokenFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    int m_fd = -1;
    QString m_path;
};

} // namespace lectern::engine
