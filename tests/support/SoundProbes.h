#pragma once
// Listening to the real sound server from a test: what the default sink
// plays, recorded from its monitor at 16 kHz mono.

#include <QByteArray>
#include <QProcess>

#include <cstdint>
#include <vector>

class MonitorRecording {
public:
    static constexpr int Rate = 16000;

    MonitorRecording();
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // True once the recorder delivers audio (silence included).
    bool waitUntilRecording();
    // Samples recorded so far, after taking in what has arrived.
    qsizetype mark();
    // Root mean square of the samples from `from` to `to`, in sample units;
    // nothing recorded counts as silence.
    double rms(qsizetype from, qsizetype to) const;
    // Loudness of what the monitor gives over the next `ms` milliseconds.
    double listen(int ms);
    // Ends the recording after `settleMs` more and returns the root mean
    // square of everything recorded.
    double stop(int settleMs = 200);
    // Ends the recording after `settleMs` more and returns every sample.
    std::vector<int16_t> stopAndTake(int settleMs = 300);

private:
    void finish(int settleMs);

    QProcess m_parec;
    QByteArray m_pcm;
};

// Breaks this process's playback streams.
void breakOwnStreams();
