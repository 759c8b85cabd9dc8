#include "DialoguePage.h"

#include "DialogueFile.h"
#include "DialogueTableModel.h"
#include "Prompter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace lectern::dialogue {

namespace {

// The key codes the navigation rules know; 0 for every other key.
int keyCode(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyEnter;
    case Qt::Key_Escape:
        return KeyEscape;
    case Qt::Key_PageUp:
        return KeyPageUp;
    case Qt::Key_PageDown:
        return KeyPageDown;
    case Qt::Key_End:
        return KeyEnd;
    case Qt::Key_Home:
        return KeyHome;
    case Qt::Key_Left:
        return KeyLeft;
    case Qt::Key_Up:
        return KeyUp;
    case Qt::Key_Right:
        return KeyRight;
    case Qt::Key_Down:
        return KeyDown;
    default:
        return 0;
    }
}

class Placing {
public:
    explicit Placing(int& depth) : m_depth(depth) { ++m_depth; }
    ~Placing() { --m_depth; }
    Placing(const Placing&) = delete;
    Placing& operator=(const Placing&) = delete;

private:
    int& m_depth;
};

QString dialogueFilter() {
    return QStringLiteral("Dialogue (*.tsv);;All Files (*)");
}

} // namespace

DialoguePage::DialoguePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DialoguePage"));

    mshlist = new QTableView(this);
    mshlist->setObjectName(QStringLiteral("mshlist"));
    mshlist->setAccessibleName(QStringLiteral("Dialogue script"));
    m_model = new DialogueTableModel(m_grid, this);
    mshlist->setModel(m_model);
    mshlist->verticalHeader()->hide();
    mshlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mshlist->setSelectionMode(QAbstractItemView::SingleSelection);
    mshlist->setSelectionBehavior(QAbstractItemView::SelectItems);
    mshlist->setSortingEnabled(false);
    mshlist->setTabKeyNavigation(false);
    mshlist->setWordWrap(false);
    mshlist->horizontalHeader()->setSectionsClickable(false);
    mshlist->horizontalHeader()->setHighlightSections(false);
    mshlist->setContextMenuPolicy(Qt::CustomContextMenu);

    // The editors live in the grid's viewport, so whatever scrolls out of it
    // is clipped, and parking is a move below its bottom edge.
    txtTemp = new QLineEdit(mshlist->viewport());
    txtTemp->setObjectName(QStringLiteral("txtTemp"));
    txtTemp->setAccessibleName(QStringLiteral("Dialogue text"));
    QPalette palette = txtTemp->palette();
    palette.setColor(QPalette::Base, QColor(255, 240, 240));
    txtTemp->setPalette(palette);
    cboTemp = new QComboBox(mshlist->viewport());
    cboTemp->setObjectName(QStringLiteral("cboTemp"));
    cboTemp->setAccessibleName(QStringLiteral("Dialogue choice"));
    cboTemp->setEditable(true);
    cboTemp->setInsertPolicy(QComboBox::NoInsert);
    // Completion would write a longer value into the cell than was typed.
    cboTemp->setCompleter(nullptr);
    cboTemp->hide();

    // Rows tall enough for the choice editor to cover a cell exactly.
    QHeaderView* rows = mshlist->verticalHeader();
    const int rowHeight = std::max(cboTemp->sizeHint().height(), txtTemp->sizeHint().height());
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    cmdadd = new QPushButton(QStringLiteral("增行"), this);
    cmdadd->setObjectName(QStringLiteral("cmdadd"));
    cmdadd->setToolTip(QStringLiteral("Add Row"));
    cmdinsert = new QPushButton(QStringLiteral("插入"), this);
    cmdinsert->setObjectName(QStringLiteral("cmdinsert"));
    cmddelete = new QPushButton(QStringLiteral("刪行"), this);
    cmddelete->setObjectName(QStringLiteral("cmddelete"));
    cmddelete->setToolTip(QStringLiteral("Delete Row"));
    cmddeleteall = new QPushButton(QStringLiteral("清空"), this);
    cmddeleteall->setObjectName(QStringLiteral("cmddeleteall"));
    cmddeleteall->setToolTip(QStringLiteral("Clear"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mshlist, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmddeleteall);
    buttons->addWidget(cmddelete);
    buttons->addWidget(cmdinsert);
    buttons->addWidget(cmdadd);
    layout->addLayout(buttons);

    saveAction = new QAction(QStringLiteral("Save dialogue…"), this);
    saveAction->setObjectName(QStringLiteral("saveDialogue"));
    saveAction->setShortcut(QKeySequence::Save);
    saveAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    openAction = new QAction(QStringLiteral("Open dialogue…"), this);
    openAction->setObjectName(QStringLiteral("openDialogue"));
    openAction->setShortcut(QKeySequence::Open);
    openAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(saveAction);
    addAction(openAction);
    connect(saveAction, &QAction::triggered, this, &DialoguePage::saveDialogue);
    connect(openAction, &QAction::triggered, this, &DialoguePage::openDialogue);
    connect(mshlist, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(saveAction);
        menu.addAction(openAction);
        menu.exec(mshlist->viewport()->mapToGlobal(at));
    });

    connect(cmdadd, &QPushButton::clicked, this, &DialoguePage::cmdadd_Click);
    connect(cmdinsert, &QPushButton::clicked, this, &DialoguePage::cmdinsert_Click);
    connect(cmddelete, &QPushButton::clicked, this, &DialoguePage::cmddelete_Click);
    connect(cmddeleteall, &QPushButton::clicked, this, &DialoguePage::cmddeleteall_Click);

    // Every edit goes into the cell at once.
    connect(txtTemp, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_grid.setCurrentText(text); });
    connect(cboTemp, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_filling)
            m_grid.setCurrentText(text);
    });

    connect(mshlist, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        ParkEditors();
        m_grid.setCurrentCell(index.row() + FirstDataRow, index.column());
        txtTemp->show();
        enterCell();
    });
    connect(mshlist, &QAbstractItemView::clicked, this, [this] { mshlist_Click(); });
    connect(mshlist->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &DialoguePage::ParkEditors);
    connect(mshlist->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &DialoguePage::ParkEditors);

    mshlist->installEventFilter(this);
    txtTemp->installEventFilter(this);
    cboTemp->installEventFilter(this);
    cboTemp->lineEdit()->installEventFilter(this);

    ResetDialogueGrid();
    ParkEditors();
}

