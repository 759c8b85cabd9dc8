#include "DocumentPage.h"

#include "TextFile.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFutureWatcher>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QStorageInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTreeView>
#include <QtConcurrent>

#include <stdexcept>

namespace lectern::shell {

namespace {

// File systems of the kernel's own that hold no user files.
bool isPseudoFileSystem(const QByteArray& type) {
    static const QByteArrayList pseudo = {
        "proc",       "sysfs",    "devtmpfs", "devpts",   "cgroup",      "cgroup2",
        "securityfs", "pstore",   "bpf",      "debugfs",  "tracefs",     "mqueue",
        "hugetlbfs",  "configfs", "fusectl",  "autofs",   "binfmt_misc", "efivarfs",
        "rpc_pipefs", "nsfs",     "ramfs",    "selinuxfs"};
    return pseudo.contains(type);
}

bool isUsableFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// The text as the pane will show it, built where it was read.
struct BuiltDocument {
    QTextDocument* document = nullptr;
    ~BuiltDocument() { delete document; }
};

struct LoadOutcome {
    std::shared_ptr<BuiltDocument> built;
    QString failure;
};

} // namespace

struct DocumentPage::Load {
    QFutureWatcher<LoadOutcome> watcher;
    QString fullName;
    bool running = false;
};

QList<DriveEntry> listDrives() {
    QList<DriveEntry> drives;
    const QString home = QDir::homePath();
    drives.append({home, home});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || isPseudoFileSystem(volume.fileSystemType()))
            continue;
        const QString root = volume.rootPath();
        if (root == home)
            continue;
        QString label = root;
        const QString name = volume.name();
        if (!name.isEmpty() && name != root)
            label += QStringLiteral(" [%1]").arg(name);
        drives.append({root, label});
    }
    return drives;
}

DocumentPage::DocumentPage(QWidget* parent) : QWidget(parent), m_load(std::make_unique<Load>()) {
    setObjectName(QStringLiteral("DocumentPage"));

    Text1 = new QTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAcceptRichText(false);
    Text1->setAccessibleName(QStringLiteral("朗讀檔案"));
    Text1->viewport()->installEventFilter(this);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setAccessibleName(QStringLiteral("磁碟機"));
    for (const DriveEntry& drive : listDrives())
        Drive1->addItem(drive.label, drive.root);

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setReadOnly(true);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setAccessibleName(QStringLiteral("資料夾"));
    Dir1->setModel(m_folders);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        Dir1->hideColumn(column);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setToolTip(QStringLiteral("請點擊兩次開啟檔案"));
    File1->setAccessibleName(File1->toolTip());

    Label4 = new QLabel(QStringLiteral("字型"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Combo6 = new QComboBox(this);
    Combo6->setObjectName(QStringLiteral("Combo6"));
    Combo6->setToolTip(QStringLiteral("Font Name"));
    Combo6->setAccessibleName(Label4->text());
    Label4->setBuddy(Combo6);

    Label12 = new QLabel(QStringLiteral("字型大小"), this);
    Label12->setObjectName(QStringLiteral("Label12"));
    Combo7 = new QComboBox(this);
    Combo7->setObjectName(QStringLiteral("Combo7"));
    Combo7->setToolTip(QStringLiteral("Font size"));
    Combo7->setAccessibleName(Label12->text());
    Label12->setBuddy(Combo7);
    for (const char* size : {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26",
                             "28", "36", "48", "72"})
        Combo7->addItem(QString::fromLatin1(size));

    // Both lists take typing, but only a choice from the list applies.
    for (QComboBox* list : {Combo6, Combo7}) {
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setCurrentIndex(-1);
    }

    Label13 = new QLabel(QStringLiteral("[ Ctrl + A ]  可全選文字"), this);
    Label13->setObjectName(QStringLiteral("Label13"));

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_pointing)
            Drive1_Change();
    });
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!m_pointing)
            Dir1_Change();
    });
    connect(File1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openListedFile(item->text()); });
    connect(Combo6, &QComboBox::activated, this, &DocumentPage::Combo6_Click);
    connect(Combo7, &QComboBox::activated, this, &DocumentPage::Combo7_Click);
    connect(&m_load->watcher, &QFutureWatcher<LoadOutcome>::finished, this,
            &DocumentPage::finishLoad);
}

DocumentPage::~DocumentPage() {
    // The reader owns nothing of the page; let it end before the page goes.
    m_load->watcher.waitForFinished();
}

void DocumentPage::fillFontList() {
    Combo6->clear();
    Combo6->addItems(QFontDatabase::families());
    Combo6->setCurrentIndex(-1);
}

void DocumentPage::pointFileBrowser() {
    Drive1_Change();
    if (m_drive.isEmpty())
        throw std::runtime_error("The file browser found no drive to show.");
}

void DocumentPage::showFolder(const QString& root, const QString& folder) {
    m_pointing = true;
    m_folders->setRootPath(root);
    const QModelIndex rootIndex = m_folders->index(root);
    Dir1->setRootIndex(rootIndex);
    const QModelIndex current = m_folders->index(folder);
    Dir1->setCurrentIndex(current);
    Dir1->scrollTo(current);
    Dir1->expand(current);
    m_pointing = false;
}

