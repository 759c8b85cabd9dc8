// The tray icon's rules over a recording tray: tips, numbers, add and remove,
// and the callback that brings the window back.

#include "Nicon.h"
#include "TrayTip.h"

#include <QApplication>
#include <QWidget>
#include <QtTest>

using namespace lectern::shell;

namespace {

// sendEvent leaves the event with the caller.
void sendCallback(QObject* to, int message, int mouse) {
    TrayCallbackEvent event(message, mouse);
    QCoreApplication::sendEvent(to, &event);
}

// Keeps the icons as a tray would, and can refuse them.
class RecordingTray : public TrayBackend {
public:
    bool available = true;
    bool refuse = false;
    QList<TrayRecord> icons;
    int adds = 0, removes = 0, modifies = 0;

    bool isAvailable() const override { return available; }
    bool add(const TrayRecord& record) override {
        ++adds;
        if (refuse || !record.window || find(record) >= 0)
            return false;
        icons << record;
        return true;
    }
    bool modify(const TrayRecord& record) override {
        ++modifies;
        const int at = find(record);
        if (at < 0)
            return false;
        icons[at] = record;
        return true;
    }
    bool remove(const TrayRecord& record) override {
        ++removes;
        const int at = find(record);
        if (at < 0)
            return false;
        icons.removeAt(at);
        return true;
    }
    int find(const TrayRecord& record) const {
        for (int i = 0; i < icons.size(); ++i)
            if (icons[i].window == record.window && icons[i].id == record.id)
                return i;
        return -1;
    }
    // What the tray sends when the user acts on the only icon.
    void click(int mouse) { sendCallback(icons.at(0).window, icons.at(0).callbackMessage, mouse); }
};

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void tipIsCutInCodePage950_data() {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("shown");
        const QString latin80 = QString(80, QLatin1Char('a'));
        QTest::newRow("80 latin") << latin80 << latin80.left(63);
        QTest::newRow("63 latin") << latin80.left(63) << latin80.left(63);
        const QString chinese40 = QString(40, QChar(0x4E2D));
        QTest::newRow("40 chinese") << chinese40 << chinese40.left(31);
        // 61 Latin bytes leave room for one more double-byte character, 62
        // leave only half of one.
        QTest::newRow("61 latin then chinese")
            << latin80.left(61) + QStringLiteral("中文") << latin80.left(61) + QStringLiteral("中");
        QTest::newRow("62 latin then chinese")
            << latin80.left(62) + QStringLiteral("中文") << latin80.left(62);
        const QString emoji = QStringLiteral("\U0001F600");
        QTest::newRow("surrogate pair at the edge") << latin80.left(62) + emoji << latin80.left(62);
        QTest::newRow("caption") << QStringLiteral("Lectern  V5.3")
                                 << QStringLiteral("Lectern  V5.3");
    }
    void tipIsCutInCodePage950() {
        QFETCH(QString, tip);
        QFETCH(QString, shown);
        QCOMPARE(trayTipText(tip), shown);
    }

    void messageNumber_data() {
        QTest::addColumn<int>("msgNo");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("five") << 5 << true;
        QTest::newRow("zero") << 0 << true;
        QTest::newRow("negative") << -2000 << true;
        QTest::newRow("largest") << 2147482623 << true;
        QTest::newRow("one more") << 2147482624 << false;
        QTest::newRow("int max") << INT32_MAX << false;
    }
    void messageNumber() {
        QFETCH(int, msgNo);
        QFETCH(bool, accepted);
        RecordingTray tray;
        Nicon icon(tray);
        icon.setMsgNo(7);
        if (accepted) {
            icon.setMsgNo(msgNo);
            QCOMPARE(icon.MsgNo(), msgNo);
            QCOMPARE(icon.callbackMessage(), msgNo + 1024);
        } else {
            QVERIFY_THROWS_EXCEPTION(TrayOverflow, icon.setMsgNo(msgNo));
            QCOMPARE(icon.MsgNo(), 7);
        }
    }

    void freshIconTakesTheActiveWindow() {
        RecordingTray tray;
        QWidget window;
        window.setWindowTitle(QStringLiteral("  Lectern  V5.3 "));
        Nicon icon(tray, &window);
        QCOMPARE(icon.Tip(), QStringLiteral("Lectern  V5.3"));
        QCOMPARE(icon.ID(), 9999);
        QCOMPARE(icon.MsgNo(), 0);
        QVERIFY(!icon.added());
    }

