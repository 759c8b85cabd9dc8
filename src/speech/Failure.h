#pragma once
// Turning any failure into the plain words shown to the user, and running a
// step whose failure is to be skipped.

#include <QString>

#include <exception>

namespace lectern::speech {

// Every failure of Lectern's own carries its description as UTF-8 in what().
inline QString describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
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

} // namespace lectern::speech
