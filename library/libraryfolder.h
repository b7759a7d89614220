#pragma once

#include <QString>

#include "library/sampletypes.h"

// One configured folder as the library model uses it: where to scan and which sample
// list its files go to.
struct LibraryFolder {
    QString path; // resolved against the program's directory
    SampleType type = Beat;

    bool operator==(const LibraryFolder &) const = default;
};
