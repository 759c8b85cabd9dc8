#include "WindowExport.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QUrl>

namespace lectern::shell {

WindowExportUi::~WindowExportUi() {
    delete m_progress;
}

QString WindowExportUi::saveFileName(const QString& title, const QString& filter) {
    // The export asks its own overwrite question.
    return QFileDialog::getSaveFileName(m_owner, title, QString(), filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void WindowExportUi::openFile(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void WindowExportUi::showProgress(int permille) {
    if (!m_progress) {
        m_progress = new QProgressDialog(QStringLiteral("正在轉出語音 ..."), QStringLiteral("取消"),
                                         0, 1000, m_owner);
        m_progress->setWindowTitle(QStringLiteral("訊息"));
        m_progress->setAccessibleName(QStringLiteral("轉出進度"));
        // Other commands wait until the export is over.
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(700);
        m_progress->setAutoReset(false);
        m_progress->setAutoClose(false);
    }
    m_progress->setValue(permille);
}

bool WindowExportUi::cancelRequested() {
    return m_progress && m_progress->wasCanceled();
}

void WindowExportUi::hideProgress() {
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    m_progress = nullptr;
}

void WindowMixerControls::showVolume(int volume) {
    // Showing the machine's volume is not a request to set it.
    const QSignalBlocker quiet(m_slider);
    m_slider.setValue(volume);
}

QString WindowMixerControls::muteCaption() const {
    return m_button.text();
}

void WindowMixerControls::setMuteCaption(const QString& caption) {
    m_button.setText(caption);
}

} // namespace lectern::shell
