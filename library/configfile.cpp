#include "library/configfile.h"

#include <QFile>
#include <QXmlStreamReader>

#include "library/logcategories.h"
#include "library/paths.h"

namespace {

// The debug stream gets the unparsed rest of a broken file; a corrupted file of many
// megabytes must not flood it.
constexpr int kMaxEchoedLines = 50;
constexpr qsizetype kMaxEchoedLineLength = 200;

QStringList linesFrom(const QByteArray &bytes, int firstLine)
{
    QStringList lines;
    qsizetype pos = 0;
    for (int line = 1; line < firstLine && pos >= 0; ++line) {
        pos = bytes.indexOf('\n', pos);
        if (pos >= 0)
            ++pos;
    }
    while (pos >= 0 && pos < bytes.size() && lines.size() < kMaxEchoedLines) {
        const qsizetype end = bytes.indexOf('\n', pos);
        const qsizetype stop = end < 0 ? bytes.size() : end;
        QByteArray line = bytes.mid(pos, qMin(stop - pos, kMaxEchoedLineLength));
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(QString::fromUtf8(line));
        pos = end < 0 ? -1 : end + 1;
    }
    return lines;
}

// The line at which the nesting first goes deeper than the limit, or 0. The stream
// reader works without recursion, so this is linear even on hostile input.
int lineOfExcessiveNesting(const QByteArray &bytes)
{
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > ConfigFile::kMaxDepth)
                return int(qMax<qint64>(1, reader.lineNumber()));
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return 0;
}

} // namespace

std::optional<SampleType> ConfigFile::Entry::type() const
{
    std::optional<SampleType> result;
    if (beat)
        result = Beat;
    if (bass)
        result = Bass;
    if (melody)
        result = Melody;
    return result;
}

bool ConfigFile::Entry::inGenre(GenrePreset genre) const
{
    switch (genre) {
    case HipHop:
        return hipHop;
    case Techno:
        return techno;
    case Custom:
        return custom;
    }
    return false;
}

ConfigFile::Result ConfigFile::parse(const QByteArray &bytes)
{
    Result result;
    if (bytes.size() > kMaxBytes) {
        result.status = Status::WrongRoot;
        result.message = QStringLiteral("the file is larger than %1 bytes").arg(kMaxBytes);
        return result;
    }
    if (const int line = lineOfExcessiveNesting(bytes)) {
        result.status = Status::WrongRoot;
        result.errorLine = line;
        result.message = QStringLiteral("line %1: elements nested deeper than %2 levels")
                             .arg(line)
                             .arg(kMaxDepth);
        result.unparsedLines = linesFrom(bytes, line);
        return result;
    }

    QString error;
    int line = 0;
    int column = 0;
    result.wellFormed = result.doc.setContent(bytes, false, &error, &line, &column);
    if (!result.wellFormed) {
        result.errorLine = qMax(1, line);
        result.message = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(error);
        result.unparsedLines = linesFrom(bytes, result.errorLine);
    }

    const QDomElement root = result.doc.documentElement();
    if (root.isNull() || root.tagName() != kRootTag) {
        result.status = Status::WrongRoot;
        if (result.wellFormed)
            result.message = root.isNull() ? QStringLiteral("no root element")
                                           : QStringLiteral("root element \"%1\"").arg(root.tagName());
    } else {
        result.status = result.wellFormed ? Status::Ok : Status::Partial;
    }
    return result;
}

QByteArray ConfigFile::readCapped(QIODevice &device)
{
    // Chunks, not one read of the cap: QIODevice::read(n) allocates n bytes up front, which
    // would cost 64 MiB for every 70-byte file. A device or a pipe posing as config.xml has no
    // size to check beforehand, so the end is found by reading.
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray bytes;
    while (bytes.size() <= kMaxBytes) {
        const QByteArray chunk = device.read(qMin(kChunk, kMaxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

ConfigFile::Result ConfigFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCDebug(lcLibrary) << "cannot open config file";
        Result result;
        result.message = file.errorString();
        return result;
    }
    const QByteArray bytes = readCapped(file);
    if (file.error() != QFileDevice::NoError) {
        qCDebug(lcLibrary) << "cannot open config file";
        Result result;
        result.message = file.errorString();
        return result;
    }

    Result result = parse(bytes);
    if (!result.wellFormed) {
        qCDebug(lcLibrary) << "cannot read DOM of config file";
        if (result.unparsedLines.isEmpty() || result.doc.documentElement().isNull())
            qCDebug(lcLibrary).noquote() << result.message;
        for (const QString &line : std::as_const(result.unparsedLines))
            qCDebug(lcLibrary) << line;
    }
    if (result.status == Status::WrongRoot)
        qCDebug(lcLibrary) << "config file xml has wrong root tag";
    return result;
}

bool ConfigFile::flag(const QDomElement &element, QLatin1StringView name)
{
    return element.attribute(name) == QLatin1StringView("1");
}

QString ConfigFile::resolvePath(const QString &pathAttr)
{
    if (pathAttr.startsWith(QLatin1Char('/')) || pathAttr.contains(QLatin1Char(':')))
        return pathAttr;
    return Paths::dataDir() + QLatin1Char('/') + pathAttr;
}

ConfigFile::Entry ConfigFile::entry(const QDomElement &element)
{
    Entry e;
    e.pathAttr = element.attribute(kPathAttr);
    e.path = resolvePath(e.pathAttr);
    e.melody = flag(element, kMelodyAttr);
    e.beat = flag(element, kBeatAttr);
    e.bass = flag(element, kBassAttr);
    e.hipHop = flag(element, kHipHopAttr);
    e.techno = flag(element, kTechnoAttr) || flag(element, kTechnoLegacyAttr);
    e.custom = flag(element, kCustomAttr);
    return e;
}

QList<ConfigFile::Entry> ConfigFile::entries(const QDomDocument &doc, Untyped untyped)
{
    QList<Entry> result;
    const QDomElement root = doc.documentElement();
    if (root.isNull() || root.tagName() != kRootTag)
        return result;
    for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const QDomElement element = node.toElement();
        if (element.tagName() != kFolderTag)
            continue;
        Entry e = entry(element);
        if (untyped == Untyped::Keep || e.type())
            result.append(std::move(e));
    }
    return result;
}
