// Dialogue rows of any content become markup (or a described refusal), and
// that markup is read by the engine's markup reader without failing.

#include "DialogueGrid.h"
#include "DialogueMarkup.h"
#include "FuzzInput.h"
#include "Markup.h"

#include <cstdlib>

using namespace lectern;
using namespace lectern::dialogue;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::textFromBytes(data, size);
    // Rows split at line feeds, cells at tabs; missing cells stay as given
    // by a blank row, so empty and odd cells are reached too.
    std::vector<DialogueRow> rows;
    for (const QString& line : text.split(u'\n')) {
        DialogueRow row = rows.size() % 2 ? DialogueRow{} : DialogueRow::blank();
        const QStringList cells = line.split(u'\t');
        for (int c = 0; c < ColumnCount && c < cells.size(); ++c)
            row.cell(c) = cells[c];
        rows.push_back(row);
        if (rows.size() >= 64)
            break;
    }
    DialogueGrid grid;
    grid.replaceRows(rows);
    DialogueMarkup built;
    try {
        built = BuildDialogueMarkup(grid);
    } catch (const DialogueError& e) {
        if (e.description().isEmpty())
            std::abort();
        return 0;
    }
    engine::SpeechMarkupReader reader(built.markup, engine::ProsodyState{},
                                      [](QStringView name) { return name.toString(); });
    while (auto segment = reader.next())
        if (segment->kind == engine::SpeechSegment::Kind::Text &&
            segment->offsets.size() != size_t(segment->text.size()) + 1)
            std::abort();
    return 0;
}
