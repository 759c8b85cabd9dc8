// favourites_10k_ms: from the favourites button's click to the list shown,
// for a favourites folder of 10,000 shortcuts in 100 folders. Median of
// several showings; the files are in the page cache after the first.

#include "BrowserPage.h"
#include "Favourites.h"
#include "MainToolBar.h"
#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));

    const QString folder = lectern::browser::favouritesFolder();
    QDir(folder).removeRecursively();
    for (int d = 0; d < 100; ++d) {
        const QString sub = folder + QStringLiteral("/Folder %1").arg(d, 3, 10, QChar(u'0'));
        QDir().mkpath(sub);
        for (int f = 0; f < 100; ++f) {
            QFile file(sub + QStringLiteral("/Shortcut %1.url").arg(f, 3, 10, QChar(u'0')));
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            file.write("[InternetShortcut]\r\nURL=https://example.org/" + QByteArray::number(d) +
                       "/" + QByteArray::number(f) + "\r\nIconIndex=0\r\n");
        }
    }

    lectern::shell::MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QToolButton* button = window.Toolbar1->button(8);
    QListWidget* list = window.browserPage->List1;

    std::vector<qint64> times;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
        times.push_back(timer.elapsed());
        if (!list->isVisible() || list->count() != 10000) {
            std::fprintf(stderr, "favourites list not filled: %d entries\n", int(list->count()));
            return 1;
        }
        QTest::mouseClick(button, Qt::LeftButton); // hide again
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    std::printf("favourites_10k_ms: %lld\n", static_cast<long long>(times[times.size() / 2]));
    QDir(folder).removeRecursively();
    return 0;
}
