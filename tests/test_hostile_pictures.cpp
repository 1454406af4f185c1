// SPDX-License-Identifier: MIT
// The hostile-picture corpus of tests/hostile/make_corpus.py through the real folder scan and the real switch step,
// with a desktop that decodes what it is handed as a real one does. One cycle shows every listed picture once: no
// crash, no hang, one stderr line for each bad file and none for a good one. Run as root, the test becomes
// "nobody" first, so that the file without read permission really cannot be read.

#include "core/ports/folder_lister.h"
#include "platform/system_services.h"
#include "support/fakes.h"
#include "support/hostile.h"
#include "support/skip.h"
#include "switching/switcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// What one desktop call was given, and for which chosen picture.
struct Shown {
    QString picture;
    QString path;
    bool accepted = false;
};

// Decodes every file it is handed and refuses one it cannot decode, naming it, as the X11 binding does.
class DecodingDesktop final : public DesktopWallpaper {
public:
    QString choosing;
    QList<Shown> calls;
    QString name() const override { return QStringLiteral("decoding"); }
    bool setWallpaper(const QString& path, QString* error) override {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        const bool accepted = !reader.read().isNull();
        calls.append({choosing, path, accepted});
        if (!accepted && error)
            *error = QStringLiteral("cannot decode %1: %2").arg(path, reader.errorString());
        return accepted;
    }
};

struct Entry {
    QString name;
    QString expect; // good, bad, either or unlisted
    QString what;
};

QString python() {
    // The system's own interpreter first: a per-user one may sit in a home that "nobody" cannot enter.
    if (QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

QByteArray corpusScript() {
    QFile script(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("hostile/make_corpus.py")));
    return script.open(QIODevice::ReadOnly) ? script.readAll() : QByteArray();
}

// Runs the script from memory, so that it need not be readable by whoever the test runs as.
bool makeCorpus(const QByteArray& script, const QString& folder, QString* why) {
    QProcess process;
    process.start(python(), {QStringLiteral("-"), folder});
    process.write(script);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *why = QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

QList<Entry> readManifest(const QString& folder) {
    QList<Entry> entries;
    QFile manifest(QDir(folder).filePath(QStringLiteral("manifest.tsv")));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return entries;
    while (!manifest.atEnd()) {
        const QStringList fields = QString::fromUtf8(manifest.readLine()).trimmed().split(QLatin1Char('\t'));
        if (fields.size() == 3)
            entries.append({fields.at(0), fields.at(1), fields.at(2)});
    }
    return entries;
}

// Pictures that change between the scan and their switch.
const QString Vanishing = QStringLiteral("vanishing.jpg");
const QStringList BecomingPipes = {QStringLiteral("becoming-a-pipe.jpg"), QStringLiteral("becoming-a-pipe.bmp")};

} // namespace

class TestHostilePictures final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachEntry_data();
    void eachEntry();
    void switchingGoesOnWithTheGoodPictures();
    void scanOfPipesAndFoldersDoesNotBlock();

private:
    QStringList linesNaming(const QString& name) const { return problems_->naming(QLatin1Char('/') + name); }
    int acceptedCalls(const QString& name) const;

    std::unique_ptr<QTemporaryDir> corpus_;
    QList<Entry> entries_;
    FakeRig rig_;
    DecodingDesktop desktop_;
    std::unique_ptr<FolderLister> lister_ = makeFolderLister();
    SwitcherState state_;
    QStringList chosen_;
    std::unique_ptr<ProblemLines> problems_; // made once the test framework has set up its own message handler
};

