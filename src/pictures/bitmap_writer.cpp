// SPDX-License-Identifier: MIT
#include "pictures/bitmap_writer.h"

#include "core/problem_log.h"
#include "core/write_behind.h"
#include "pictures/picture_rows.h"

#include <QFileDevice>
#include <QtEndian>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int HeaderBytes = 14 + 40;
// About a megabyte per write: few system calls, little memory.
constexpr qint64 WriteBlockBytes = qint64(1) << 20;
// Blocks being filled, waiting or being written at a time: enough that neither thread waits for the other.
constexpr int BlocksInFlight = 3;
// 72 dots per inch, what Qt's writer gives a picture that names no density.
constexpr qint32 DotsPerMeter = 2834;

template <typename Value> void put(uchar*& at, Value value) {
    qToLittleEndian(value, at);
    at += sizeof value;
}

QString nameOf(const QIODevice& out) {
    const auto* file = qobject_cast<const QFileDevice*>(&out);
    return file ? file->fileName() : QStringLiteral("the bitmap");
}

// A stretch of rows that is one stretch of the file.
struct Block {
    std::vector<uchar> bytes;
    qint64 firstFileRow = 0;
    qint64 count = 0;
};

// Blocks handed from the thread that reads the rows to the one that writes them, in order, and back.
class BlockLine final {
public:
    explicit BlockLine(std::size_t blockBytes) : blocks_(BlocksInFlight) {
        for (Block& block : blocks_) {
            block.bytes.assign(blockBytes, 0); // the padding stays 0
            empty_.push_back(&block);
        }
    }

    // An empty block to fill; nothing when the writer has given up.
    Block* emptyBlock() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failed_ || !empty_.empty(); });
        if (failed_)
            return nullptr;
        Block* block = empty_.back();
        empty_.pop_back();
        return block;
    }
    void send(Block* block) {
        change([this, block] { full_.push_back(block); });
    }
    // No more blocks; those still waiting are written unless the rows are abandoned.
    void close(bool abandoned) {
        change([this, abandoned] {
            closed_ = true;
            abandoned_ = abandoned;
        });
    }

    // The next block to write; nothing once the line is closed and there is nothing more to write.
    Block* fullBlock() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !full_.empty(); });
        if (full_.empty() || abandoned_)
            return nullptr;
        Block* block = full_.front();
        full_.pop_front();
        return block;
    }
    void giveBack(Block* block) {
        change([this, block] { empty_.push_back(block); });
    }
    void giveUp() {
        change([this] { failed_ = true; });
    }

private:
    template <typename Change> void change(const Change& apply) {
        {
            const std::lock_guard lock(mutex_);
            apply();
        }
        changed_.notify_all();
    }

    std::vector<Block> blocks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block*> empty_;
    std::deque<Block*> full_;
    bool closed_ = false;
    bool abandoned_ = false;
    bool failed_ = false;
};

bool writeHeader(QIODevice& out, qint64 width, qint64 height, qint64 rowBytes) {
    const qint64 imageBytes = rowBytes * height;
    uchar header[HeaderBytes];
    uchar* at = header;
    put<quint8>(at, 'B');
    put<quint8>(at, 'M');
    put(at, static_cast<quint32>(HeaderBytes + imageBytes));
    put<quint32>(at, 0);
    put<quint32>(at, HeaderBytes);
    put<quint32>(at, 40);
    put(at, static_cast<qint32>(width));
    put(at, static_cast<qint32>(height));
    put<quint16>(at, 1);
    put<quint16>(at, 24);
    put<quint32>(at, 0);
    put(at, static_cast<quint32>(imageBytes));
    put(at, DotsPerMeter);
    put(at, DotsPerMeter);
    put<quint32>(at, 0);
    put<quint32>(at, 0);
    return out.seek(0) && out.write(reinterpret_cast<const char*>(header), HeaderBytes) == HeaderBytes;
}

struct BlockLayout {
    qint64 rowBytes;
    bool topDown;
};

// The writing thread's part: each block where it belongs in the file, its rows handed on in the order they came.
bool writeBlocks(QIODevice& out, BlockLine& line, BlockLayout layout, const RowConsumer& alsoEachRow, QString* error) {
    while (Block* block = line.fullBlock()) {
        const qint64 bytes = block->count * layout.rowBytes;
        if (!out.seek(HeaderBytes + block->firstFileRow * layout.rowBytes) ||
            out.write(reinterpret_cast<const char*>(block->bytes.data()), bytes) != bytes) {
            line.giveUp();
            return fail(error, QStringLiteral("cannot write %1: %2").arg(nameOf(out), out.errorString()));
        }
        startWriteBehind(out, HeaderBytes + block->firstFileRow * layout.rowBytes, bytes);
        for (qint64 i = 0; alsoEachRow && i < block->count; ++i)
            alsoEachRow(block->bytes.data() + (layout.topDown ? block->count - 1 - i : i) * layout.rowBytes);
        line.giveBack(block);
    }
    return true;
}

qint64 rowsPerBlock(qint64 rowBytes, qint64 height) {
    return std::clamp<qint64>(WriteBlockBytes / rowBytes, 1, height);
}

// The reading thread's part: blocks of rows, a block of rows that come top row first filled from its end. False
// when a row cannot be read, or without a message when the writer gave up.
bool readBlocks(PictureRows& rows, BlockLine& line, BlockLayout layout, QString* error) {
    const qint64 height = rows.size().height();
    const qint64 perBlock = rowsPerBlock(layout.rowBytes, height);
    for (qint64 done = 0; done < height;) {
        Block* block = line.emptyBlock();
        if (!block)
            return false;
        block->count = std::min(perBlock, height - done);
        block->firstFileRow = layout.topDown ? height - done - block->count : done;
        for (qint64 i = 0; i < block->count; ++i) {
            if (!rows.readRow(block->bytes.data() + (layout.topDown ? block->count - 1 - i : i) * layout.rowBytes,
                              error))
                return false;
        }
        line.send(block);
        done += block->count;
    }
    return true;
}

} // namespace

bool writeBitmap(QIODevice& out, PictureRows& rows, QString* error, const RowConsumer& alsoEachRow) {
    const qint64 width = rows.size().width();
    const qint64 height = rows.size().height();
    const BlockLayout layout{(width * 3 + 3) / 4 * 4, rows.order() == RowOrder::TopDown};
    if (HeaderBytes + layout.rowBytes * height > std::numeric_limits<quint32>::max())
        return fail(error, QStringLiteral("cannot write %1: a %2 x %3 picture is too large for a bitmap file")
                               .arg(nameOf(out))
                               .arg(width)
                               .arg(height));
    if (!writeHeader(out, width, height, layout.rowBytes))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(nameOf(out), out.errorString()));

    // Rows are read on this thread and written on another, so that decoding and writing overlap.
    BlockLine line(static_cast<std::size_t>(rowsPerBlock(layout.rowBytes, height) * layout.rowBytes));
    QString writeError;
    bool written = false;
    std::thread writer;
    try {
        writer = std::thread([&] { written = writeBlocks(out, line, layout, alsoEachRow, &writeError); });
    } catch (const std::system_error& failure) {
        return fail(error, QStringLiteral("cannot write %1: no thread to write it (%2)")
                               .arg(nameOf(out), QString::fromLocal8Bit(failure.what())));
    }
    const bool read = readBlocks(rows, line, layout, error);
    line.close(!read);
    writer.join();
    if (!written) // the reader stopped for the writer
        return fail(error, writeError);
    return read;
}