    void addTwiceAddsOnce() {
        RecordingTray tray;
        QWidget window;
        window.show();
        Nicon icon(tray, &window);
        icon.setTip(QString(80, QLatin1Char('x')));
        QVERIFY(icon.AddNIcon(&window));
        QVERIFY(!window.isVisible());
        QVERIFY(!icon.AddNIcon(&window));
        QCOMPARE(tray.icons.size(), 1);
        QCOMPARE(tray.icons[0].tip, QString(63, QLatin1Char('x')));
        QCOMPARE(tray.icons[0].id, 9999);
        QCOMPARE(Nicon::TrayCallbackMessage, 1024);
    }

    void deleteIsIdempotent() {
        RecordingTray tray;
        QWidget window;
        Nicon icon(tray, &window);
        icon.DelNIcon();
        QCOMPARE(tray.removes, 0);
        QVERIFY(icon.AddNIcon(&window));
        icon.DelNIcon();
        icon.DelNIcon();
        QVERIFY(tray.icons.isEmpty());
        QVERIFY(!icon.added());
        // Added again after removal.
        QVERIFY(icon.AddNIcon(&window));
        QCOMPARE(tray.icons.size(), 1);
    }

    void refusedIconLeavesWindowAlone() {
        RecordingTray tray;
        tray.refuse = true;
        QWidget window;
        window.show();
        Nicon icon(tray, &window);
        QVERIFY(!icon.AddNIcon(&window));
        QVERIFY(window.isVisible());
        QVERIFY(!icon.added());
    }

    void modifyOnlyWhileShown() {
        RecordingTray tray;
        QWidget window;
        Nicon icon(tray, &window);
        QVERIFY(!icon.ModNIcon());
        QCOMPARE(tray.modifies, 0);
        QVERIFY(icon.AddNIcon(&window));
        icon.setTip(QStringLiteral("新的提示"));
        QVERIFY(tray.icons[0].tip != icon.Tip());
        QVERIFY(icon.ModNIcon());
        QCOMPARE(tray.icons[0].tip, QStringLiteral("新的提示"));
    }

    void callbackRestoresOnlyOnLeftPress_data() {
        QTest::addColumn<int>("mouse");
        QTest::addColumn<bool>("restores");
        QTest::newRow("left press") << int(TrayLeftButtonDown) << true;
        QTest::newRow("right press") << int(TrayRightButtonDown) << false;
        QTest::newRow("move") << int(TrayMouseMove) << false;
        QTest::newRow("double click") << int(TrayLeftButtonDoubleClick) << false;
    }
    void callbackRestoresOnlyOnLeftPress() {
        QFETCH(int, mouse);
        QFETCH(bool, restores);
        RecordingTray tray;
        QWidget window;
        window.show();
        Nicon icon(tray, &window);
        QVERIFY(icon.AddNIcon(&window));
        tray.click(mouse);
        QCOMPARE(window.isVisible(), restores);
        if (restores)
            QVERIFY(window.windowState() & Qt::WindowMaximized);
    }

    void callbackOfAnEarlierIconIsIgnored() {
        RecordingTray tray;
        QWidget first, second;
        Nicon older(tray, &first);
        Nicon newer(tray, &second);
        newer.setMsgNo(5);
        QVERIFY(older.AddNIcon(&first));
        QVERIFY(newer.AddNIcon(&second));
        // Only the icon added last answers, as one process-wide number says.
        sendCallback(&first, 1024, TrayLeftButtonDown);
        QVERIFY(!first.isVisible());
        sendCallback(&second, 1029, TrayLeftButtonDown);
        QVERIFY(second.isVisible());
    }

    void releasingRemovesTheIcon() {
        RecordingTray tray;
        QWidget window;
        {
            Nicon icon(tray, &window);
            QVERIFY(icon.AddNIcon(&window));
        }
        QVERIFY(tray.icons.isEmpty());
        // The filter went with it: a late callback does nothing.
        sendCallback(&window, 1024, TrayLeftButtonDown);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TrayIconTest)
#include "test_tray_icon.moc"
