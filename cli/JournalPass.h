#pragma once

#include "cli/PathKeys.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>

#include <array>
#include <map>
#include <vector>

// What the lines of a report are compared with, shared by the passes reading it.
struct JournalTarget {
    const PathKeyTable* listed = nullptr; // key -> list position of each listed path
    qsizetype listSize = 0;
    QJsonObject options;      // this run's, as the report writes them
    QByteArray method;        // this run's
    QByteArray currentFolder; // where relative paths start
    bool folders = true;      // keep lines for paths below listed paths
    // Listed PDFs that a split divided: list position -> the options, pages among them, that
    // this share converts them with.
    std::map<quint32, QJsonObject> partOptions;
};

// One reading of report lines, in order, from the start of the report or from a line in its
// middle: what its lines say of each listed path, and of paths below listed ones. Passes over
// consecutive parts of a report run side by side; the later part's verdicts win.
class JournalPass {
public:
    enum Verdict : quint8 { Unsaid = 0, Done = 1, NotDone = 2 };

    explicit JournalPass(const JournalTarget& target);

    // One whole line, without its line end.
    void takeLine(QByteArrayView line);
    // Applies the lines still held back; call after the last line.
    void finish();

    // Per list position, what the last line on its path said.
    const std::vector<quint8>& verdicts() const { return m_verdicts; }
    // Paths below listed ones: key -> Done or NotDone.
    const PathKeyTable& below() const { return m_below; }

private:
    void takeUnusualLine(QByteArrayView line);
    bool sameOptions(QByteArrayView options);
    // converted: the line says converted, with this run's method; same: with its options.
    void take(QByteArrayView path, bool converted, bool same, QByteArrayView options);
    bool belowListedPath(QByteArrayView cleanPath) const;

    // Lines wait in a batch before their keys are looked up, their slots fetched first: the
    // table is far larger than the processor's caches, and the batch waits for memory together
    // instead of in turn.
    static constexpr std::size_t Batch = 32;
    struct PendingLine {
        QByteArray cleanPath;
        PathKey key;
        bool converted = false;
        bool same = false;
        QByteArray options; // kept only when some listed PDFs have options of their own
    };
    Verdict verdictAt(quint32 position, const PendingLine& line);

    const JournalTarget& m_target;
    PathNormaliser m_paths;
    std::vector<quint8> m_verdicts;
    PathKeyTable m_below;
    QHash<QByteArray, bool> m_optionsSeen; // options as written -> same as this run's
    QByteArray m_lastOptions;              // those of the line before
    bool m_lastSame = false;
    std::array<PendingLine, Batch> m_pending;
    std::size_t m_pendingCount = 0;
};