DialoguePage::~DialoguePage() = default;

void DialoguePage::applyHeaderWidths() {
    QHeaderView* header = mshlist->horizontalHeader();
    const QFontMetrics metrics = header->fontMetrics();
    const QStringList headers = paddedHeaders();
    for (int c = 0; c < ColumnCount; ++c)
        header->resizeSection(c, metrics.horizontalAdvance(headers[c]));
}

void DialoguePage::ResetDialogueGrid() {
    applyHeaderWidths();
    m_grid.Reset();
    showCurrentCell();
}

int DialoguePage::parkedTop() const {
    // Well below the grid's visible area, as 2000 twips would be.
    return mshlist->viewport()->height() + 2000 * logicalDpiY() / 1440;
}

void DialoguePage::ParkEditors() {
    const int top = parkedTop();
    txtTemp->move(txtTemp->x(), top);
    cboTemp->move(cboTemp->x(), top);
}

bool DialoguePage::editorsParked() const {
    const int bottom = mshlist->viewport()->height();
    return txtTemp->y() >= bottom && cboTemp->y() >= bottom;
}

QRect DialoguePage::currentCellRect() const {
    return mshlist->visualRect(m_model->cellIndex(m_grid.currentRow(), m_grid.currentColumn()));
}

void DialoguePage::showCurrentCell() {
    const QModelIndex index = m_model->cellIndex(m_grid.currentRow(), m_grid.currentColumn());
    mshlist->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    mshlist->scrollTo(index);
}

void DialoguePage::loadCell() {
    Placing placing(m_placing);
    txtTemp->show();
    const QString text = m_grid.currentText();
    if (txtTemp->text() != text) {
        txtTemp->setText(text);
        txtTemp->setCursorPosition(0);
    }
    txtTemp->setFocus();
}

void DialoguePage::enterCell() {
    showCurrentCell();
    loadCell();
    applyOpen(openCellEditor(m_grid.currentColumn(), m_editor));
}

void DialoguePage::applyOpen(const OpenOutcome& open) {
    Placing placing(m_placing);
    const QRect cell = currentCellRect();
    if (open.choice) {
        cboTemp->show();
        cboTemp->setFocus();
        fillChoices();
        cboTemp->setGeometry(cell);
        txtTemp->hide();
        txtTemp->move(txtTemp->x(), parkedTop());
    } else {
        cboTemp->hide();
        txtTemp->show();
        txtTemp->setFocus();
        if (open.placeText)
            txtTemp->setGeometry(cell);
        if (open.caret)
            txtTemp->setCursorPosition(*open.caret);
    }
    m_editor = open.editor;
}

void DialoguePage::fillChoices() {
    m_filling = true;
    const int column = m_grid.currentColumn();
    QStringList voices;
    if (column == VoiceColumn && m_voices) {
        try {
            voices = m_voices();
        } catch (...) {
            // An engine that cannot list its voices leaves the list empty.
        }
    }
    const QStringList items = choiceItems(column, voices);
    cboTemp->clear();
    cboTemp->addItems(items);
    // Only an exact match shows; the cell keeps a value that is not listed.
    const int match = items.indexOf(m_grid.currentText());
    cboTemp->setCurrentIndex(match);
    if (match < 0)
        cboTemp->setEditText(QString());
    m_filling = false;
}

