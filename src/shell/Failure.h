#pragma once
// Turning any failure into the plain words shown to the user, and running a
// step whose failure is to be skipped.

#include "SpeechEngine.h"

#include <QString>

#include <exception>

namespace lectern::shell {

inline QString describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const engine::EngineError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("An unknown failure occurred.");
    }
}

// Runs one step; returns false when it failed.
template <typename Step> bool guarded(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace lectern::shell
