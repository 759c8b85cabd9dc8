#pragma once
// Dialogue files: UTF-8 text, a header line of the six column titles, then
// one line per row, the cells separated by tabs. Tabs, line breaks and
// backslashes inside a cell are written as \t, \n, \r and \\.

#include "DialogueGrid.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace lectern::dialogue {

QByteArray serialiseDialogue(const std::vector<DialogueRow>& rows);
// Throws a DialogueError when the bytes are not a dialogue file; `name`
// names the file in the description.
std::vector<DialogueRow> parseDialogue(const QByteArray& bytes, const QString& name);

// Replaces the file in one step, so a failed write leaves the old one.
void saveDialogue(const QString& path, const std::vector<DialogueRow>& rows);
std::vector<DialogueRow> loadDialogue(const QString& path);

} // namespace lectern::dialogue
