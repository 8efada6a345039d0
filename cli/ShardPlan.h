#pragma once

#include "cli/InputList.h"
#include "cli/PathList.h"
#include "convert/PageSelection.h"

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

// A PDF of a share: its list position and, when the split divided its pages between shares,
// the pages this share converts of it.
struct ShareMember {
    int position = 0;
    std::optional<PageSelection> part;
    bool operator==(const ShareMember&) const = default;
};

// The PDFs that share `shard` converts, in list order. The split is decided from the list and
// the PDFs' weights alone, so every run given the same list computes the same split and the
// shares together convert each page asked for exactly once. PDFs whose outputs may collide
// (one collision group) always fall in the same share, so each share writes exactly the files
// a run of the whole list writes for them. Groups go, heaviest first, to the share with the
// least weight so far (then the fewest PDFs, then the lowest number).
//
// pages: the run's page selection when the pages of one PDF may go to several shares (its
// images are named after their page numbers, so each share writes its own); nothing when a
// PDF stays whole. A PDF then weighs the pages the selection takes of those it counts, and one
// that alone weighs more than a quarter of a share's fair part is cut into pieces of about
// that many pages first: one long document no longer makes a share on its own.
std::vector<ShareMember> ShardMembers(const PathList& pdfs, const std::vector<PdfWeight>& weights,
                                      Shard shard,
                                      const std::optional<PageSelection>& pages = std::nullopt);
