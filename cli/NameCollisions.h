#pragma once

#include "convert/OutputNaming.h"

#include <QString>
#include <QStringList>

#include <vector>

// The PDFs of a list whose images may get the same names, so that a later one replaces an
// earlier one's: equal names ("coll/a/x.pdf" and "coll/b/x.pdf", or "r.ru.pdf" and "r.zh.pdf",
// which share the base name "r"), and names that run into each other ("Invoice 1" page 11 and
// "Invoice 11" page 1). Each group lists positions of pdfs (0-based) in list order; only
// groups of two or more are given, in the order of their first members.
std::vector<std::vector<int>> NameCollisions(const QStringList& pdfs, const QString& outputPrefix,
                                             const OutputNaming& naming, PageNumbering numbering);

// The lines the command prints about the groups: one heading, then a line per group (at most
// maxGroups, then how many more).
QStringList CollisionLines(const std::vector<std::vector<int>>& groups, const QStringList& pdfs,
                           int maxGroups = 20);
