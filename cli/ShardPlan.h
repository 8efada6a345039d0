#pragma once

#include "cli/PathList.h"

#include <QString>

#include <optional>
#include <vector>

// Share `index` of `count` (1 <= index <= count) of a run split between several machines.
struct Shard {
    int index = 1;
    int count = 1;
};

// "K/N" with whole numbers 1 <= K <= N; nothing for any other text.
std::optional<Shard> ParseShard(const QString& text);

// The list positions of the PDFs that share `shard` converts, in list order. The split is
// decided from the list and the PDFs' weights alone (their page estimates), so every run given
// the same list computes the same split and the shares together hold each PDF exactly once.
// PDFs whose outputs may collide (one collision group) always fall in the same share, so each
// share writes exactly the files a run of the whole list writes for them. Groups go, heaviest
// first, to the share with the least weight so far (then the fewest PDFs, then the lowest
// number).
std::vector<int> ShardMembers(const PathList& pdfs, const std::vector<qint64>& weights,
                              Shard shard);
