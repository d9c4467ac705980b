// The thumbnail cache: each picture's 284 x 160 thumbnail kept as a small file of the program's
// own, so that opening the photo list reads thumbnails instead of whole pictures.
//
// Where: $XDG_CACHE_HOME/vyr/thumbnails (~/.cache/vyr/thumbnails when unset), the Linux desktop's
// place for data a program can make again; outside the patient folders, so the photo list never
// shows an entry. One folder per picture folder, named by a hash of its path and holding a record
// of that path; one entry per picture, named by a hash of the picture's name, size, modification
// time and inode, so a picture that changed or was replaced finds no entry and gets a new one.
// Entries are 284 x 160 24-bit BMP files, written beside their final name and renamed into place.
//
// Bounded: after a complete scan of a folder its entries that no picture used are dropped, and the
// folders of picture folders that are gone are dropped once per run. Safe on any thread; two
// threads never write the same entry at once (one scan, one thread per picture).
#pragma once

#include <QImage>
#include <filesystem>
#include <string>
#include <unordered_set>

#include "ui/picture_files.h"

namespace vyr {

class ThumbnailCache {
public:
    // Entries live under root; an empty root keeps nothing (every thumbnail is made again).
    explicit ThumbnailCache(std::filesystem::path root = DefaultRoot());

    // $XDG_CACHE_HOME/vyr/thumbnails, or ~/.cache/vyr/thumbnails; empty without either.
    static std::filesystem::path DefaultRoot();

    const std::filesystem::path& root() const { return root_; }
    bool isEnabled() const { return !root_.empty(); }

    // The folder of a picture folder's entries.
    std::filesystem::path EntryFolder(const std::filesystem::path& pictureFolder) const;
    // The entry's file name for one version of a picture.
    static std::string EntryName(const PictureFile& file);

    // Makes the picture folder's entry folder and its record. Returns 0, or -1.
    int Prepare(const std::filesystem::path& pictureFolder) const;
    // The cached thumbnail, or a null image when there is none or it is not a whole 284 x 160
    // entry.
    QImage Load(const std::filesystem::path& entryFolder, const std::string& entryName) const;
    // Writes a 284 x 160 thumbnail as an entry (after Prepare). Returns 0, or -1.
    int Store(const std::filesystem::path& entryFolder, const std::string& entryName,
              const QImage& thumbnail) const;

    // Removes the picture folder's entries whose names are not in used. Returns how many.
    int DropUnused(const std::filesystem::path& pictureFolder,
                   const std::unordered_set<std::string>& used) const;
    // Removes the entry folders whose picture folder no longer exists (or that carry no record of
    // it). Returns how many.
    int DropGoneFolders() const;

private:
    std::filesystem::path root_;
};

}  // namespace vyr
