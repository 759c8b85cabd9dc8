#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

// Answers the file dialog each time it is up, with `choice`, or cancels it
// when `choice` is empty. `seen` is called with the dialog before it is
// answered.
//
// The name goes into the dialog's name field as typed text: selectFile()
// leaves that field alone once it has focus, and on a loaded machine the
// dialog is focused before the first answer, so it would be accepted with no
// name for ever.
inline std::unique_ptr<QTimer> answerFileDialog(const QString& choice,
                                                std::function<void(QFileDialog*)> seen = {}) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [choice, seen] {
        QWidget* active = QApplication::activeModalWidget();
        // A question of the dialog's own (file missing, overwrite?) would
        // otherwise wait for ever; say what it was and go on.
        if (auto* box = qobject_cast<QMessageBox*>(active)) {
            if (qobject_cast<QFileDialog*>(box->parentWidget())) {
                qWarning("the file dialog asked: %s", qPrintable(box->text()));
                box->done(box->standardButtons() & QMessageBox::Yes ? QMessageBox::Yes
                                                                    : QMessageBox::Ok);
            }
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(active);
        if (!dialog)
            return;
        if (seen)
            seen(dialog);
        if (choice.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            qWarning("the file dialog has no name field");
            dialog->reject();
            return;
        }
        name->setText(choice);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    timer->start(20);
    return timer;
}
