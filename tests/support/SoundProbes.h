#pragma once
// Looking at the real sound server from a test: what the default sink
// plays, and breaking this process's streams as a server in trouble would.

#include <QByteArray>
#include <QProcess>

// Records the default sink's monitor for as long as it lives.
class MonitorRecording {
public:
    MonitorRecording();
    // True once the recorder delivers audio (silence included).
    bool waitUntilRecording();
    // Samples recorded so far, after taking in what has arrived.
    qsizetype mark();
    // Root mean square of the samples from `from` to `to`, in sample units;
    // nothing recorded counts as silence.
    double rms(qsizetype from, qsizetype to) const;
    // Loudness of what the monitor gives over the next `ms` milliseconds.
    double listen(int ms);
    // Root mean square of everything recorded, in sample units.
    double stop();

private:
    QProcess m_parec;
    QByteArray m_pcm;
};

// Breaks this process's playback streams.
void breakOwnStreams();
