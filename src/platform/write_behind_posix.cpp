#include "platform/write_behind.h"

#include <QFileDevice>

#include <fcntl.h>

void startWriteBehind(QIODevice& file, qint64 offset, qint64 length) {
#if defined(Q_OS_LINUX)
    auto* plain = qobject_cast<QFileDevice*>(&file);
    if (!plain || plain->handle() < 0 || !plain->flush())
        return;
    // A hint only: a failure leaves the writing to the system, as without it.
    sync_file_range(plain->handle(), offset, length, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
    Q_UNUSED(offset);
    Q_UNUSED(length);
#endif
}
