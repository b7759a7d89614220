#pragma once

#include <optional>

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include "library/sampletypes.h"

// The library configuration, config.xml: the one place that knows its format and the
// reading rules every reader and writer shares. Nothing here keeps state; each party
// opens, parses and checks the file itself when it acts.
class ConfigFile {
public:
    // Element and attribute names of the file. The techno flag is written as "techno";
    // readers also accept "electronic", the name older files used.
    static constexpr auto kRootTag = QLatin1StringView("sampora");
    static constexpr auto kFolderTag = QLatin1StringView("imported_folder");
    static constexpr auto kPathAttr = QLatin1StringView("path");
    static constexpr auto kMelodyAttr = QLatin1StringView("melody");
    static constexpr auto kBeatAttr = QLatin1StringView("beat");
    static constexpr auto kBassAttr = QLatin1StringView("bass");
    static constexpr auto kHipHopAttr = QLatin1StringView("hipHop");
    static constexpr auto kTechnoAttr = QLatin1StringView("techno");
    static constexpr auto kTechnoLegacyAttr = QLatin1StringView("electronic");
    static constexpr auto kCustomAttr = QLatin1StringView("custom");

    // A document nested deeper than this is rejected before the DOM parser sees it:
    // the DOM parser is recursive and takes seconds, or crashes, on hostile nesting.
    static constexpr int kMaxDepth = 1024;
    // A larger file is not a library configuration; it is rejected unread.
    static constexpr qint64 kMaxBytes = qint64(64) * 1024 * 1024;

    enum class Status {
        Ok,         // well-formed, root "sampora"
        Partial,    // not well-formed, but the part before the error has the root "sampora":
                    // readers go on with that part, writers must not rewrite the file
        WrongRoot,  // no root element (empty, broken before the root, rejected) or another root
        CannotOpen, // missing or unreadable
    };

    struct Result {
        Status status = Status::CannotOpen;
        QDomDocument doc;    // what was parsed (possibly only a part); empty when rejected
        bool wellFormed = false; // the whole file parsed without an error
        QString message;     // why the file is not Ok: the open or parse error, "" when Ok
        int errorLine = 0;   // 1-based line of the parse error, 0 when none
        QStringList unparsedLines; // the file's lines from the error on, for the debug stream

        // The entries may be read (Ok or Partial).
        bool readable() const { return status == Status::Ok || status == Status::Partial; }
    };

    // One "imported_folder" entry as written in the file.
    struct Entry {
        QString pathAttr; // the "path" attribute as written; writers key entries on it
        QString path;     // pathAttr resolved against the program's directory
        bool melody = false;
        bool beat = false;
        bool bass = false;
        bool hipHop = false;
        bool techno = false;
        bool custom = false;

        // Beat, then bass, then melody: a later flag overrides an earlier one.
        // Empty when no type flag is set.
        std::optional<SampleType> type() const;
        bool inGenre(GenrePreset genre) const;
    };

    enum class Untyped { Skip, Keep };

    // Opens, parses and checks the file, writing the load's debug messages
    // ("cannot open config file", "cannot read DOM of config file" with the unparsed
    // lines, "config file xml has wrong root tag").
    static Result load(const QString &path);

    // Parses bytes already read (for writers that hold the file open); no debug output.
    static Result parse(const QByteArray &bytes);

    // Reads an open file to its end, but never more than kMaxBytes + 1 bytes, so that parse()
    // can reject a runaway file. Memory grows with what the file holds, not with the cap.
    static QByteArray readCapped(QIODevice &device);

    // The "imported_folder" children of the root, in document order. Untyped entries
    // are skipped unless asked for.
    static QList<Entry> entries(const QDomDocument &doc, Untyped untyped = Untyped::Skip);
    static Entry entry(const QDomElement &element);

    // A flag is set only by the exact value "1".
    static bool flag(const QDomElement &element, QLatin1StringView name);

    // A path that neither starts with "/" nor contains ":" is relative to the program's
    // directory; an empty path names that directory.
    static QString resolvePath(const QString &pathAttr);
};
