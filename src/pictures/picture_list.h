#pragma once

#include <QStringList>
#include <vector>

class FolderLister;
class RandomSource;

// The pictures of the last folder scan and the shuffled order in which they are shown.
// Whenever PictureFiles holds two or more names, FileCount equals their number, ShowOrder is a
// permutation of 1..FileCount and OrderPos lies in 1..FileCount.
struct PictureList {
    bool Scanned = false;     // no list exists before the first scan
    QStringList PictureFiles; // names without folder, in listing order
    qint32 FileCount = 0;
    std::vector<qint32> ShowOrder; // ShowOrder[k - 1] is the k-th position of the cycle (1-based)
    qint32 OrderPos = 0;           // 1-based index into ShowOrder of the next picture
};

// The file that the wallpaper conversion writes into the picture folder.
inline const QString ConvertedPictureName = QStringLiteral("temp.bmp");

// Whether a file of this name is taken as a picture: a GIF, BMP or JPEG ending, never the converted file.
bool isPictureName(const QString& name);

// Rebuilds the list from the plain files of `dirName`, then deals a new order. A listing failure keeps
// what was listed so far (the list stays consistent) and returns false with a message.
bool ReadFiles(PictureList& pictures, const QString& dirName, const FolderLister& lister, RandomSource& random,
               QString* error);

// Deals a uniformly random order over 1..FileCount (forward Fisher-Yates, one draw per position) and
// points OrderPos at its first entry.
void ShuffleOrder(PictureList& pictures, RandomSource& random);
