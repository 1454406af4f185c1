#include "platform/write_behind.h"

// NTFS allocates a file's clusters as it is written; a rename does not write it out.
void startWriteBehind(QIODevice& /*file*/, qint64 /*offset*/, qint64 /*length*/) {}

// A file held open without delete sharing could not be replaced.
ReplacedFileHold::ReplacedFileHold(const QString& /*path*/) {}

ReplacedFileHold::~ReplacedFileHold() = default;
