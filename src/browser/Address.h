#pragma once
// What the address box opens.

#include <QString>
#include <QUrl>

namespace lectern::browser {

// The text with leading and trailing blanks (U+0020 only) removed.
QString trimBlanks(const QString& text);

// An address as a person types it into any browser: "example.org" is a web
// address, "/home/me/page.html" a local file. Empty text opens an empty
// page. Throws std::runtime_error with a description when the text is no
// address at all.
QUrl addressFromUserInput(const QString& text);

} // namespace lectern::browser
