#pragma once
// The window's side of the export and the mixer: the save dialog, the
// progress dialog, opening the finished file, and the mixer's two controls.

#include "ExportCommand.h"
#include "MixerCommands.h"

#include <QPointer>

class QProgressDialog;
class QPushButton;
class QSlider;
class QWidget;

namespace lectern::shell {

class WindowExportUi : public ExportUi {
public:
    explicit WindowExportUi(QWidget* owner) : m_owner(owner) {}
    ~WindowExportUi() override;
    QString saveFileName(const QString& title, const QString& filter) override;
    void openFile(const QString& path) override;
    void showProgress(int permille) override;
    bool cancelRequested() override;
    void hideProgress() override;

private:
    QWidget* m_owner;
    QPointer<QProgressDialog> m_progress;
};

class WindowMixerControls : public MixerControls {
public:
    WindowMixerControls(QSlider& slider, QPushButton& button)
        : m_slider(slider), m_button(button) {}
    void showVolume(int volume) override;
    QString muteCaption() const override;
    void setMuteCaption(const QString& caption) override;

private:
    QSlider& m_slider;
    QPushButton& m_button;
};

} // namespace lectern::shell
