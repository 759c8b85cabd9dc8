#pragma once
#include <QString>

namespace lectern::speech {

// The main window's reading state, shared by the reading commands and the
// word-event handler.
struct ReadingState {
    bool FollowReading = false;
    bool ReadingInterrupted = false;
    QString CurrentRunText;
    double FollowPosition = 0;
};

} // namespace lectern::speech
