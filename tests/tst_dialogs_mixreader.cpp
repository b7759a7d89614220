#include <QtTest>

#include "dialogs/mixexport.h"
#include "dialogs/mixreader.h"

namespace {

struct Snapshot {
    QStringList names;
    QList<QByteArray> contents;
    QList<QDateTime> times;
    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(const QString &folder)
{
    Snapshot s;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile file(info.filePath());
        s.names << info.fileName();
        s.contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        s.times << info.lastModified();
    }
    return s;
}

} // namespace

// Reading a saved project folder back: what the save dialog wrote opens whole; a folder
// changed by hand opens as far as it can and names what it left out; nothing is written.
class TestMixReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A project folder as the save dialog leaves it, with the given info lines after the
    // banner and a copy for every name in `copies`.
    QString writeProject(const QString &name, const QString &lines, const QStringList &copies)
    {
        const QString folder = m_dir.filePath(name);
        QDir().mkpath(folder);
        for (const QString &copy : copies) {
            QFile file(folder + QLatin1Char('/') + copy);
            if (!file.open(QIODevice::WriteOnly))
                return {};
            file.write(copy.toUtf8());
        }
        QFile info(folder + QLatin1Char('/') + MixExport::infoFileName(name));
        if (!info.open(QIODevice::WriteOnly))
            return {};
        info.write((MixExport::banner() + lines).toUtf8());
        return folder;
    }

private slots:
    void savedMixOpensWhole()
    {
        const QVector<MixExport::MixCopy> saved {
            { 1, {}, QStringLiteral("Night Set_1_90BPM.wav"), 1.05f },
            { 3, {}, QStringLiteral("Night Set_3.aif"), 1.0f },
            { 5, {}, QStringLiteral("Night Set_5_128BPM.mp3"), 0.75f },
        };
        const QString folder = writeProject(QStringLiteral("Night Set"),
            MixExport::infoText(saved).mid(MixExport::banner().size()),
            { saved[0].fileName, saved[1].fileName, saved[2].fileName });
        QVERIFY(!folder.isEmpty());

        // The folder and its info file open the same mix.
        for (const QString &path : { folder, folder + QStringLiteral("/Night Set Info.txt") }) {
            const MixReader::OpenedMix mix = MixReader::read(path);
            QVERIFY2(mix.error.isEmpty(), qPrintable(mix.error));
            QCOMPARE(mix.skipped, QStringList());
            QCOMPARE(mix.project, QStringLiteral("Night Set"));
            QCOMPARE(mix.copies.size(), 3);
            const int slotNumbers[] = { 1, 3, 5 };
            const int bpms[] = { 90, -1, 128 };
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(mix.copies[i].slot, slotNumbers[i]);
                QCOMPARE(mix.copies[i].bpm, bpms[i]);
                QCOMPARE(mix.copies[i].rate, saved[i].rate);
                QCOMPARE(mix.copies[i].path, QDir(folder).filePath(saved[i].fileName));
            }
        }
    }

    void handChangedFolderOpensWhatItCan_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing copy") << "Mix_2_90BPM.wav Playing at:1.000" << "missing";
        QTest::newRow("unknown line") << "played loud on Friday" << "Unknown line";
        QTest::newRow("rate too high") << "Mix_2.wav Playing at:9.000" << "not between";
        QTest::newRow("rate too low") << "Mix_2.wav Playing at:0.100" << "not between";
        QTest::newRow("rate not a number") << "Mix_2.wav Playing at:fast" << "not between";
        QTest::newRow("rate missing") << "Mix_2.wav Playing at:" << "not between";
        QTest::newRow("slot out of range") << "Mix_7.wav Playing at:1.000" << "not a copy of this mix";
        QTest::newRow("another project's copy") << "Other_2.wav Playing at:1.000" << "not a copy of this mix";
        QTest::newRow("path outside the folder") << "Mix_2/../../x.wav Playing at:1.000" << "not a copy of this mix";
        QTest::newRow("slot taken twice") << "Mix_1_88BPM.wav Playing at:1.000" << "already taken";
    }
    void handChangedFolderOpensWhatItCan()
    {
        QFETCH(QString, line);
        QFETCH(QString, reason);
        // Windows line ends, as a copy edited there would have; the good lines around the
        // changed one still open.
        const QString lines = QStringLiteral("Mix_1_90BPM.wav Playing at:1.100\r\n") + line
            + QStringLiteral("\r\nMix_4.wav Playing at:1.000\r\n");
        const QString folder = writeProject(QStringLiteral("Mix"), lines,
            { QStringLiteral("Mix_1_90BPM.wav"), QStringLiteral("Mix_1_88BPM.wav"), QStringLiteral("Mix_2.wav"),
              QStringLiteral("Mix_7.wav"), QStringLiteral("Other_2.wav"), QStringLiteral("Mix_4.wav") });
        const Snapshot before = snapshot(folder);

        const MixReader::OpenedMix mix = MixReader::read(folder);
        QVERIFY(mix.error.isEmpty());
        QCOMPARE(mix.copies.size(), 2);
        QCOMPARE(mix.copies[0].slot, 1);
        QCOMPARE(mix.copies[0].rate, 1.1f);
        QCOMPARE(mix.copies[1].slot, 4);
        QCOMPARE(mix.skipped.size(), 1);
        QVERIFY2(mix.skipped[0].contains(reason), qPrintable(mix.skipped[0]));
        QVERIFY(snapshot(folder) == before);
        QDir(folder).removeRecursively();
    }

    void nothingToOpen_data()
    {
        QTest::addColumn<QStringList>("files"); // written into the folder
        QTest::addColumn<QString>("open"); // relative to the folder; empty: the folder
        QTest::addColumn<QString>("message");

        QTest::newRow("no info file") << QStringList { QStringLiteral("Mix_1.wav") } << QString() << "no saved mix";
        QTest::newRow("two info files") << QStringList { QStringLiteral("A Info.txt"), QStringLiteral("B Info.txt") }
                                        << QString() << "more than one";
        QTest::newRow("not an info file") << QStringList { QStringLiteral("notes.txt") } << "notes.txt"
                                          << "not a mix info file";
        QTest::newRow("does not exist") << QStringList() << "gone Info.txt" << "does not exist";
    }
    void nothingToOpen()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, open);
        QFETCH(QString, message);
        QTemporaryDir dir;
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const MixReader::OpenedMix mix = MixReader::read(open.isEmpty() ? dir.path() : dir.filePath(open));
        QVERIFY2(mix.error.contains(message), qPrintable(mix.error));
        QVERIFY(mix.copies.isEmpty());
    }

    void renamedFolderFindsItsInfoFile()
    {
        const QString folder = writeProject(QStringLiteral("Live"), QStringLiteral("Live_2.wav Playing at:1.000\n"),
            { QStringLiteral("Live_2.wav") });
        const QString renamed = m_dir.filePath(QStringLiteral("Live (copy)"));
        QVERIFY(QDir().rename(folder, renamed));
        const MixReader::OpenedMix mix = MixReader::read(renamed);
        QCOMPARE(mix.project, QStringLiteral("Live"));
        QCOMPARE(mix.copies.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestMixReader)
#include "tst_dialogs_mixreader.moc"
