#pragma once
// The document page: the text pane, a drive, folder and file browser that
// opens text files into it, and the pane's font lists.

#include "Prompter.h"

#include <QHash>
#include <QWidget>

#include <memory>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTextEdit;
class QTreeView;

namespace lectern::shell {

// The volumes the drive list offers: the home folder first, then every
// mounted volume that holds files (pseudo file systems left out).
struct DriveEntry {
    QString root;
    QString label;
};
QList<DriveEntry> listDrives();

class DocumentPage : public QWidget {
    Q_OBJECT
public:
    explicit DocumentPage(QWidget* parent = nullptr);
    ~DocumentPage() override;

    QTextEdit* Text1 = nullptr;
    QComboBox* Drive1 = nullptr;
    QTreeView* Dir1 = nullptr;
    QListWidget* File1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Combo6 = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* Combo7 = nullptr;
    QLabel* Label13 = nullptr;

    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }

    // Start-up: every screen font into the font list; the folder list at the
    // drive's current folder and the file list at that folder.
    void fillFontList();
    void pointFileBrowser();

    QString folderPath() const { return m_folder; }
    QString fileListPath() const { return m_fileListPath; }

    // Handlers of the lists; failures leave the lists as they were.
    void Drive1_Change();
    void Dir1_Change();
    // Chooses a folder of the current drive as if the user clicked it.
    void chooseFolder(const QString& path);
    void Combo6_Click(int index);
    void Combo7_Click(int index);

    // Opens the file list's entry; the text is read off the UI thread and
    // replaces the pane's text when it is ready.
    void openListedFile(const QString& fileName);
    void openFile(const QString& fullName);
    bool isLoading() const;

signals:
    void fileOpened(const QString& fullName);
    void openFailed(const QString& description);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Load;
    void showFolder(const QString& root, const QString& folder);
    void fillFileList(const QString& folder);
    void finishLoad();

    speech::Prompter* m_prompter = nullptr;
    QFileSystemModel* m_folders = nullptr;
    QString m_drive;
    QString m_folder;
    QString m_fileListPath;
    // The folder each drive was left at, so coming back finds it again.
    QHash<QString, QString> m_driveFolders;
    bool m_pointing = false;
    std::unique_ptr<Load> m_load;
};

} // namespace lectern::shell
