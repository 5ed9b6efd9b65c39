#pragma once

#include <QStringList>

// The scanner's command catalogue: every command it understands as hex text
// (370 entries), each of the first 368 with a caption that starts with its
// entry number counted from 1. The link sends two of them during the
// handshake; the rest is held ready for configuring a scanner.
constexpr int kCatalogueCommandCount = 370;
constexpr int kCatalogueLabelCount = 368;
constexpr int kVersionQueryEntry = 2;
constexpr int kModelQueryEntry = 369;

// Fills both lists afresh; running it again gives the same entries.
void buildCommandCatalogue();
const QStringList &catalogueCommands();
const QStringList &catalogueLabels();
