// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <vector>

class FolderLister;
class RandomSource;

// The pictures of the last folder scan and the shuffled order in which they are shown. Whenever `names` holds
// two or more entries, `order` is a permutation of their positions and `next` indexes into it.
struct PictureList {
    bool scanned = false;         // no list exists before the first scan
    QStringList names;            // file names without folder, in listing order
    std::vector<qsizetype> order; // positions in `names`, in the order they are shown this cycle
    qsizetype next = 0;           // index into `order` of the picture shown next
};

// The file that the wallpaper conversion writes into the picture folder.
inline const QString ConvertedPictureName = QStringLiteral("temp.bmp");

// Whether a file of this name is taken as a picture: a GIF, BMP or JPEG ending, never the converted file.
bool isPictureName(const QString& name);

// Rebuilds the list from the plain files of `folder`, then deals a new order. A listing failure keeps what was
// listed so far (the list stays consistent) and returns false with a message.
bool scanFolder(PictureList& pictures, const QString& folder, const FolderLister& lister, RandomSource& random,
                QString* error);

// Deals a uniformly random order over all names (forward Fisher-Yates, one draw per position but the last) and
// starts the cycle at its first entry.
void shuffleOrder(PictureList& pictures, RandomSource& random);
