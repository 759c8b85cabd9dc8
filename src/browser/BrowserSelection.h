#pragma once
#include <QString>

#include <optional>

namespace lectern::browser {

// What a web page has selected, as the page reports it: the top document's
// selection, and the selection of the first inline frame (in document order)
// whose selection is not empty. Neither is trimmed or lower-cased.
struct BrowserSelection {
    QString page;
    std::optional<QString> frame;
};

} // namespace lectern::browser
