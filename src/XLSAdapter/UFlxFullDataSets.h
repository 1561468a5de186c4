#pragma once

// The "whole dataset" markers met while a sheet is filled; they are expanded after the bands, in
// the order they were met, since each one moves the rows below it.

#include <QString>
#include <vector>

struct TFullDataSet {
    QString Text;  // the marker cell's text
    int Row = 0;   // 0-based row the marker was written to
    int Col = 0;   // column offset from the main band's first column
};

using TFullDataSetList = std::vector<TFullDataSet>;