void DialoguePage::mshlist_GotFocus() {
    txtTemp->show();
    m_grid.takeFocus();
    enterCell();
}

void DialoguePage::mshlist_Click() {
    enterCell();
    if (!isChoiceColumn(m_grid.currentColumn()))
        txtTemp->end(false);
}

void DialoguePage::applyKey(const KeyOutcome& out) {
    Placing placing(m_placing);
    // Every edit is already in the cell, so leaving only hides the editor:
    // writing its text again would empty a cell whose value is not listed.
    if (out.commitChoice)
        cboTemp->hide();
    if (out.clearCell) {
        m_filling = true;
        cboTemp->setEditText(QString());
        m_filling = false;
        m_grid.setCurrentText(QString());
        cboTemp->lineEdit()->end(false);
    }
    if (out.leftCell)
        ParkEditors();
    m_editor = out.editor;
    m_grid.setCurrentCell(out.row, out.column);
    showCurrentCell();
    if (out.scroll != PageScroll::None)
        mshlist->verticalScrollBar()->triggerAction(out.scroll == PageScroll::Up
                                                        ? QAbstractSlider::SliderPageStepSub
                                                        : QAbstractSlider::SliderPageStepAdd);
    if (out.open) {
        loadCell();
        applyOpen(*out.open);
    }
}

bool DialoguePage::txtTemp_KeyDown(int key) {
    EditorState state = m_editor;
    state.caret = txtTemp->cursorPosition();
    state.textLength = int(txtTemp->text().size());
    const KeyOutcome out =
        textEditorKey({m_grid.rowCount(), m_grid.currentRow(), m_grid.currentColumn()}, key, state);
    applyKey(out);
    return out.consumed || key == KeyEnter;
}

bool DialoguePage::cboTemp_KeyDown(int key) {
    const KeyOutcome out = choiceEditorKey(
        {m_grid.rowCount(), m_grid.currentRow(), m_grid.currentColumn()}, key, m_editor);
    applyKey(out);
    return out.consumed;
}

bool DialoguePage::focusLeftTheGrid(QEvent* event) const {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A drop-down list or another window taking the focus for a while is
    // not leaving the cell.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return false;
    const QWidget* now = QApplication::focusWidget();
    return !now || !(now == mshlist || mshlist->isAncestorOf(now));
}

bool DialoguePage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = keyCode(static_cast<QKeyEvent*>(event));
        if (watched == txtTemp)
            return txtTemp_KeyDown(key);
        if (watched == cboTemp || watched == cboTemp->lineEdit())
            return cboTemp_KeyDown(key);
        break;
    }
    case QEvent::FocusIn:
        if (watched == mshlist && m_placing == 0)
            mshlist_GotFocus();
        break;
    case QEvent::FocusOut:
        if (m_placing == 0 && focusLeftTheGrid(event))
            ParkEditors();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void DialoguePage::cmdadd_Click() {
    ParkEditors();
    m_grid.addRow();
    enterCell();
}

void DialoguePage::cmdinsert_Click() {
    m_grid.insertAtCurrent();
    enterCell();
}

void DialoguePage::cmddelete_Click() {
    if (m_grid.rowCount() > FirstDataRow + 1)
        ParkEditors();
    m_grid.deleteCurrent();
    enterCell();
    mshlist_GotFocus();
}

void DialoguePage::cmddeleteall_Click() {
    ResetDialogueGrid();
}

void DialoguePage::showFailure(const QString& description) {
    if (m_prompter)
        m_prompter->prompt(speech::messageTitle(), description, speech::PromptIcon::Error,
                           speech::PromptButtons::Ok);
}

void DialoguePage::saveDialogueTo(const QString& path) {
    try {
        dialogue::saveDialogue(path, m_grid.rows());
    } catch (const DialogueError& e) {
        showFailure(e.description());
    }
}

void DialoguePage::openDialogueFrom(const QString& path) {
    try {
        std::vector<DialogueRow> rows = loadDialogue(path);
        QHeaderView* header = mshlist->horizontalHeader();
        QList<int> widths;
        for (int c = 0; c < ColumnCount; ++c)
            widths << header->sectionSize(c);
        ParkEditors();
        m_grid.replaceRows(std::move(rows));
        for (int c = 0; c < ColumnCount; ++c)
            header->resizeSection(c, widths[c]);
        showCurrentCell();
    } catch (const DialogueError& e) {
        showFailure(e.description());
    }
}

void DialoguePage::saveDialogue() {
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save dialogue"), QString(),
                                                dialogueFilter());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".tsv");
    saveDialogueTo(path);
}

void DialoguePage::openDialogue() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open dialogue"),
                                                      QString(), dialogueFilter());
    if (!path.isEmpty())
        openDialogueFrom(path);
}

} // namespace lectern::dialogue
