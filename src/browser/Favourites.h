#pragma once
// The favourites folder: internet-shortcut files listed depth first, and new
// shortcuts written for pages the user keeps.

#include <QString>

#include <vector>

namespace lectern::browser {

struct Favourite {
    QString name; // as listed: the file name without its last four characters
    QString url;  // empty when the file has no readable address
};

// $XDG_DATA_HOME/Lectern/Favorites, without a trailing slash.
QString favouritesFolder();

// Every shortcut of `folder` and of the folders below it: a folder's own
// shortcuts in name order, then each subfolder's whole tree, in name order.
// A file counts as a shortcut when its lower-cased name contains ".url".
// Unreadable files and folders are passed over, files other than plain ones
// are listed without an address; a folder reached twice through links is
// walked once.
std::vector<Favourite> ListFavourites(const QString& folder);

// The "URL" key of the "InternetShortcut" section, at most 255 characters;
// empty when the file, the section or the key is missing. Section and key
// names are matched without regard to case. Only the file's first megabyte
// is read, so a huge file costs no more than that.
QString readShortcutUrl(const QString& path);

// A file name (without extension) made from a page title: characters a file
// name cannot hold, or that would hide the file, become "_"; never empty and
// short enough for any Linux file system.
QString shortcutBaseName(const QString& title);

// Writes a shortcut for `url` into `folder` (created when missing), named
// after `title`; an existing file is never overwritten, a number is added
// instead. Returns the path written; throws std::runtime_error with a
// description when the file cannot be written.
QString addFavourite(const QString& folder, const QString& title, const QString& url);

} // namespace lectern::browser
