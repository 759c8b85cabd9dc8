// The document page as a user drives it: the drive, folder and file lists,
// opening files of several encodings and the refusals, the font lists and
// the pane's selection gestures.

#include "DocumentPage.h"
#include "FakeWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

using namespace lectern;

namespace {

const QString OldText = QStringLiteral("the text that was there before");

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray utf16WithMark(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

// Double-clicks the file list's entry as a user would.
bool doubleClickFile(QListWidget* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    list->scrollToItem(found.first());
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    return true;
}

// Picks a list entry from the combo box's drop-down.
void chooseFromList(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    QVERIFY(index >= 0);
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex item = view->model()->index(index, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY(!view->window()->isVisible());
}

} // namespace

class DocumentPageTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<shell::DocumentPage> page;
    RecordingPrompter prompter;

    // Points the browser at the test folder through the folder list.
    void showTestFolder() {
        const int home = page->Drive1->findData(QDir::rootPath());
        QVERIFY(home >= 0);
        page->Drive1->setCurrentIndex(home);
        page->chooseFolder(dir.path());
        QCOMPARE(page->fileListPath(), dir.path());
    }

    // Opens by double click and waits for the outcome.
    bool open(const QString& name) {
        QSignalSpy opened(page.get(), &shell::DocumentPage::fileOpened);
        QSignalSpy failed(page.get(), &shell::DocumentPage::openFailed);
        if (!doubleClickFile(page->File1, name))
            return false;
        if (!QTest::qWaitFor([&] { return opened.size() + failed.size() > 0; }, 20000))
            return false;
        return opened.size() == 1;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void init() {
        page = std::make_unique<shell::DocumentPage>();
        page->setPrompter(prompter);
        prompter.prompts.clear();
        page->resize(900, 600);
        page->Text1->setGeometry(0, 0, 500, 500);
        page->File1->setGeometry(520, 0, 300, 300);
        page->Combo7->setGeometry(520, 320, 100, 30);
        page->Combo6->setGeometry(520, 360, 300, 30);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->fillFontList();
        page->pointFileBrowser();
        page->Text1->setPlainText(OldText);
    }

    void startUpPointsAtHome() {
        QCOMPARE(page->Drive1->itemData(0).toString(), QDir::homePath());
        QCOMPARE(page->Drive1->currentIndex(), 0);
        QCOMPARE(page->folderPath(), QDir::homePath());
        QCOMPARE(page->fileListPath(), QDir::homePath());
        QCOMPARE(page->Combo6->count(), QFontDatabase::families().size());
        QCOMPARE(page->Combo6->itemText(0), QFontDatabase::families().first());
        QCOMPARE(page->File1->toolTip(), QStringLiteral("請點擊兩次開啟檔案"));
    }

    void opensEncodings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString chinese = QStringLiteral("朗讀檔案：中文與 English。\n第二行");
        QTest::newRow("utf-8") << chinese.toUtf8() << chinese;
        QTest::newRow("big5") << QByteArray("\xa4\xa4\xa4\xe5\xc0\xc9\xae\xd7 ok") // 中文檔案
                              << QStringLiteral("中文檔案 ok");
        QTest::newRow("utf-16 with mark") << utf16WithMark(chinese) << chinese;
    }
    void opensEncodings() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        writeFile(dir.filePath(QStringLiteral("open.txt")), bytes);
        showTestFolder();
        // Put the caret and a selection somewhere else first.
        QTextCursor cursor = page->Text1->textCursor();
        cursor.setPosition(3);
        cursor.setPosition(8, QTextCursor::KeepAnchor);
        page->Text1->setTextCursor(cursor);

        QVERIFY(open(QStringLiteral("open.txt")));
        QCOMPARE(page->Text1->toPlainText(), text);
        QCOMPARE(page->Text1->textCursor().position(), 0);
        QVERIFY(!page->Text1->textCursor().hasSelection());
        QVERIFY(prompter.prompts.isEmpty());
        // The pane stays an editor: typing goes into the opened text.
        page->Text1->setFocus();
        QTest::keyClicks(page->Text1, QStringLiteral("x"));
        QCOMPARE(page->Text1->toPlainText(), QStringLiteral("x") + text);
    }

