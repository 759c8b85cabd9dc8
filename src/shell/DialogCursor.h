#pragma once
// While a command's dialog is open the person chooses under the normal
// cursor, not the busy one its frame set; the busy one returns after.

#include <QApplication>
#include <QCursor>

namespace lectern::shell {

class NormalCursorWhileOpen {
public:
    NormalCursorWhileOpen() : m_overridden(QApplication::overrideCursor() != nullptr) {
        if (m_overridden)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursorWhileOpen() {
        if (m_overridden && QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    NormalCursorWhileOpen(const NormalCursorWhileOpen&) = delete;
    NormalCursorWhileOpen& operator=(const NormalCursorWhileOpen&) = delete;

private:
    bool m_overridden;
};

} // namespace lectern::shell
