#include "DialogueFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace lectern::dialogue {

namespace {

// A file of rows larger than this is not one a person typed.
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

QString headerLine() {
    return headerTitles().join(u'\t');
}

void appendEscaped(QString& out, const QString& cell) {
    for (const QChar c : cell) {
        switch (c.unicode()) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'\t':
            out += u"\\t";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        default:
            out += c;
        }
    }
}

QString notDialogue(const QString& name, const QString& why) {
    return QStringLiteral("\"%1\" is not a dialogue file: %2").arg(name, why);
}

// Undoes appendEscaped; false on an escape it never writes.
bool unescape(QStringView cell, QString& out) {
    out.clear();
    out.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != u'\\') {
            out += cell[i];
            continue;
        }
        if (++i == cell.size())
            return false;
        switch (cell[i].unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u't':
            out += u'\t';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray serialiseDialogue(const std::vector<DialogueRow>& rows) {
    QString text = headerLine() + u'\n';
    for (const DialogueRow& row : rows) {
        for (int c = 0; c < ColumnCount; ++c) {
            if (c > 0)
                text += u'\t';
            appendEscaped(text, row.cell(c));
        }
        text += u'\n';
    }
    return text.toUtf8();
}

std::vector<DialogueRow> parseDialogue(const QByteArray& bytes, const QString& name) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw DialogueError(notDialogue(name, QStringLiteral("it is not UTF-8 text.")));
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    QList<QStringView> lines = QStringView(text).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line break
    for (QStringView& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (lines.isEmpty() || lines.first() != headerLine())
        throw DialogueError(
            notDialogue(name, QStringLiteral("its first line is not the dialogue header.")));
    if (lines.size() < 2)
        throw DialogueError(notDialogue(name, QStringLiteral("it holds no dialogue rows.")));

    std::vector<DialogueRow> rows;
    rows.reserve(size_t(lines.size() - 1));
    QString cell;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QList<QStringView> cells = lines[n].split(u'\t');
        if (cells.size() != ColumnCount)
            throw DialogueError(
                notDialogue(name, QStringLiteral("line %1 has %2 cells instead of %3.")
                                      .arg(n + 1)
                                      .arg(cells.size())
                                      .arg(ColumnCount)));
        DialogueRow row = DialogueRow::blank();
        for (int c = 0; c < ColumnCount; ++c) {
            if (!unescape(cells[c], cell))
                throw DialogueError(notDialogue(
                    name, QStringLiteral("line %1 holds a stray backslash.").arg(n + 1)));
            row.cell(c) = cell;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void saveDialogue(const QString& path, const std::vector<DialogueRow>& rows) {
    QSaveFile file(path);
    const QByteArray bytes = serialiseDialogue(rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw DialogueError(QStringLiteral("The dialogue could not be saved to \"%1\": %2")
                                .arg(path, file.errorString()));
}

std::vector<DialogueRow> loadDialogue(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        throw DialogueError(QStringLiteral("The dialogue \"%1\" could not be opened: %2")
                                .arg(path, file.errorString()));
    if (file.size() > MaxFileBytes)
        throw DialogueError(notDialogue(name, QStringLiteral("it is far too large.")));
    return parseDialogue(file.readAll(), name);
}

} // namespace lectern::dialogue
