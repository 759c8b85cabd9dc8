#include "SoundProbes.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <cmath>

MonitorRecording::MonitorRecording() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
    pactl.waitForFinished(5000);
    const QString sink = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
    QObject::connect(&m_parec, &QProcess::readyReadStandardOutput,
                     [this] { m_pcm += m_parec.readAllStandardOutput(); });
    m_parec.start(QStringLiteral("parec"),
                  {QStringLiteral("-d"), sink + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                   QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
}

MonitorRecording::~MonitorRecording() {
    if (m_parec.state() != QProcess::NotRunning) {
        m_parec.terminate();
        m_parec.waitForFinished(5000);
    }
}

bool MonitorRecording::waitUntilRecording() {
    return QTest::qWaitFor([this] { return !m_pcm.isEmpty(); }, 10000);
}

qsizetype MonitorRecording::mark() {
    QCoreApplication::processEvents();
    return m_pcm.size() / 2;
}

double MonitorRecording::rms(qsizetype from, qsizetype to) const {
    const auto* samples = reinterpret_cast<const int16_t*>(m_pcm.constData());
    to = std::min<qsizetype>(to, m_pcm.size() / 2);
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double MonitorRecording::listen(int ms) {
    const qsizetype from = mark();
    QTest::qWait(ms);
    return rms(from, mark());
}

void MonitorRecording::finish(int settleMs) {
    QTest::qWait(settleMs);
    m_parec.terminate();
    m_parec.waitForFinished(5000);
    m_pcm += m_parec.readAllStandardOutput();
}

double MonitorRecording::stop(int settleMs) {
    finish(settleMs);
    return rms(0, m_pcm.size() / 2);
}

std::vector<int16_t> MonitorRecording::stopAndTake(int settleMs) {
    finish(settleMs);
    const auto* samples = reinterpret_cast<const int16_t*>(m_pcm.constData());
    return std::vector<int16_t>(samples, samples + m_pcm.size() / 2);
}

void breakOwnStreams() {
    QProcess list;
    list.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    list.waitForFinished(10000);
    QString input;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    for (const QString& raw : QString::fromUtf8(list.readAllStandardOutput()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u"Sink Input #"))
            input = line.mid(12);
        if (line == QStringLiteral("application.process.id = \"%1\"").arg(pid))
            QProcess::execute(QStringLiteral("pacmd"), {QStringLiteral("kill-sink-input"), input});
    }
}
