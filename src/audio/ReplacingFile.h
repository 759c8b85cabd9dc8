#pragma once
// A file written beside its final name and moved over it only once it is
// complete, so a failed or cancelled write never costs the old file and
// never leaves a half-written one under the final name.

#include <QString>

namespace lectern::audio {

class ReplacingFile {
public:
    // Reserves a hidden name in the folder of `finalPath`. Throws AudioError
    // when the folder cannot be written.
    explicit ReplacingFile(const QString& finalPath);
    // Removes the written file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where to write.
    QString path() const { return m_path; }
    QString finalPath() const { return m_finalPath; }
    // Moves the written file over the final name in one step, with the old
    // file's permissions (or the usual ones for a new file). Throws
    // AudioError; the old file is then as it was.
    void commit();

private:
    QString m_finalPath;
    QString m_path;
    bool m_committed = false;
};

} // namespace lectern::audio
