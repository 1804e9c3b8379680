#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <ctime>
#include <vector>

namespace brivane {

// One thing found in a site's folder. Paths are the file system's own bytes.
struct SiteEntry {
    enum class Kind {
        Folder,     // to be made under the output folder, before what it holds
        File,       // anything else found (links to files count as their file)
        Unreadable, // a folder that could not be read: error says why
    };
    Kind kind = Kind::File;
    QByteArray source;   // the walked folder's path, then the entry's relative path
    QByteArray relative; // its path inside the walked folder
    timespec modified{}; // a file's modification time, kept by its copy
    int error = 0;
};

// Everything under the folder, in name order, each folder before what it holds.
// Sub-folders are walked all the way down; a link to a folder is not followed
// (it could lead out of the site, or round in a circle), so it is left out.
// Hidden files and folders are walked like any other.
std::vector<SiteEntry> walkSite(const QByteArray& folder);

// Whether a file name is an HTML page's: .htm, .html, .shtml or .xhtml, any case.
bool isPageName(const QByteArray& name);

// Makes the folder and every missing folder above it (as mkdir -p). Throws IoError.
void makeFolders(const QByteArray& path);

// Makes one folder; one that is there already (as a folder, not a link) is fine.
// Throws IoError, with EEXIST when something else has the name.
void makeFolder(const QByteArray& path);

// The folder's real path once made: the real path of its deepest existing part
// followed by the rest, with "." and ".." taken as written.
QByteArray plannedRealPath(const QByteArray& path);

// Writes a new file (never replacing one; IoError EEXIST) with the given bytes,
// then gives it the modification time.
void writeNewCopy(const QString& target, const QByteArray& bytes, const timespec& modified);

// Copies the file byte for byte to a new file (never replacing one), a slice at
// a time, and gives the copy the original's modification time.
void copyToNewFile(const QString& source, const QString& target, const timespec& modified);

} // namespace brivane