void DocumentPage::fillFileList(const QString& folder) {
    if (!isUsableFolder(folder))
        throw std::runtime_error("The folder cannot be read.");
    const QStringList names =
        QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    File1->clear();
    File1->addItems(names);
    m_fileListPath = folder;
}

void DocumentPage::Drive1_Change() {
    const QString root = Drive1->currentData().toString();
    try {
        if (!isUsableFolder(root))
            throw std::runtime_error("The drive cannot be read.");
        QString folder = m_driveFolders.value(root, root);
        if (!isUsableFolder(folder))
            folder = root;
        fillFileList(folder);
        showFolder(root, folder);
        m_drive = root;
        m_folder = folder;
        m_driveFolders[root] = folder;
    } catch (const std::exception&) {
        // A drive without a medium: everything stays as it was.
        m_pointing = true;
        const int previous = Drive1->findData(m_drive);
        if (previous >= 0)
            Drive1->setCurrentIndex(previous);
        m_pointing = false;
    }
    unsetCursor();
}

void DocumentPage::Dir1_Change() {
    const QString folder = m_folders->filePath(Dir1->currentIndex());
    try {
        if (folder.isEmpty())
            throw std::runtime_error("No folder is chosen.");
        fillFileList(folder);
        m_folder = folder;
        m_driveFolders[m_drive] = folder;
    } catch (const std::exception&) {
        // The file list keeps the folder it showed.
    }
    unsetCursor();
}

void DocumentPage::chooseFolder(const QString& path) {
    Dir1->setCurrentIndex(m_folders->index(path));
}

void DocumentPage::Combo6_Click(int index) {
    if (index < 0 || index >= Combo6->count())
        return;
    QFont font = Text1->font();
    font.setFamily(Combo6->itemText(index));
    Text1->setFont(font);
}

void DocumentPage::Combo7_Click(int index) {
    if (index < 0 || index >= Combo7->count())
        return;
    bool ok = false;
    const int size = Combo7->itemText(index).toInt(&ok);
    if (!ok || size <= 0)
        return;
    QFont font = Text1->font();
    font.setPointSize(size);
    Text1->setFont(font);
}

void DocumentPage::openListedFile(const QString& fileName) {
    // Joined as the list gives it; at a volume's root this doubles the
    // separator, which the file system accepts.
    openFile(m_fileListPath + QLatin1Char('/') + fileName);
}

bool DocumentPage::isLoading() const {
    return m_load->running;
}

void DocumentPage::openFile(const QString& fullName) {
    // One file at a time: the newest request wins.
    if (m_load->running) {
        m_load->watcher.disconnect(this);
        m_load->watcher.waitForFinished();
        m_load = std::make_unique<Load>();
        connect(&m_load->watcher, &QFutureWatcher<LoadOutcome>::finished, this,
                &DocumentPage::finishLoad);
    }
    setCursor(Qt::BusyCursor);
    m_load->fullName = fullName;
    m_load->running = true;
    QThread* ui = thread();
    m_load->watcher.setFuture(QtConcurrent::run([fullName, ui]() -> LoadOutcome {
        LoadOutcome outcome;
        try {
            const DecodedText decoded = readTextFile(fullName);
            // Splitting a long text into blocks is the slow part; doing it
            // here keeps the window answering.
            auto built = std::make_shared<BuiltDocument>();
            built->document = new QTextDocument;
            built->document->setUndoRedoEnabled(false);
            built->document->setPlainText(decoded.text);
            built->document->setUndoRedoEnabled(true);
            built->document->moveToThread(ui);
            outcome.built = built;
        } catch (const TextFileError& e) {
            outcome.failure = e.description();
        } catch (const std::exception& e) {
            outcome.failure = QString::fromUtf8(e.what());
        }
        return outcome;
    }));
}

void DocumentPage::finishLoad() {
    m_load->running = false;
    const LoadOutcome outcome = m_load->watcher.result();
    const QString fullName = m_load->fullName;
    if (!outcome.built) {
        unsetCursor();
        if (m_prompter)
            m_prompter->prompt(speech::messageTitle(), outcome.failure, speech::PromptIcon::Error,
                               speech::PromptButtons::Ok);
        emit openFailed(outcome.failure);
        return;
    }
    QTextDocument* document = outcome.built->document;
    outcome.built->document = nullptr;
    document->setDefaultFont(Text1->font());
    const QPointer<QTextDocument> previous = Text1->document();
    Text1->setDocument(document);
    document->setParent(Text1);
    // The editor frees only the document it made itself.
    if (previous && previous->parent() == Text1)
        previous->deleteLater();
    QTextCursor top(document);
    top.movePosition(QTextCursor::Start);
    Text1->setTextCursor(top);
    Text1->ensureCursorVisible();
    unsetCursor();
    emit fileOpened(fullName);
}

bool DocumentPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // A double click selects the whole document, not the word under it.
        Text1->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lectern::shell
