// The toolbar's buttons carry Lectern's own images on any desktop, and each
// is named, for screen readers, by its tooltip.

#include "MainToolBar.h"

#include <QAction>
#include <QImage>
#include <QToolButton>
#include <QtTest>

using namespace lectern::shell;

class ToolBarTest : public QObject {
    Q_OBJECT
private slots:
    void everyButtonHasItsOwnImageAndName() {
        MainToolBar bar;
        QSet<QByteArray> images;
        for (int i = 1; i <= MainToolBar::ButtonCount; ++i) {
            QAction* act = bar.action(i);
            QToolButton* tool = bar.button(i);
            QVERIFY(tool);
            QVERIFY(!act->toolTip().isEmpty());
            QCOMPARE(tool->accessibleName(), act->toolTip());
            const QImage image = act->icon().pixmap(24, 24).toImage();
            QVERIFY2(!image.isNull(), qPrintable(act->toolTip()));
            int drawn = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    drawn += qAlpha(image.pixel(x, y)) > 128;
            // Something recognisable, not a blank or a speck.
            QVERIFY2(drawn > 24 * 24 / 8, qPrintable(act->toolTip()));
            images.insert(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(images.size(), MainToolBar::ButtonCount);
    }

    void nameFollowsTheChangingTooltip() {
        MainToolBar bar;
        bar.action(MainToolBar::PauseButton)->setToolTip(QStringLiteral("Resume Reading"));
        QCOMPARE(bar.button(MainToolBar::PauseButton)->accessibleName(),
                 QStringLiteral("Resume Reading"));
    }
};

QTEST_MAIN(ToolBarTest)
#include "test_toolbar.moc"
