#pragma once
// Shared by the dialogue window tests: sound stretches in the sink monitor's
// recording, the message box and file dialog answerers.

#include "FileDialogs.h"
#include "SoundProbes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

// Stretches of sound in a recording, in 10 ms frames: [first, end) frame
// indices. Quiet stretches shorter than `bridgeMs` count as part of the sound.
struct SoundStretch {
    int first = 0;
    int end = 0;
};

inline std::vector<SoundStretch> soundStretches(const std::vector<int16_t>& pcm, int bridgeMs) {
    const int frame = MonitorRecording::Rate / 100;
    std::vector<bool> loud;
    for (size_t i = 0; i + frame <= pcm.size(); i += frame) {
        double sum = 0;
        for (int j = 0; j < frame; ++j)
            sum += double(pcm[i + j]) * pcm[i + j];
        loud.push_back(std::sqrt(sum / frame) > 150);
    }
    std::vector<SoundStretch> out;
    for (int f = 0; f < int(loud.size()); ++f) {
        if (!loud[f])
            continue;
        if (!out.empty() && (f - out.back().end) * 10 < bridgeMs)
            out.back().end = f + 1;
        else
            out.push_back({f, f + 1});
    }
    return out;
}

// Answers the next message box and keeps what it said.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool seen = false;
    int count = 0; // boxes answered so far
};

inline std::unique_ptr<QTimer> answerBoxes(SeenBox& seen) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [&seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {box->windowTitle(),         box->text(), box->icon(),
                    int(box->buttons().size()), true,        seen.count + 1};
            box->done(QMessageBox::Ok);
        }
    });
    timer->start(20);
    return timer;
}

// Answers the file dialog like answerFileDialog, keeping its title.
inline std::unique_ptr<QTimer> answerFileDialog(const QString& choice, QString* title) {
    return answerFileDialog(choice,
                            [title](QFileDialog* dialog) { *title = dialog->windowTitle(); });
}