    void refusals_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("deleted after listing") << "deleted"
                                               << "no longer exists";
        QTest::newRow("binary") << "binary"
                                << "not a text file";
        QTest::newRow("oversized") << "oversized"
                                   << "larger than 64 MiB";
    }
    void refusals() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString name = kind + QStringLiteral(".dat");
        const QString path = dir.filePath(name);
        if (kind == QLatin1String("binary")) {
            writeFile(path, QByteArray("text\0more", 9));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kind == QLatin1String("oversized") ? 64 * 1024 * 1024 + 1 : 10));
        }
        showTestFolder();
        if (kind == QLatin1String("deleted"))
            QVERIFY(QFile::remove(path));
        QVERIFY(page->File1->findItems(name, Qt::MatchExactly).size() == 1);

        QVERIFY(!open(name));
        QCOMPARE(prompter.prompts.size(), 1);
        const Prompt& box = prompter.prompts.first();
        QCOMPARE(box.title, QStringLiteral("訊息"));
        QCOMPARE(box.icon, speech::PromptIcon::Error);
        QVERIFY2(box.text.contains(reason), qPrintable(box.text));
        QCOMPARE(page->Text1->toPlainText(), OldText);
        QFile::remove(path);
    }

    void opensFileAtTheRootOfAVolume() {
        // The root folder's entries are joined with a doubled separator.
        const QString name =
            QStringLiteral("lectern-root-%1.txt").arg(QCoreApplication::applicationPid());
        QFile file(QDir::rootPath() + name);
        if (!file.open(QIODevice::WriteOnly))
            QSKIP("the root folder is not writable here");
        file.write("root text");
        file.close();
        const int root = page->Drive1->findData(QDir::rootPath());
        QVERIFY(root >= 0);
        page->Drive1->setCurrentIndex(root);
        page->chooseFolder(QDir::rootPath());
        QCOMPARE(page->fileListPath(), QDir::rootPath());
        const bool opened = open(name);
        QFile::remove(file.fileName());
        QVERIFY(opened);
        QCOMPARE(page->Text1->toPlainText(), QStringLiteral("root text"));
    }

    void folderChoiceListsItsFiles() {
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        writeFile(dir.filePath(QStringLiteral("sub/inner.txt")), "inner");
        writeFile(dir.filePath(QStringLiteral("sub/.hidden")), "hidden");
        showTestFolder();
        const QString sub = dir.filePath(QStringLiteral("sub"));
        page->chooseFolder(sub);
        QCOMPARE(page->fileListPath(), sub);
        QCOMPARE(page->folderPath(), sub);
        QCOMPARE(page->File1->count(), 1);
        QCOMPARE(page->File1->item(0)->text(), QStringLiteral("inner.txt"));
    }

    void unusableDriveChangesNothing() {
        showTestFolder();
        const int before = page->Drive1->currentIndex();
        const int files = page->File1->count();
        page->Drive1->addItem(QStringLiteral("/no-medium"), QStringLiteral("/no-such-volume-here"));
        page->Drive1->setCurrentIndex(page->Drive1->count() - 1);
        QCOMPARE(page->Drive1->currentIndex(), before);
        QCOMPARE(page->fileListPath(), dir.path());
        QCOMPARE(page->File1->count(), files);
        QVERIFY(prompter.prompts.isEmpty());
    }

    void sizeFromListApplies_typedSizeDoesNot() {
        const qreal before = page->Text1->document()->size().height();
        chooseFromList(page->Combo7, QStringLiteral("72"));
        QCOMPARE(page->Text1->font().pointSize(), 72);
        QVERIFY(page->Text1->document()->size().height() > before * 3);

        page->Combo7->lineEdit()->selectAll();
        QTest::keyClicks(page->Combo7->lineEdit(), QStringLiteral("13"));
        QTest::keyClick(page->Combo7->lineEdit(), Qt::Key_Return);
        QCOMPARE(page->Text1->font().pointSize(), 72);
        QCOMPARE(page->Combo7->count(), 16);
    }

    void fontNameFromList() {
        const QStringList families = QFontDatabase::families();
        const QString chosen = families.last();
        chooseFromList(page->Combo6, chosen);
        QCOMPARE(page->Text1->font().family(), chosen);
    }

    void doubleClickAndCtrlASelectAll_data() {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("double click") << true;
        QTest::newRow("ctrl+a") << false;
    }
    void doubleClickAndCtrlASelectAll() {
        QFETCH(bool, byMouse);
        page->Text1->setPlainText(QStringLiteral("first line words\nsecond line"));
        page->Text1->setFocus();
        if (byMouse)
            QTest::mouseDClick(page->Text1->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        else
            QTest::keyClick(page->Text1, Qt::Key_A, Qt::ControlModifier);
        const QTextCursor cursor = page->Text1->textCursor();
        QCOMPARE(cursor.selectionStart(), 0);
        QCOMPARE(cursor.selectionEnd(), page->Text1->document()->characterCount() - 1);
    }

    void largeFileLoadsWhileEventsRun() {
        QByteArray line =
            QStringLiteral("大檔案的一行 with some English words, 第%1行.\n").toUtf8();
        QByteArray bytes;
        while (bytes.size() < 8 * 1024 * 1024)
            bytes += line;
        writeFile(dir.filePath(QStringLiteral("large.txt")), bytes);
        showTestFolder();
        QSignalSpy opened(page.get(), &shell::DocumentPage::fileOpened);
        QVERIFY(doubleClickFile(page->File1, QStringLiteral("large.txt")));
        // The double click returned with the text still being read.
        QVERIFY(page->isLoading());
        QCOMPARE(page->Text1->toPlainText(), OldText);
        QVERIFY(opened.wait(60000));
        QCOMPARE(page->Text1->document()->characterCount() - 1, QString::fromUtf8(bytes).size());
    }

    void cleanup() { page.reset(); }
};

QTEST_MAIN(DocumentPageTest)
#include "test_document_page.moc"