void TestHostilePictures::initTestCase() {
    if (python().isEmpty())
        SKIP_WITHOUT_TOOL(QStringLiteral("no python3 to make the hostile-picture corpus with"));
    const QByteArray script = corpusScript();
    QVERIFY2(!script.isEmpty(), "tests/hostile/make_corpus.py is missing");
    QString why;
    if (!permissionsBind(&why))
        qWarning("the file without read permission counts as good: %s", qPrintable(why));
    corpus_ = std::make_unique<QTemporaryDir>(); // made after giving up root, so that "nobody" owns it
    QVERIFY2(makeCorpus(script, corpus_->path(), &why), qPrintable(why));
    entries_ = readManifest(corpus_->path());
    QVERIFY(!entries_.isEmpty());
    QVERIFY(QFile::copy(corpus_->filePath(QStringLiteral("good-1.jpg")), corpus_->filePath(Vanishing)));
    entries_.append({Vanishing, QStringLiteral("bad"), QStringLiteral("a picture deleted between scan and switch")});
    for (const QString& name : BecomingPipes) {
        QVERIFY(QFile::copy(corpus_->filePath(QStringLiteral("good-3.bmp")), corpus_->filePath(name)));
        entries_.append(
            {name, QStringLiteral("bad"), QStringLiteral("a picture replaced by a named pipe after the scan")});
    }

    problems_ = std::make_unique<ProblemLines>();
    const SwitchingServices services{rig_.clock, rig_.random, rig_.settings, *lister_, desktop_};
    Switcher switcher(services, state_);
    connect(&switcher, &Switcher::pictureChosen, this, [this](const QString& name) {
        chosen_.append(name);
        desktop_.choosing = name;
    });
    state_.folder = corpus_->path();
    state_.intervalSecs = 1;
    QString scanError;
    QVERIFY2(scanFolder(state_.pictures, state_.folder, *lister_, rig_.random, &scanError), qPrintable(scanError));
    QVERIFY(QFile::remove(corpus_->filePath(Vanishing)));
    for (const QString& name : BecomingPipes) {
        QVERIFY(QFile::remove(corpus_->filePath(name)));
        QCOMPARE(mkfifo(QFile::encodeName(corpus_->filePath(name)).constData(), 0600), 0);
    }
    for (qsizetype shown = 0; shown < state_.pictures.names.size(); ++shown)
        switcher.next();
}

int TestHostilePictures::acceptedCalls(const QString& name) const {
    return static_cast<int>(std::count_if(desktop_.calls.cbegin(), desktop_.calls.cend(), [&name](const Shown& call) {
        return call.picture == name && call.accepted;
    }));
}

void TestHostilePictures::eachEntry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expect");
    for (const Entry& entry : std::as_const(entries_))
        QTest::newRow(qPrintable(entry.name + QStringLiteral(": ") + entry.what)) << entry.name << entry.expect;
}

void TestHostilePictures::eachEntry() {
    QFETCH(QString, name);
    QFETCH(QString, expect);
    const QStringList lines = linesNaming(name);
    const bool listed = state_.pictures.names.contains(name);
    if (expect == QLatin1String("unlisted")) {
        QVERIFY2(!listed, "the scan listed what is no plain file");
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        return;
    }
    QVERIFY(listed);
    QCOMPARE(chosen_.count(name), 1);
    if (expect == QLatin1String("good")) {
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(acceptedCalls(name), 1);
    } else if (expect == QLatin1String("bad")) {
        QVERIFY2(lines.size() == 1, qPrintable(QStringLiteral("%1 lines: ").arg(lines.size()) + lines.join('\n')));
        QCOMPARE(acceptedCalls(name), 0);
    } else {
        QVERIFY2(lines.size() <= 1, qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(acceptedCalls(name) + lines.size(), 1);
    }
}

void TestHostilePictures::switchingGoesOnWithTheGoodPictures() {
    QCOMPARE(chosen_.size(), state_.pictures.names.size());
    QStringList stray = problems_->lines;
    for (const Entry& entry : std::as_const(entries_)) {
        for (const QString& line : linesNaming(entry.name))
            stray.removeOne(line);
    }
    QVERIFY2(stray.isEmpty(), qPrintable(stray.join(QLatin1Char('\n'))));
    // The last bitmap written is whole: the desktop decoded every temp.bmp it was handed.
    QImageReader converted(corpus_->filePath(QStringLiteral("temp.bmp")));
    QVERIFY(!converted.read().isNull());
    const QStringList leftovers =
        QDir(corpus_->path()).entryList({QStringLiteral(".temp.bmp*")}, QDir::Files | QDir::Hidden);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QLatin1Char(' '))));
}

// The pipe and the link to it are filtered by their type alone: listing the folder again opens neither.
void TestHostilePictures::scanOfPipesAndFoldersDoesNotBlock() {
    PictureList again;
    QString error;
    QVERIFY2(scanFolder(again, corpus_->path(), *lister_, rig_.random, &error), qPrintable(error));
    // The vanished picture is gone, and the pictures that became pipes are no plain files any more.
    QCOMPARE(again.names.size(), state_.pictures.names.size() - 1 - BecomingPipes.size());
}

QTEST_MAIN(TestHostilePictures)
#include "test_hostile_pictures.moc"
